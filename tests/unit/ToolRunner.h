#pragma once
// Runs the cinefold tool as a user would, and collects what it printed and its exit status; a
// fresh folder per test for the files it reads and writes.

#include "container/ContainerFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cinefold::test {

struct Output {
    int status = -1;
    std::string text; // standard output, and standard error after it when asked for
};

// A shell command's output and exit status.
inline Output runCommand(const std::string& shellCommand, bool withErrors = false) {
    Output out;
    const std::string command = shellCommand + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.text.append(buffer, n);
    int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

#ifdef CINEFOLD_TOOL
inline Output runTool(const std::string& arguments, bool withErrors = false) {
    return runCommand(std::string(CINEFOLD_TOOL) + " " + arguments, withErrors);
}
#endif

// A folder of its own for each test, named after the process and the test so that suites run
// side by side do not meet, and removed with everything in it afterwards.
class TempFolder : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("cinefold-" + std::to_string(getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    std::string write(const std::string& name, Bytes bytes) {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path(name).c_str(), "wb"), std::fclose);
        EXPECT_TRUE(file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size())
            << path(name);
        return path(name);
    }
    std::string writeText(const std::string& name, const std::string& text) {
        return write(name, Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    std::vector<std::uint8_t> read(const std::string& file) {
        std::vector<std::uint8_t> bytes;
        FileProblem problem;
        EXPECT_TRUE(readWholeFile(file, bytes, problem)) << file;
        return bytes;
    }

    std::filesystem::path folder_;
};

} // namespace cinefold::test
