// The scan's report files in a temporary program folder.
#include "base/folders.h"
#include "livery/regcodes.h"
#include "livery/scan_reports.h"
#include "platform/system/full_disk.h"
#include "tests/settings/settings_file_fixture.h"
#include "tests/support/dbase_fixture.h"

#include <fmt/format.h>

#include <gtest/gtest.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class ScanReports : public test::SettingsFolder {
protected:
    void SetUp() override
    {
        SettingsFolder::SetUp();
        fs::create_directories(g_outputInfoPath);
        gf_clearLiveryLists();
    }
    void TearDown() override
    {
        gf_clearLiveryLists();
        SettingsFolder::TearDown();
    }
};

TEST_F(ScanReports, RemovalOfThePreviousReportsKeepsTheScannedFileAndOtherFiles)
{
    const std::vector<fs::path> reports{g_invalidAirlineList.reportPath, g_fixList.reportPath,
                                        g_noFltsimSectionList.reportPath, gf_inlineRegcodesPath(),
                                        g_liveriesSkippedOnPriorityPath};
    for (const fs::path& report : reports)
        test::writeText(report, "old\n");
    test::writeText(g_liveriesScannedPath, "<liveries/>");
    test::writeText(g_airlineModelConversionsPath, "kept\n");

    lf_removeScanReports();
    for (const fs::path& report : reports)
        EXPECT_FALSE(fs::exists(report)) << report;
    EXPECT_FALSE(fs::exists(g_outputErrorsPath));
    EXPECT_TRUE(fs::exists(g_liveriesScannedPath));
    EXPECT_TRUE(fs::exists(g_airlineModelConversionsPath));

    test::writeText(g_fixList.reportPath, "old\n");
    test::writeText(g_outputErrorsPath / "someone_elses.txt", "x\n");
    lf_removeScanReports();
    EXPECT_FALSE(fs::exists(g_fixList.reportPath));
    EXPECT_TRUE(fs::exists(g_outputErrorsPath / "someone_elses.txt"));

    // The first removal refused (a folder of that name, another program's): logged, and the others go.
    test::writeText(g_noFltsimSectionList.reportPath / "held.txt", "x\n");
    test::writeText(g_fixList.reportPath, "old\n");
    lf_removeScanReports();
    EXPECT_FALSE(fs::exists(g_fixList.reportPath));
    const auto lines = logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("problems with removing previous files: ") != std::string::npos; }),
              1);
}

TEST_F(ScanReports, RegistrationRecordCorrectsCargoAirlineAndType)
{
    test::ScopedDbase dbase(test::dbaseWith({"A320", "B738"}, {"SWR", "EDW"},
                                            {{"HB-IJK", {"SWR", "A320", "EDW", false}}, {"HB-CGO", {"SWR", "", "", true}}}));
    const std::string longTitle(90, 'T');
    LiveryData operated{"SWR", "A320", longTitle, "HBIJK", 1, false};
    lf_writeCodeFixes(operated);
    EXPECT_EQ(operated.airl, "EDW") << "the operator wins even where the airline already agrees";
    LiveryData freighter{"SWR", "A320", "Swiss freighter", "HB-CGO", 1, false};
    lf_writeCodeFixes(freighter);
    EXPECT_TRUE(freighter.cargo);
    EXPECT_EQ(freighter.type, "");
    LiveryData unknown{"SWR", "A320", "Swiss unknown", "HB-XXX", 1, false};
    lf_writeCodeFixes(unknown);
    EXPECT_EQ(unknown, (LiveryData{"SWR", "A320", "Swiss unknown", "HB-XXX", 1, false}));

    EXPECT_EQ(g_modelConversionLines,
              (std::vector<std::string>{longTitle + " HBIJK airl SWR => EDW",
                                        fmt::format("{:80} HB-CGO cargo false => true", "Swiss freighter"),
                                        fmt::format("{:80} HB-CGO model A320 => ", "Swiss freighter")}));
}

TEST_F(ScanReports, CleanScanWritesOnlyItsHeadings)
{
    lf_writeScanSummary();
    const auto lines = logLines();
    const auto at = std::find(lines.begin(), lines.end(), "No errors");
    ASSERT_NE(at, lines.end());
    ASSERT_GE(lines.end() - at, 3);
    EXPECT_EQ(at[1], "");
    EXPECT_EQ(at[2], "Information:");
    EXPECT_FALSE(fs::exists(g_outputErrorsPath));
    EXPECT_TRUE(fs::is_empty(g_outputInfoPath));
}

TEST_F(ScanReports, ProblemListsGoToTheirFilesSortedWhereTheyShouldBe)
{
    // The previous scan's report, read-only and still open in a reader: replaced whole by a new file.
    test::writeText(g_invalidAirlineList.reportPath, "STALE .x=9\n");
    test::markFile(g_invalidAirlineList.reportPath, test::FileMark::ReadOnly);
    fs::create_hard_link(g_invalidAirlineList.reportPath, dir / "held.txt");
    g_invalidAirlineList.append("XYZ b");
    g_invalidAirlineList.append("ABC a");
    g_fixList.append("second fix");
    g_fixList.append("first fix");
    g_noFltsimSectionList.append("z.cfg");
    g_noFltsimSectionList.append("a.cfg");
    lf_writeScanSummary();
    EXPECT_EQ(test::readLines(g_invalidAirlineList.reportPath), (std::vector<std::string>{"ABC a", "XYZ b"}));
    EXPECT_TRUE(test::isPlainFile(g_invalidAirlineList.reportPath));
    EXPECT_EQ(test::readText(dir / "held.txt"), "STALE .x=9\n");
    EXPECT_EQ(test::readLines(g_fixList.reportPath), (std::vector<std::string>{"second fix", "first fix"}));
    EXPECT_EQ(test::readLines(g_noFltsimSectionList.reportPath), (std::vector<std::string>{"a.cfg", "z.cfg"}));
    EXPECT_TRUE(logHas("Errors:"));
    EXPECT_TRUE(logHas(fmt::format("2 invalid airline codes, see {}", g_invalidAirlineList.reportPath.string())));
    EXPECT_TRUE(logHas(fmt::format("2 code fixes, see {}", g_fixList.reportPath.string())));
    EXPECT_TRUE(logHas(fmt::format("2 empty aircraft.cfg files, see {}", g_noFltsimSectionList.reportPath.string())));
    EXPECT_FALSE(fs::exists(g_invalidTypeList.reportPath));
}

// A report that cannot be written keeps the previous one whole, and the log says so instead of
// pointing to it.
TEST_F(ScanReports, AReportThatCannotBeWrittenIsLoggedAndKeepsTheOldOne)
{
    test::writeText(g_fixList.reportPath, "old fix\n");
    g_fixList.append("new fix");
    gf_setFullDisk(FullDisk{g_outputErrorsPath, 0});
    lf_writeScanSummary();
    gf_setFullDisk(std::nullopt);
    EXPECT_EQ(test::readText(g_fixList.reportPath), "old fix\n");
    EXPECT_FALSE(logHas(fmt::format("1 code fixes, see {}", g_fixList.reportPath.string())));
    const auto lines = logLines();
    const std::string failed = fmt::format("===> 1 line for \"{}\" could not be written: ", g_fixList.reportPath.string());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(failed); }),
              1);
}

} // namespace
} // namespace zyn
