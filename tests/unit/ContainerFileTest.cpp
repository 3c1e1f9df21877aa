#include "TestBytes.h"

#include "container/Bundle.h"
#include "container/ContainerFile.h"
#include "container/PeResources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace cinefold;
using namespace cinefold::test;

namespace {
const ByteVector offsetValue = {0xFF, 0xFF, 0xFF, 0xFF};

ByteVector smallContainer(std::uint32_t width) {
    ByteVector c = containerHeader(0);
    putChunk(c, "P_DT", stageRecord(width, 10, 0, 1, 1, 1000));
    set32(c, 8, std::uint32_t(c.size()));
    return c;
}
} // namespace

class PeResources : public ::testing::TestWithParam<bool> {};

TEST_P(PeResources, FindsTheNamedTypeResourceAndItsValue) {
    ByteVector pe = peWithResource(GetParam(), "RC_DATA", 107, {0x00, 0xF4, 0x00, 0x00, 0x99});
    OffsetResource r = findOffsetResource(pe);
    ASSERT_TRUE(r.found) << r.problem;
    EXPECT_EQ(r.value, 0xF400u);
    EXPECT_EQ(r.dataSize, 5u);
    EXPECT_EQ(r.pe32Plus, GetParam());
    EXPECT_EQ(pe[r.fileOffset], 0x00);
    EXPECT_EQ(pe[r.fileOffset + 1], 0xF4);
    EXPECT_EQ(r.imageEnd, pe.size());
}

TEST_P(PeResources, RefusesOtherTypesIdsAndShortValues) {
    struct Case {
        const char* type;
        std::uint16_t id;
        ByteVector data;
    } cases[] = {
        {"RCDATA", 107, offsetValue}, {"RC_DATA", 106, offsetValue}, {"RC_DATA", 107, {1, 2, 3}}};
    for (const Case& c : cases) {
        OffsetResource r = findOffsetResource(peWithResource(GetParam(), c.type, c.id, c.data));
        EXPECT_FALSE(r.found) << c.type << " " << c.id;
        EXPECT_FALSE(r.problem.empty());
    }
    // The system compares resource names without regard to case.
    EXPECT_TRUE(findOffsetResource(peWithResource(GetParam(), "rc_data", 107, offsetValue)).found);
}

TEST_P(PeResources, SurvivesEveryTruncationAndCorruption) {
    ByteVector pe = peWithResource(GetParam(), "RC_DATA", 107, offsetValue);
    const std::size_t valueEnd = std::size_t(findOffsetResource(pe).fileOffset) + 4;
    for (std::size_t size = 0; size < pe.size(); ++size) {
        ByteVector cut(pe.begin(), pe.begin() + std::ptrdiff_t(size));
        // Only the section padding behind the value may go without losing it.
        EXPECT_EQ(findOffsetResource(cut).found, size >= valueEnd) << size;
    }
    // Every byte of the headers and the tree set to 0xFF in turn: never a read out of bounds
    // (the sanitizer build checks that), and never a value from outside the file.
    for (std::size_t i = 0; i < pe.size(); ++i) {
        ByteVector bad = pe;
        bad[i] = 0xFF;
        OffsetResource r = findOffsetResource(bad);
        if (r.found) {
            EXPECT_LE(r.fileOffset + 4, bad.size());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothWidths, PeResources, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Pe32Plus" : "Pe32"; });

// An offset equal to the executable's size says it carries nothing; one pointing at bytes
// without the signature is reported there.
TEST(LocateContainer, RefusesAnOffsetAtTheEndOrAtBytesWithoutTheSignature) {
    for (bool atEnd : {true, false}) {
        ByteVector pe = peWithResource(!atEnd, "RC_DATA", 107, offsetValue);
        const std::uint64_t valueAt = findOffsetResource(pe).fileOffset;
        set32(pe, std::size_t(valueAt), atEnd ? std::uint32_t(pe.size()) : 0x40);
        ContainerSource source;
        FileProblem problem;
        EXPECT_FALSE(locateContainer(pe, source, problem));
        EXPECT_EQ(problem.offset, atEnd ? valueAt : 0x40);
        EXPECT_EQ(problem.what.find("carries no container") != std::string::npos, atEnd)
            << problem.what;
    }
}

// The container goes behind what the executable holds, trailing bytes that are no container
// (e.g. a symbol table behind the sections) included; a second bundle replaces the first.
TEST(Bundle, AppendsBehindTrailingBytesAndReplacesTheContainerASaverAlreadyCarries) {
    ByteVector saver = peWithResource(false, "RC_DATA", 107, offsetValue);
    saver.insert(saver.end(), 300, 0xAB);
    ByteVector once, twice;
    BundleResult result;
    FileProblem problem;
    ASSERT_TRUE(bundleContainer(saver, smallContainer(1), once, result, problem));
    EXPECT_FALSE(result.replaced);
    EXPECT_EQ(result.containerOffset, saver.size());
    ByteVector second = smallContainer(2);
    second.resize(second.size() + 100, 0); // a different length, so a leftover would show
    ASSERT_TRUE(bundleContainer(once, second, twice, result, problem));
    EXPECT_TRUE(result.replaced);
    EXPECT_EQ(result.containerOffset, saver.size());
    EXPECT_EQ(twice.size(), saver.size() + second.size());
    ByteVector withoutResource = peWithResource(false, "ICON", 107, offsetValue);
    EXPECT_FALSE(bundleContainer(withoutResource, smallContainer(2), twice, result, problem));
    EXPECT_NE(problem.what.find("RC_DATA"), std::string::npos) << problem.what;
}

// The offset is patched over RC_DATA 107's first four bytes: where those bytes are part of the
// resource tree, the patch would break the way to the container and bundle once wrote such a
// saver and said it was done. Here the data entry points at itself.
TEST(Bundle, RefusesASaverWhoseOffsetResourceOverlapsItsResourceTree) {
    ByteVector saver = peWithResource(false, "RC_DATA", 107, offsetValue);
    const std::size_t dataEntry = 0x200 + 72; // the tree's data entry: RVA, then size
    set32(saver, dataEntry, 0x1000 + 72);
    ASSERT_TRUE(findOffsetResource(saver).found);
    ByteVector output;
    BundleResult result;
    FileProblem problem;
    EXPECT_FALSE(bundleContainer(saver, smallContainer(1), output, result, problem));
    EXPECT_EQ(problem.offset, dataEntry);
    EXPECT_NE(problem.what.find("overlaps the resource directory"), std::string::npos)
        << problem.what;
    EXPECT_TRUE(output.empty());
}

// Only regular files are read: a device may never end, and opening a pipe that nobody writes
// would block for ever.
TEST(ReadWholeFile, RefusesWhatIsNotARegularFileWithoutBlocking) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("cinefold-read-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string pipe = (folder / "pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const auto& [path, kind] :
         {std::pair<std::string, std::string>{"/dev/zero", "a character device"},
          {pipe, "a pipe"},
          {folder.string(), "a directory"}}) {
        std::vector<std::uint8_t> bytes;
        FileProblem problem;
        EXPECT_FALSE(readWholeFile(path, bytes, problem)) << path;
        EXPECT_EQ(problem.what, "not a regular file: " + kind);
        EXPECT_TRUE(bytes.empty());
    }
    std::filesystem::remove_all(folder);
}
