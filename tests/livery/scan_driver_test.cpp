// The start-up's livery scan on real folder trees: which folders it takes and in which order, what
// the priority setting keeps, what it writes and logs, and what it leaves alone when it fails.
#include "livery/scan_driver.h"

#include "base/errors.h"
#include "base/folders.h"
#include "base/path_text.h"
#include "base/workers.h"
#include "core/exit.h"
#include "livery/livery_index.h"
#include "livery/livery_startup.h"
#include "livery/matching.h"
#include "livery/scanned_file.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "tests/livery/livery_read_fixture.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/scoped_env.h"
#include "tools/demo_liveries.h"
#include "tools/download_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace zyn::test {
namespace {

namespace fs = std::filesystem;

// An exit that comes while the scan finishes, at its stage; a simulator switch first removes the
// file and turns the scan on for the restart.
std::pair<ScanStage, bool> g_finishingExit; // the stage, a simulator switch

void lf_exitWhileFinishing(ScanStage stage)
{
    if (stage != g_finishingExit.first)
        return;
    if (g_finishingExit.second) {
        fs::remove(g_liveriesScannedPath);
        param::SCAN_LIVERIES.value = 1;
        gf_writeParametersXml(param::SCAN_LIVERIES);
    }
    g_exitRequested = 1;
}

class LiveryScan : public LiveryReadTest {
protected:
    LiveryScan()
    {
        downloads.start();
        downloadUrl.emplace("TARVO_DOWNLOAD_URL", downloads.baseUrl());
        gf_setParametersPath(dir / "parameters.xml");
        param::MSFS_2020.value = 1;
        param::MSFS_INSTALL_PATH.setValue((dir / "Packages").string());
        param::SCAN_LIVERIES.value = 1;
        param::LIG_AUTOMATIC.value = 1;
        param::LIG_PRIORITIZE.value = 0;
        param::AI_PACKAGE_ORDER.value = 1;
        gf_resetWorkers();
    }
    ~LiveryScan() override
    {
        gf_setLiveryScanStep(nullptr);
        gf_resetLiveryIndex();
        g_liveriesProcessed = false;
        g_exitRequested = 0;
        g_scannedLiveries.clear();
        gf_setParametersPath(savedParametersPath);
        for (StringParameter& folder : param::lfolders)
            folder.setValue("");
        param::MSFS_INSTALL_PATH.setValue("");
        for (BoolParameter* flag : {&param::SCAN_LIVERIES, &param::LIG_AUTOMATIC, &param::LIG_PRIORITIZE,
                                    &param::MSFS_2020, &param::LIGHT_AIRCRAFT, &param::HIGH_PERF_AIRCRAFT,
                                    &param::HELICOPTERS})
            flag->value = flag->defaultValue;
        param::AI_PACKAGE_ORDER.value = param::AI_PACKAGE_ORDER.defaultValue;
    }

    // One aircraft.cfg of the type below the folder, one section per {title, airline}.
    static void installLiveries(const fs::path& folder, const std::string& type,
                                const std::vector<std::pair<std::string, std::string>>& titleAirlines)
    {
        std::vector<tools::DemoLivery> liveries;
        for (const auto& [title, airline] : titleAirlines)
            liveries.push_back({type, title, airline});
        writeText(folder / "SimObjects" / "Airplanes" / type / "aircraft.cfg", tools::gf_demoAircraftCfg(type, liveries));
    }
    fs::path community() const { return dir / "Packages" / "Community"; }

