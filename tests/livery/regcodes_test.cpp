#include "livery/regcodes.h"

#include "base/folders.h"
#include "base/text_util.h"
#include "livery/livery_index.h"
#include "shown/status_line.h"
#include "tests/support/download_fixture.h"
#include "tests/support/livery_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_fixture.h"
#include "tools/dbase_writer.h"

#include <gtest/gtest.h>

#include <fmt/ranges.h>

#include <algorithm>
#include <regex>

namespace zyn::test {
namespace {

namespace fs = std::filesystem;

class RegcodeFiles : public DownloadFixture {
protected:
    ~RegcodeFiles() override
    {
        gf_resetLiveryIndex();
        gf_resetStatusLine();
    }
    void userFile(const std::string& name, const std::string& text) { writeText(programDir / g_myRegcodesPath / name, text); }
    // The registrations are given plain; the server stores them scrambled.
    void serveAig(const std::string& liveries)
    {
        std::string stored;
        const std::regex reg("reg=\"([^\"]*)\"");
        auto at = liveries.cbegin();
        for (std::smatch m; std::regex_search(at, liveries.cend(), m, reg); at = m[0].second) {
            std::vector<std::string> codes;
            for (const auto& piece : gf_splitCommas(m[1].str()))
                codes.push_back(tools::gf_scrambleCode(piece));
            stored += m.prefix().str() + fmt::format("reg=\"{}\"", fmt::join(codes, ","));
        }
        stored.append(at, liveries.cend());
        writeZip(serverDir / "AIG-regcodes.zip",
                 {{"AIG-regcodes.xml", "<AIG-regcodes><other/>" + stored + "</AIG-regcodes>"}});
    }
    std::vector<RegcodeEntry> readUserFiles(bool expectOk)
    {
        std::vector<RegcodeEntry> entries;
        EXPECT_EQ(gf_readRegcodeFiles(g_myRegcodesPath, entries), expectOk);
        return entries;
    }
    static std::string titleOf(std::string_view reg)
    {
        const auto it = g_regcodeLiveries.find(reg);
        return it == g_regcodeLiveries.end() ? "" : std::string(it->second);
    }
};

TEST_F(RegcodeFiles, TextLinesBecomeEntriesOrReportedErrors)
{
    userFile("codes.txt", "Title Only\n"
                          "Short ; AB \r\n"
                          "Pair;CDE,AB\n"
                          "Marked;FGH,CDE,FGH;#\n"
                          "Unmarked;CDE,FGH;x\n"
                          "TooLong;ABCDEFGHIJKLM;#\n"
                          "NoneLeft;AB,C\n"
                          "a;b;c;d\n"
                          "NoRegs;\n"
                          "\n");
    const auto entries = readUserFiles(false);
    const std::vector<RegcodeEntry> expected{{"Title Only", {}, false},
                                             {"Short", {"AB"}, true},
                                             {"Pair", {"CDE"}, false},
                                             {"Marked", {"CDE", "FGH"}, true},
                                             {"Unmarked", {"CDE", "FGH"}, false}};
    EXPECT_EQ(entries, expected);
    const std::string path = (g_myRegcodesPath / "codes.txt").string();
    for (const auto& line : {"===> wrong regcode length \"AB\" in " + path,
                             "===> wrong regcode length \"ABCDEFGHIJKLM\" in " + path,
                             "===> wrong regcode length \"C\" in " + path, "===> " + path + " ; regs empty? ",
                             "===> " + path + ": wrong format \"a;b;c;d\"", std::string("5 liveries read")})
        EXPECT_TRUE(logHas(line)) << line;
}

TEST_F(RegcodeFiles, StrayCommaIsARegistrationOfWrongLength)
{
    userFile("codes.txt", "Trailing;ABC,\n"
                          "Doubled;ABC,,DEF;#\n"
                          "Commas; , \n");
    const auto entries = readUserFiles(false);
    // A trailing comma leaves two registrations, so the entry is not special.
    const std::vector<RegcodeEntry> expected{{"Trailing", {"ABC"}, false}, {"Doubled", {"ABC", "DEF"}, true}};
    EXPECT_EQ(entries, expected);
    const std::string path = (g_myRegcodesPath / "codes.txt").string();
    EXPECT_TRUE(logHas("===> wrong regcode length \"\" in " + path));
    EXPECT_TRUE(logHas("===> wrong regcode length \",\" in " + path));
}

TEST_F(RegcodeFiles, OnlyTextFilesDirectlyInTheFolderAreRead)
{
    userFile("a.txt", "One\n");
    userFile("b.Txt", "Two\n");
    userFile("c.text", "Three\n");
    userFile("sub/d.txt", "Four\n");
    const auto entries = readUserFiles(true);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].title, "One");
    EXPECT_EQ(entries[1].title, "Two");
}

