// The checks of the test command's sources: no thread-local object has a destructor
// (scripts/check-thread-locals), no removal goes around the platform's (scripts/check-removals).
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

namespace zyn {
namespace {

// The keyword split in two, so that this file does not hold a declaration of its own.
const std::string kKeyword = std::string("thread_") + "local";

struct CheckResult {
    int code;
    std::string said;
};

// The script run on one file argument: its exit code and what it printed.
CheckResult lf_check(const test::TempDir& dir, const std::filesystem::path& file,
                     const std::string& script = "check-thread-locals")
{
    const auto output = dir / "output.txt";
    const std::string command = fmt::format("'{}/scripts/{}' '{}' >'{}' 2>&1", TARVO_SOURCE_DIR, script,
                                            file.string(), output.string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readText(output)};
}

TEST(ThreadLocalsCheck, RefusesOnlyObjectsWithADestructor)
{
    const struct {
        std::string line;
        std::string refusal; // empty: allowed
    } cases[] = {
        {kKeyword + " std::stop_token t_stop;", "type \"std::stop_token\""},
        {"    " + kKeyword + " std::string read;", "type \"std::string\""},
        {"static " + kKeyword + " std::vector<int> t_list{1, 2};", "type \"std::vector<int>\""},
        {kKeyword + " Holder t_holder;", "type \"Holder\""},
        {kKeyword + " std::string a; " + kKeyword + " int b;", "type \"std::string\""},
        {kKeyword + " Holder h, *p;", "type \"Holder\""},
        {"auto s = \"http://x\"; " + kKeyword + " std::string t;", "type \"std::string\""},
        {"std::string " + kKeyword + " t;", "whose type this check cannot read"},
        {kKeyword + " bool t_inDispatch = false;", ""},
        {kKeyword + " std::uint64_t t_count = 0;", ""},
        {kKeyword + " unsigned long t_error;", ""},
        {kKeyword + " std::vector<std::string>* t_batch = nullptr;", ""},
        {"    " + kKeyword + " std::mt19937_64 engine{std::random_device{}()};", ""},
        {"// a " + kKeyword + " std::string here would corrupt the heap", ""},
        {"/* " + kKeyword + " std::string t; */ const char* s = \"" + kKeyword + " std::string t;\";", ""},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        test::writeText(dir / "source.cpp", "namespace zyn {\n" + c.line + "\n}\n");
        const auto result = lf_check(dir, dir / "source.cpp");
        EXPECT_EQ(result.code, c.refusal.empty() ? 0 : 1) << c.line << "\n" << result.said;
        if (!c.refusal.empty()) {
            EXPECT_NE(result.said.find("source.cpp:2: " + kKeyword + " "), std::string::npos) << result.said;
            EXPECT_NE(result.said.find(c.refusal), std::string::npos) << c.line << "\n" << result.said;
        }
    }
}

// A folder stands for a file that cannot be read: the tests also run as root, who reads any file.
TEST(ThreadLocalsCheck, FailsOnAFileItCannotRead)
{
    test::TempDir dir;
    const struct {
        const char* name;
        std::filesystem::path file;
        std::string said;
    } cases[] = {
        {"a missing file", dir / "missing.cpp", "cannot read " + (dir / "missing.cpp").string() + ": No such file"},
        {"a folder", dir / "folder.cpp", "cannot read " + (dir / "folder.cpp").string() + ": it is a folder"},
    };
    std::filesystem::create_directory(dir / "folder.cpp");
    for (const char* script : {"check-thread-locals", "check-removals"})
        for (const auto& c : cases) {
            const auto result = lf_check(dir, c.file, script);
            EXPECT_EQ(result.code, 1) << script << ": " << c.name;
            EXPECT_NE(result.said.find(script + std::string(": ") + c.said), std::string::npos)
                << script << ": " << c.name << "\n" << result.said;
        }
}

// The removal's name split in two, so that this file does not hold a call of its own.
const std::string kRemove = std::string("rem") + "ove";

TEST(RemovalsCheck, RefusesStdFilesystemRemovalsOnly)
{
    const struct {
        std::string lines;
        std::string refusal; // empty: allowed
    } cases[] = {
        {"std::filesystem::" + kRemove + "(path);", "std::filesystem::" + kRemove + ","},
        {"    std::filesystem::" + kRemove + "_all(folder, ec);", "std::filesystem::" + kRemove + "_all,"},
        {"namespace fs = std::filesystem;\nvoid f() { fs::" + kRemove + "(p); }", kRemove + ","},
        {"namespace stdfs = ::std::filesystem;\nbool b = stdfs :: " + kRemove + "_all(p);", kRemove + "_all,"},
        {"using namespace std::filesystem;\nvoid f() { " + kRemove + "(p); }", kRemove + ","},
        {"using std::filesystem::" + kRemove + ";", kRemove + ","},
        {"auto s = \"x\"; std::filesystem::" + kRemove + "(p);", kRemove + ","},
        {"gf_" + kRemove + "File(path); gf_" + kRemove + "FolderTree(folder, ec);", ""},
        {"list." + kRemove + "(x); queue->" + kRemove + "(y); std::" + kRemove + "(a, b, c);", ""},
        {"namespace fs = std::filesystem;\nvoid Queue::" + kRemove + "(int) {}", ""},
        {"// std::filesystem::" + kRemove + "(p) refuses a read-only file", ""},
        {"/* fs::" + kRemove + "(p); */ const char* s = \"std::filesystem::" + kRemove + "(p)\";", ""},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        test::writeText(dir / "source.cpp", "namespace zyn {\n" + c.lines + "\n}\n");
        const auto result = lf_check(dir, dir / "source.cpp", "check-removals");
        EXPECT_EQ(result.code, c.refusal.empty() ? 0 : 1) << c.lines << "\n" << result.said;
        if (!c.refusal.empty()) {
            EXPECT_NE(result.said.find("source.cpp:" + std::to_string(2 + std::count(c.lines.begin(), c.lines.end(), '\n'))),
                      std::string::npos) << result.said;
            EXPECT_NE(result.said.find(c.refusal), std::string::npos) << c.lines << "\n" << result.said;
        }
    }
}

} // namespace
} // namespace zyn