    static std::vector<std::string> scannedTitles()
    {
        std::vector<std::string> titles;
        for (const LiveryData& livery : gf_readLiveriesFile(g_liveriesScannedPath))
            titles.push_back(livery.title);
        return titles;
    }
    bool logHas(const std::string& text) const
    {
        const auto lines = logLines();
        return std::ranges::any_of(lines, [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }
    // Index of the first log line holding the text, or the line count.
    std::size_t logLineOf(const std::string& text) const
    {
        const auto lines = logLines();
        return std::ranges::find_if(lines, [&](const std::string& l) { return l.find(text) != std::string::npos; }) -
               lines.begin();
    }
    std::string savedSetting(const std::string& key) const
    {
        pugi::xml_document document;
        document.load_file((dir / "parameters.xml").c_str());
        return gf_findParameterNode(document, key).attribute("value").as_string();
    }
    static std::int32_t scanErrorCode()
    {
        try {
            gf_scanLiveries();
        } catch (const UserErrorException& e) {
            return e.code();
        }
        return 0;
    }

    fs::path savedParametersPath = gf_parametersPath();
    TempDir served; // the download server has no registration codes to offer
    tools::DownloadServer downloads{served.path()};
    std::optional<ScopedEnv> downloadUrl;
    ScopedDbase dbase{[] {
        auto content = dbaseWith({"A320", "B738"}, {"SWR", "DLH", "ZZZ"});
        content.large = {"A320", "B738"};
        return content;
    }()};
};

TEST_F(LiveryScan, PackageOrderDecidesWhichFolderKeepsAnAirlineAndType)
{
    installLiveries(community() / "fsltl-traffic-base", "A320", {{"FSLTL Swiss", "SWR"}});
    installLiveries(community() / "aig-aitraffic-oci-beta", "A320", {{"AIG Swiss", "SWR"}});
    installLiveries(community() / "aig-aitraffic-oci-beta", "B738", {{"AIG Lufthansa", "DLH"}});
    installLiveries(community() / "justflight-aircraft-traffic-fleet", "B738", {{"JF Lufthansa", "DLH"}});
    installLiveries(community() / "user-aitraffic-mine", "A320", {{"User Swiss", "SWR"}, {"User Neutral", "ZZZ"}});
    param::AI_PACKAGE_ORDER.value = 4;
    param::LIG_PRIORITIZE.value = 1;
    gf_scanLiveries();

    const auto fsltl = logLineOf("Automatic FSLTL scan found folder");
    EXPECT_LT(fsltl, logLineOf("Automatic JF scan found folder"));
    EXPECT_LT(logLineOf("Automatic JF scan found folder"), logLineOf("Automatic AIG scan found folder"));
    EXPECT_LT(logLineOf("Automatic AIG scan found folder"), logLineOf("Automatic user-aitraffic scan found folder"));
    EXPECT_TRUE(logHas("6 in total"));
    // The first folder with an airline and type keeps it; the neutral livery is the user folder's own.
    EXPECT_EQ(scannedTitles(), (std::vector<std::string>{"JF Lufthansa", "FSLTL Swiss", "User Neutral"}));
    EXPECT_FALSE(param::SCAN_LIVERIES.on());
    EXPECT_EQ(savedSetting("SCAN_LIVERIES"), "false");
    EXPECT_TRUE(g_liveriesProcessed.load());
    EXPECT_EQ(gf_findLiveryByTitle("FSLTL Swiss"), "FSLTL Swiss");
    EXPECT_EQ(gf_findLiveryByTitle("AIG Swiss"), "");
}

TEST_F(LiveryScan, WithoutPriorityEveryLiveryStaysInAirlineTypeTitleOrder)
{
    installLiveries(community() / "aig-aitraffic-oci_CVT_converted", "A320", {{"Converted Swiss", "SWR"}});
    installLiveries(community() / "aig-aitraffic-oci", "A320", {{"AIG Swiss", "SWR"}});
    installLiveries(community() / "aig-aitraffic-oci", "B738", {{"AIG Lufthansa", "DLH"}});
    installLiveries(community() / "user-aitraffic", "B738", {{"A User Lufthansa", "DLH"}});
    gf_scanLiveries();

    EXPECT_EQ(scannedTitles(), (std::vector<std::string>{"A User Lufthansa", "AIG Lufthansa", "AIG Swiss"}))
        << "the converted package is never taken";
    EXPECT_TRUE(logHas("2 liveries found in " + (community() / "aig-aitraffic-oci").string()));
    EXPECT_TRUE(logHas("1 liverie found in " + (community() / "user-aitraffic").string()));
}

TEST_F(LiveryScan, PackagesInAFolderWithNonAsciiLettersAreFound)
{
    const fs::path packages = dir / gf_pathFromUtf8("Ünïcødé") / "Packages";
    param::MSFS_INSTALL_PATH.setValue(gf_utf8FromPath(packages));
    const fs::path package = packages / "Community" / gf_pathFromUtf8("user-aitraffic-Jürgen");
    installLiveries(package, "A320", {{"Zürich Swiss", "SWR"}});
    gf_scanLiveries();

    EXPECT_EQ(scannedTitles(), std::vector<std::string>{"Zürich Swiss"});
    EXPECT_TRUE(logHas("1 liverie found in " + gf_utf8FromPath(package)));
}

TEST_F(LiveryScan, ManualFoldersSkipWhatIsNotAFolderAndNumberTheRest)
{
    writeText(dir / "not-a-folder", "");
    installLiveries(dir / "first", "A320", {{"First Swiss", "SWR"}});
    installLiveries(dir / "second", "A320", {{"Second Swiss", "SWR"}});
    installLiveries(dir / "second", "B738", {{"Second Lufthansa", "DLH"}});
    param::LIG_AUTOMATIC.value = 0;
    param::LIG_PRIORITIZE.value = 1;
    param::lfolders[2].setValue((dir / "missing").string());
    param::lfolders[4].setValue((dir / "not-a-folder").string());
    param::lfolders[6].setValue((dir / "first").string());
    param::lfolders[7].setValue((dir / "second").string());
    gf_scanLiveries();

    EXPECT_TRUE(logHas((dir / "missing").string() + " does not exist, skipped!"));
    EXPECT_TRUE(logHas((dir / "not-a-folder").string() + " is not a folder name, skipped!"));
    EXPECT_TRUE(logHas("1 liverie found in " + (dir / "first").string()));
    EXPECT_TRUE(logHas("2 liveries found in " + (dir / "second").string()));
    EXPECT_TRUE(logHas("3 in total"));
    // Skipped entries take no priority: "first" outranks "second" for the Swiss A320.
    EXPECT_EQ(scannedTitles(), (std::vector<std::string>{"Second Lufthansa", "First Swiss"}));
}

TEST_F(LiveryScan, FailedScansKeepTheSettingAndThePreviousScan)
{
    param::LIG_AUTOMATIC.value = 0;
    EXPECT_EQ(scanErrorCode(), 48) << "no lfolder set";

    installLiveries(dir / "fleet", "A320", {{"Fleet Swiss", "SWR"}});
    param::lfolders[0].setValue((dir / "fleet").string());
    gf_scanLiveries();
    EXPECT_FALSE(logHas("in total")) << "one folder only";
    ASSERT_EQ(scannedTitles(), std::vector<std::string>{"Fleet Swiss"});

    // A rescan of a folder that lost its liveries finds nothing: the last scan stays for the next start.
    gf_resetLiveryIndex();
    g_liveriesProcessed = false;
    fs::remove_all(dir / "fleet" / "SimObjects");
    param::SCAN_LIVERIES.value = 1;
    EXPECT_EQ(scanErrorCode(), 53);
    EXPECT_TRUE(param::SCAN_LIVERIES.on());
    EXPECT_EQ(scannedTitles(), std::vector<std::string>{"Fleet Swiss"});

    param::LIG_AUTOMATIC.value = 1;
    EXPECT_EQ(scanErrorCode(), 43) << "no Community folder";
    EXPECT_TRUE(param::SCAN_LIVERIES.on());
}

TEST_F(LiveryScan, StatusLineNamesAPrioritizedManualScanWithoutLoggingIt)
{
    param::LIG_AUTOMATIC.value = 0;
    param::LIG_PRIORITIZE.value = 1;
    EXPECT_EQ(scanErrorCode(), 48);
    EXPECT_EQ(gf_statusMessage(), "Scanning prioritized  for liveries ...");
    param::LIG_PRIORITIZE.value = 0;
    EXPECT_EQ(scanErrorCode(), 48);
    EXPECT_EQ(gf_statusMessage(), "Scanning  for liveries ...");
    EXPECT_FALSE(logHas("Scanning"));
    gf_resetStatusLine();
}

#ifndef _WIN32 // a link to itself: mingw-w64's runtime makes no links
TEST_F(LiveryScan, FolderWhoseExistenceCannotBeToldEndsTheScan)
{
    fs::create_symlink(dir / "loop", dir / "loop");
    param::LIG_AUTOMATIC.value = 0;
    param::lfolders[0].setValue((dir / "loop").string());
    try {
        gf_scanLiveries();
        ADD_FAILURE() << "no file-system error";
    } catch (const fs::filesystem_error& e) {
        EXPECT_TRUE(std::string(e.what()).find("exists: ") != std::string::npos) << e.what();
        EXPECT_EQ(e.path1(), dir / "loop");
    }
    EXPECT_TRUE(param::SCAN_LIVERIES.on());
    gf_resetStatusLine();
}
#endif

TEST_F(LiveryScan, CommunityThatIsNoFolderFindsNothing)
{
    writeText(community(), "");
    EXPECT_EQ(scanErrorCode(), 43);
    EXPECT_TRUE(param::SCAN_LIVERIES.on());
}

TEST_F(LiveryScan, UnwritableResultKeepsTheSettingOn)
{
    installLiveries(dir / "fleet", "A320", {{"Fleet Swiss", "SWR"}});
    param::LIG_AUTOMATIC.value = 0;
    param::lfolders[0].setValue((dir / "fleet").string());
    fs::remove_all(g_outputPath);
    writeText(g_outputPath, ""); // no folder can be made there
    EXPECT_EQ(scanErrorCode(), 51) << "no previous scan to fall back on";
    EXPECT_TRUE(param::SCAN_LIVERIES.on());
    EXPECT_NE(savedSetting("SCAN_LIVERIES"), "false");
    EXPECT_TRUE(logHas("could not save to"));
    EXPECT_FALSE(logHas(" liveries in "));
    EXPECT_TRUE(logHas("liveries scan ends"));
    EXPECT_FALSE(logHas("could not keep")) << "a missing file is not a damaged one";
    gf_resetStatusLine();
}

TEST_F(LiveryScan, OffSettingReadsTheLastScanWithoutLooking)
{
    installLiveries(community() / "user-aitraffic", "A320", {{"Kept Swiss", "SWR"}});
    gf_scanLiveries();
    gf_resetLiveryIndex();
    g_liveriesProcessed = false;
    installLiveries(community() / "user-aitraffic", "B738", {{"New Lufthansa", "DLH"}});

    gf_scanLiveries();
    EXPECT_EQ(gf_findLiveryByTitle("Kept Swiss"), "Kept Swiss");
    EXPECT_EQ(gf_findLiveryByTitle("New Lufthansa"), "") << "found only by the next scan";
}

TEST_F(LiveryScan, WhatAnAbortedScanLeftBehindIsEmptiedFirst)
{
    g_titleSet.insert("User Swiss");
    g_dontUseTitles.push_back("User Neutral");
    g_invalidAirlineList.append("XYZ          in an earlier scan");
    installLiveries(community() / "user-aitraffic", "A320", {{"User Swiss", "SWR"}, {"User Neutral", "ZZZ"}});
    gf_scanLiveries();
    EXPECT_EQ(scannedTitles(), (std::vector<std::string>{"User Swiss", "User Neutral"}));
    EXPECT_TRUE(logHas("No errors"));
    EXPECT_FALSE(fs::exists(g_invalidAirlineList.reportPath));
}

// The user asks for a rescan: the running program restarts, and its start-up scans again.
TEST_F(LiveryScan, RescanInTheRunningProgramIsUsedAtOnce)
{
    installLiveries(community() / "user-aitraffic", "A320", {{"Kept Swiss", "SWR"}});
    gf_scanLiveries();
    AcRecord lufthansa;
    lufthansa.head.airline = "DLH";
    lufthansa.head.type = "B738";
    lufthansa.category = AcCategory::Large;
    gf_matchLiveAcLivery(lufthansa);
    ASSERT_EQ(lufthansa.liveryTitle, "");

    installLiveries(community() / "user-aitraffic", "B738", {{"New Lufthansa", "DLH"}});
    param::SCAN_LIVERIES.value = 1;
    gf_scanLiveries();
    gf_matchLiveAcLivery(lufthansa);
    EXPECT_EQ(lufthansa.liveryTitle, "New Lufthansa");
    EXPECT_EQ(gf_findLiveryByTitle("Kept Swiss"), "Kept Swiss");
}

TEST_F(LiveryScan, ExitDuringTheScanWritesNothingAndScansAgainNextTime)
{
    installLiveries(community() / "user-aitraffic", "A320", {{"Old Swiss", "SWR"}});
    gf_scanLiveries();
    gf_resetLiveryIndex();
    g_liveriesProcessed = false;
    installLiveries(community() / "user-aitraffic", "B738", {{"New Lufthansa", "DLH"}});
    param::SCAN_LIVERIES.value = 1;
    g_exitRequested = 1;

    EXPECT_EQ(lf_scanAndWriteLiveries({community() / "user-aitraffic"}), ScanOutcome::Interrupted);
    gf_scanLiveries();
    EXPECT_TRUE(param::SCAN_LIVERIES.on());
    EXPECT_FALSE(g_liveriesProcessed.load());
    EXPECT_EQ(scannedTitles(), std::vector<std::string>{"Old Swiss"});
}

// An exit after the folder walk, before the scan is switched off, leaves the setting on and the file
// as the exit left it, and the index unbuilt: after a simulator switch the restart rescans.
TEST_F(LiveryScan, ExitWhileTheScanFinishesLeavesTheSettingAndTheFileToTheExit)
{
    installLiveries(community() / "user-aitraffic", "A320", {{"Old Swiss", "SWR"}});
    gf_scanLiveries();
    installLiveries(community() / "user-aitraffic", "B738", {{"New Lufthansa", "DLH"}});
    const struct {
        std::pair<ScanStage, bool> exit;
        std::vector<std::string> titles; // in the file afterwards; none: no file
    } rows[] = {{{ScanStage::Walked, false}, {"Old Swiss"}},
                {{ScanStage::Saved, false}, {"New Lufthansa", "Old Swiss"}},
                {{ScanStage::Walked, true}, {}},
                {{ScanStage::Saved, true}, {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.exit.second ? "simulator switch" : "exit");
        gf_resetLiveryIndex();
        g_liveriesProcessed = false;
        param::SCAN_LIVERIES.value = 1; // the user asks for a rescan
        gf_writeParametersXml(param::SCAN_LIVERIES);
        g_finishingExit = row.exit;
        gf_setLiveryScanStep(lf_exitWhileFinishing);
        EXPECT_NO_THROW(gf_scanLiveries());
        gf_setLiveryScanStep(nullptr);
        g_exitRequested = 0;

        EXPECT_EQ(savedSetting("SCAN_LIVERIES"), "true");
        EXPECT_FALSE(g_liveriesProcessed.load());
        EXPECT_EQ(fs::exists(g_liveriesScannedPath) ? scannedTitles() : std::vector<std::string>{}, row.titles);
    }
}

TEST(LiveryThinning, RepeatsDifferingOnlyInFolderGoAndTheOrderIsStable)
{
    const auto livery = [](std::string airline, std::string title, std::uint32_t folder, std::string atcid = "") {
        return LiveryData{std::move(airline), "A320", std::move(title), std::move(atcid), folder, false};
    };
    std::list<LiveryData> liveries{livery("SWR", "B", 2), livery("DLH", "A", 1), livery("SWR", "B", 1),
                                   livery("SWR", "B", 3, "HB-JLT"), livery("SWR", "A", 1)};
    lf_sortAndThinLiveries(liveries);
    std::vector<std::pair<std::string, std::uint32_t>> kept;
    for (const auto& l : liveries)
        kept.emplace_back(l.airl + " " + l.title + " " + l.atcid, l.folderIndex);
    EXPECT_EQ(kept, (std::vector<std::pair<std::string, std::uint32_t>>{
                        {"DLH A ", 1}, {"SWR A ", 1}, {"SWR B ", 2}, {"SWR B HB-JLT", 3}}));
}

} // namespace
} // namespace zyn::test