TEST_F(RegcodeFiles, UserFilesOverrideTheDownloadedCodesWhichOverrideTheLiveries)
{
    serveAig(R"(<livery title="Swiss X" reg="HB-AAA,HB-BBB"/><livery title="Not Installed" reg="HB-CCC"/>)"
             R"(<livery title="Swiss Z" reg="HB-DDD" special="yes"/><livery title="" reg="HB-EEE"/>)");
    userFile("mine.txt", "Swiss Y;HB-AAA\n");
    gf_buildLiveryIndex({livery("SWR", "A320", "Swiss X"), livery("SWR", "A320", "Swiss Y"), livery("SWR", "A320", "Swiss Z", "HB-BBB")});
    EXPECT_EQ(titleOf("HB-AAA"), "Swiss Y");
    EXPECT_EQ(titleOf("HB-BBB"), "Swiss X");
    EXPECT_EQ(titleOf("HB-CCC"), "");
    EXPECT_EQ(titleOf("HB-EEE"), "");
    EXPECT_EQ(g_specialLiveryTitles, (std::vector<std::string_view>{"Swiss Z", "Swiss Y"}));
    const auto report = readLines(programDir / gf_offlineRegcodesPath());
    const std::vector<std::string> expected{
        "Processing file " + gf_aigRegcodesXmlPath().string(),
        "   regcode HB-BBB for \"Swiss X\", instead of the same for \"Swiss Z\"",
        "2 new regcodes added, 1 regcode replaced, 1 regcode defined as special",
        "Processing files in " + g_myRegcodesPath.string(),
        "   regcode HB-AAA for \"Swiss Y\", instead of the same for \"Swiss X\"",
        "0 new regcodes added, 1 regcode replaced, 1 regcode defined as special"};
    EXPECT_EQ(report, expected);
    EXPECT_FALSE(fs::exists(programDir / gf_aigRegcodesXmlPath())) << "deleted after reading";
    EXPECT_TRUE(logHas("3 registration codes"));
    EXPECT_TRUE(logHas("2 special liveries"));
}

TEST_F(RegcodeFiles, FirstLiveryKeepsAnInlineCodeAndClashesAreReported)
{
    gf_buildLiveryIndex({livery("SWR", "A320", "Swiss B", "HB-AAA"), livery("EDW", "A320", "Edelweiss", "HB-AAA"),
                         livery("SWR", "A320", "Swiss A", "HB-AAA")});
    EXPECT_EQ(titleOf("HB-AAA"), "Edelweiss");
    EXPECT_EQ(readLines(programDir / gf_inlineRegcodesPath()),
              (std::vector<std::string>{"HB-AAA \"Swiss A\" => already in use by \"Edelweiss\"",
                                        "HB-AAA \"Swiss B\" => already in use by \"Edelweiss\""}));
}

// An earlier run's report goes whatever marks a user's tools left on it (a folder restored read-only);
// one that cannot be removed (here a folder in its place, on Windows also a file held open) is logged
// once, though a restart tries again, and the index is built all the same.
TEST_F(RegcodeFiles, NoSourceLeavesNoOfflineReport)
{
    const struct {
        const char* what;
        FileMark mark;
        bool removable;
    } cases[] = {
        {"a report", FileMark::None, true},
        {"a read-only report", FileMark::ReadOnly, true},
        {"a hidden report", FileMark::Hidden, true},
        {"a report that cannot be removed", FileMark::None, false},
    };
    const fs::path report = programDir / gf_offlineRegcodesPath();
    for (const auto& c : cases) {
        fs::remove_all(report);
        writeText(c.removable ? report : report / "held.txt", "old\n");
        markFile(report, c.mark);
        for (const char* start : {"the start", "a restart"})
            EXPECT_NO_THROW(gf_buildLiveryIndex({livery("SWR", "A320", "Swiss")})) << c.what << ", " << start;
        EXPECT_TRUE(g_liveriesProcessed) << c.what;
        EXPECT_EQ(fs::exists(report), !c.removable) << c.what;
        const auto lines = logLines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) { return line.find("could not be removed") != std::string::npos; }),
                  c.removable ? 0 : 1)
            << c.what;
        EXPECT_TRUE(logHas("===> reading AIG-regcodes failed?")) << c.what;
    }
}

TEST_F(RegcodeFiles, BrokenDownloadedFileIsReportedAndTheUserFilesStillCount)
{
    writeZip(serverDir / "AIG-regcodes.zip", {{"AIG-regcodes.xml", "<AIG-regcodes><livery"}});
    userFile("mine.txt", "Swiss;HB-AAA\nOne;Two;Three;Four\n");
    gf_buildLiveryIndex({livery("SWR", "A320", "Swiss")});
    EXPECT_EQ(titleOf("HB-AAA"), "Swiss");
    EXPECT_TRUE(logHas("===> Failed to load " + gf_aigRegcodesXmlPath().string()));
    const auto report = readLines(programDir / gf_offlineRegcodesPath());
    EXPECT_EQ(report.at(1), "There were errors in processing the AIG-regcode file \"" +
                                gf_aigRegcodesXmlPath().string() + "\", see the Log.txt");
    EXPECT_EQ(gf_statusMessage(), "There were errors in processing the regcode files in folder \"" +
                                      g_myRegcodesPath.string() + "\", see the Log.txt");
}

TEST_F(RegcodeFiles, ScanCollectsTheTitlesNeverToUse)
{
    serveAig(R"(<livery title="Bad Download" reg=""/><livery title="Good" reg="HB-AAA"/><livery title="Bad Too"/>)");
    userFile("mine.txt", "Bad Mine\nGood Mine;HB-BBB\n");
    std::vector<std::string> titles{"Earlier"};
    lf_readAigRegcodesForScan(titles);
    EXPECT_EQ(titles, (std::vector<std::string>{"Earlier", "Bad Download", "Bad Too", "Bad Mine"}));
    EXPECT_TRUE(logHas("2 don't use titles read"));
    EXPECT_TRUE(logHas("1 don't use title read from files in " + g_myRegcodesPath.string()));
    EXPECT_FALSE(fs::exists(programDir / gf_aigRegcodesXmlPath()));
    EXPECT_TRUE(fs::exists(programDir / g_inputPath / "AIG-regcodes0.xml")) << "the backup stays";
}

} // namespace
} // namespace zyn::test
