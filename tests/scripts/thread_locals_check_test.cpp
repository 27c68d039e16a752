// The check of the test command that no thread-local object has a destructor (scripts/check-thread-locals).
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>
#include <string>

#include <sys/wait.h>

namespace zyn {
namespace {

// The keyword split in two, so that this file does not hold a declaration of its own.
const std::string kKeyword = std::string("thread_") + "local";

// The script's exit code on a source file holding the line.
int lf_checkLine(const test::TempDir& dir, const std::string& line)
{
    test::writeText(dir / "source.cpp", "namespace zyn {\n" + line + "\n}\n");
    const std::string command =
        fmt::format("'{}/scripts/check-thread-locals' '{}' >/dev/null", TARVO_SOURCE_DIR, (dir / "source.cpp").string());
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ThreadLocalsCheck, RefusesOnlyObjectsWithADestructor)
{
    const struct {
        std::string line;
        bool refused;
    } cases[] = {
        {kKeyword + " std::stop_token t_stop;", true},
        {"    " + kKeyword + " std::string read;", true},
        {"static " + kKeyword + " std::vector<int> t_list{1, 2};", true},
        {kKeyword + " Holder t_holder;", true},
        {kKeyword + " bool t_inDispatch = false;", false},
        {kKeyword + " std::uint64_t t_count = 0;", false},
        {kKeyword + " unsigned long t_error;", false},
        {kKeyword + " std::vector<std::string>* t_batch = nullptr;", false},
        {"    " + kKeyword + " std::mt19937_64 engine{std::random_device{}()};", false},
        {"// a " + kKeyword + " std::string here would corrupt the heap", false},
    };
    test::TempDir dir;
    for (const auto& c : cases)
        EXPECT_EQ(lf_checkLine(dir, c.line), c.refused ? 1 : 0) << c.line;
}

} // namespace
} // namespace zyn
