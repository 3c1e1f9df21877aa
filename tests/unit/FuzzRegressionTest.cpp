// Replays every malformed input that once broke something (tests/data/regressions/, each file
// named after what it broke) through both decoders and through a whole container load. The
// sanitizer build turns any out-of-bounds access, overflow or leak into a failure; here the
// decoders' own contract is checked as well: a result comes with no failure phrase and at most
// the size limit, a refusal with a phrase and no output.

#include "container/DecodeBuffer.h"
#include "player/Player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

using namespace cinefold;

namespace {

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void expectContract(const DecodeBuffer& buffer, const std::uint8_t* result) {
    if (result) {
        EXPECT_EQ(buffer.failure(), nullptr);
        EXPECT_EQ(result, buffer.output());
        EXPECT_LE(buffer.size(), std::size_t(DecodeBuffer::maxDecodedSize));
    } else {
        EXPECT_NE(buffer.failure(), nullptr);
        EXPECT_EQ(buffer.output(), nullptr);
        EXPECT_EQ(buffer.size(), 0u);
    }
}

} // namespace

TEST(FuzzRegression, EveryRegressionInputDecodesOrIsRefusedCleanly) {
    const std::filesystem::path directory =
        std::filesystem::path(CINEFOLD_TEST_DATA) / "regressions";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no regression inputs in " << directory;

    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> bytes = readFile(path);

        DecodeBuffer buffer;
        expectContract(buffer, buffer.decodeDataBlock(bytes));
        expectContract(buffer, buffer.decodeRunLengthImage(bytes));

        Player player;
        auto container = std::make_unique<std::uint8_t[]>(bytes.size());
        if (!bytes.empty()) std::memcpy(container.get(), bytes.data(), bytes.size());
        player.adoptContainer(std::move(container), std::uint32_t(bytes.size()));
        player.walkChunks();
    }
}
