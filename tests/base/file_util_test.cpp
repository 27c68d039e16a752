#include "base/file_util.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/full_disk.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include <fmt/format.h>

namespace zyn {
namespace {

class FileUtil : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(FileUtil, ReadLinesDropsOneCarriageReturnPerLine)
{
    std::istringstream in("a\r\nb\r\r\nc");
    std::vector<std::string> lines{"kept"};
    gf_readLines(in, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"kept", "a", "b\r", "c"}));
    EXPECT_TRUE(in.good()); // the state is cleared for the caller
}

TEST_F(FileUtil, OverlongLineKeepsItsStartAndTheFileGoesOn)
{
    test::ScopedCwd cwd{dir.path()};
    gf_openLog();
    test::writeText(dir / "long.cfg", std::string(kMaxLineChars + 10, 'x') + "\r\nnext\n");
    const auto lines = gf_readFile(dir / "long.cfg");
    gf_closeLog();
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(kMaxLineChars, 'x'), "next"}));
    const auto log = test::readLines(dir / "Log.txt");
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], fmt::format("===> {}: 1 line(s) longer than {} characters cut", (dir / "long.cfg").string(),
                                  kMaxLineChars));
}

TEST_F(FileUtil, EmptyAndMissingFilesLookAlike)
{
    test::writeText(dir / "empty.txt", "");
    EXPECT_FALSE(gf_readFile(dir / "empty.txt"));
    EXPECT_FALSE(gf_readFile(dir / "missing.txt"));
    test::writeText(dir / "two.txt", "EGLL,12\r\nEDDF\n");
    EXPECT_EQ(gf_readFile(dir / "two.txt", 32), (std::vector<std::string>{"EGLL,12", "EDDF"}));
}

TEST_F(FileUtil, WriteFileTruncatesAndAddsLineEndOnRequest)
{
    const auto file = dir / "out.txt";
    test::writeText(file, "old content that is longer");
    ASSERT_TRUE(gf_writeFile("new", file, false));
    EXPECT_EQ(test::readText(file), "new");
    ASSERT_TRUE(gf_writeFile("line", file, true));
    EXPECT_EQ(test::readText(file), "line\n");
    EXPECT_FALSE(gf_writeFile("x", dir / "no" / "such" / "folder.txt", true));
}

// Replaced whole: a full disk leaves the old file, never an emptied one.
TEST_F(FileUtil, WriteLinesWritesOneLinePerText)
{
    const auto file = dir / "lines.txt";
    gf_writeLines({"a", "", "c"}, file);
    EXPECT_EQ(test::readText(file), "a\n\nc\n");
    EXPECT_THROW(gf_writeLines({"a"}, dir / "missing" / "lines.txt"), std::filesystem::filesystem_error);
    gf_setFullDisk(FullDisk{dir.path(), 3});
    EXPECT_THROW(gf_writeLines({"new", "lines"}, file), std::filesystem::filesystem_error);
    gf_setFullDisk(std::nullopt);
    EXPECT_EQ(test::readText(file), "a\n\nc\n");
}

TEST_F(FileUtil, SaveXmlLogsTheOutcome)
{
    test::ScopedCwd cwd{dir.path()};
    gf_openLog();
    pugi::xml_document document;
    document.append_child("parameters").append_child("parameter").append_attribute("name") = "LOG";
    EXPECT_TRUE(gf_saveXml(document, "saved.xml"));
    EXPECT_FALSE(gf_saveXml(document, "missing/saved.xml"));
    gf_setFullDisk(FullDisk{{}, 0});
    EXPECT_FALSE(gf_saveXml(document, "full.xml"));
    gf_setFullDisk(std::nullopt);
    gf_closeLog();
    pugi::xml_document back;
    ASSERT_TRUE(back.load_file("saved.xml"));
    EXPECT_STREQ(back.child("parameters").child("parameter").attribute("name").value(), "LOG");
    const auto lines = test::readLines("Log.txt");
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[1], "\"saved.xml\" saved");
    EXPECT_EQ(lines[2], "could not save to \"missing/saved.xml\"");
    EXPECT_EQ(lines[4], "could not save to \"full.xml\"");
    // The reason follows, a full disk by name.
#ifdef _WIN32
    const std::string full = std::error_code(ERROR_DISK_FULL, std::system_category()).message();
#else
    const std::string full = std::make_error_code(std::errc::no_space_on_device).message();
#endif
    EXPECT_NE(lines[5].find(full), std::string::npos) << lines[5];
}

} // namespace
} // namespace zyn
