// The scan's report files in a temporary program folder.
#include "core/folders.h"
#include "livery/regcodes.h"
#include "livery/scan_reports.h"
#include "tests/core/settings_file_fixture.h"

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
}

} // namespace
} // namespace zyn
