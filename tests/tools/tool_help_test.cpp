// Every stand-in and generator program answers --help and -h with its usage and touches nothing.
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>

#include <sys/wait.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

TEST(ToolPrograms, AnswerHelpWithTheirUsageAndWriteNothing)
{
    const fs::path tools = fs::path(TARVO_BINARY_DIR) / "tools";
    int programs = 0;
    for (const auto& entry : fs::directory_iterator(tools)) {
        if (!entry.is_regular_file())
            continue;
        ++programs;
        const std::string name = entry.path().filename().string();
        for (const char* flag : {"--help", "-h"}) {
            SCOPED_TRACE(name + " " + flag);
            test::TempDir folder;
            test::TempDir output;
            // A program that took the flag for a folder or a port would write there or serve until the guard.
            const std::string command =
                fmt::format("cd '{}' && timeout {} '{}' {} > '{}' 2>&1", folder.path().string(),
                            test::guardTime(20), entry.path().string(), flag, (output / "out.txt").string());
            const int status = std::system(command.c_str());
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(test::readText(output / "out.txt").rfind("usage: " + name + " ", 0), 0u)
                << test::readText(output / "out.txt");
            EXPECT_TRUE(fs::is_empty(folder.path()));
        }
    }
    EXPECT_GE(programs, 3);
}

} // namespace
} // namespace zyn
