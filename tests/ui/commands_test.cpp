#include "airport/park_airport_state.h"
#include "base/folders.h"
#include "core/startup.h"
#include "platform/system/clock.h"
#include "requests/main_loop_requests.h"
#include "settings/traffic_range.h"
#include "sim/link_state.h"
#include "sim/user_aircraft.h"
#include "tests/support/exit_wait.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/session_controls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

namespace zyn {
namespace {

using WindowCommands = test::MainWindowTest;

bool lf_checked(const BoolControlParameter& box)
{
    return IsDlgButtonChecked(g_mainWindow.load(), box.controlId) == BST_CHECKED;
}

// Every check box flips and is saved at once; a second click restores it. Each says what its new
// state means (or empties the status line).
TEST_F(WindowCommands, EveryCheckBoxFlipsSavesAndSaysWhatItMeans)
{
    using namespace param;
    struct Case {
        BoolControlParameter* box;
        const char* statusAfterFirstClick; // nullptr: whatever the box's own work shows
    };
    open();
    g_simNeverConnected = 0; // the scans wait for the next start instead of restarting
    const char* empty = "";
    for (const auto& c : std::initializer_list<Case>{
             {&KEEP_SIM_TIME_PAR, empty}, {&CALLSIGN_OBJECTIDS, empty}, {&LOG, empty}, {&LIGHT_AIRCRAFT, empty},
             {&HELICOPTERS, empty}, {&HIGH_PERF_AIRCRAFT, empty}, {&STRAIGHT_PBS_ONLY, empty}, {&LEARN_SOFT, empty},
             {&NAV_LIGHTS_WHILE_PARKED, empty}, {&PARK_SOFT, empty}, {&PARK_FAKE, empty}, {&WEEK, empty},
             {&SCAN_LIVERIES, empty}, {&SCAN_AIRPORTS, empty},
             {&LIG_AUTOMATIC, "The liveries defined by your lfolder parameters will be scanned"},
             {&LIG_PRIORITIZE, "Liveries in lower lfolders that are already available will be skipped"},
             {&INITIAL_LOAD_ONLY,
              "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes"},
             {&COLLISION_LIVE_PARKED_GND, empty},
             {&COLLISION_USER_GND, "Be aware, no collision avoidance with user aircraft on the ground"},
             {&COLLISION_USER_AIR, "Be aware, no collision avoidance with user aircraft in the air"},
             {&SUPPRESS_STUB, empty}, {&ALWAYS_ON_TOP, "Tarvo's window will remain visible"},
             {&GUID_CHANGES, "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc.."},
             {&SIM_TIME, empty}, {&AUTO_RANGE, empty}, {&RT_PARKTRAFFIC_ONLY, empty}}) {
        BoolControlParameter& box = *c.box;
        const bool before = box.on();
        gf_setStatusMessage("before", false);
        click(box);
        EXPECT_EQ(box.on(), !before) << box.key;
        EXPECT_EQ(lf_checked(box), !before) << box.key;
        EXPECT_TRUE(saved(box.key, before ? "false" : "true")) << box.key;
        if (c.statusAfterFirstClick != empty) {
            EXPECT_EQ(gf_statusMessage(), c.statusAfterFirstClick) << box.key;
        }
        click(box);
        EXPECT_EQ(box.on(), before) << box.key;
        EXPECT_TRUE(saved(box.key, before ? "true" : "false")) << box.key;
    }
    EXPECT_EQ(g_exitRequested.load(), 0);
}

TEST_F(WindowCommands, OptionsThatOnlyWarnSayItWhenSwitchedOffAndClearWhenOn)
{
    using namespace param;
    struct Case {
        BoolControlParameter* box;
        const char* whenOff;
    };
    open();
    for (const auto& c : {Case{&COLLISION_LIVE_PARKED_GND, "Be aware, no collision avoidance with live aircraft vs parked "
                                                           "static on the ground"},
                          Case{&SCAN_LIVERIES, nullptr}, Case{&SCAN_AIRPORTS, nullptr}}) {
        c.box->value = 1;
        CheckDlgButton(g_mainWindow.load(), c.box->controlId, BST_CHECKED);
        gf_setStatusMessage("before", false);
        click(*c.box);
        EXPECT_EQ(gf_statusMessage(), c.whenOff ? c.whenOff : "") << c.box->key;
    }
}

TEST_F(WindowCommands, ScansRestartAtOnceOnlyBeforeTheSimulatorEverAnswered)
{
    open();
    test::ExitRecorder exits;
    g_simNeverConnected = 0;
    param::SCAN_AIRPORTS.value = 0;
    CheckDlgButton(g_mainWindow.load(), param::SCAN_AIRPORTS.controlId, BST_UNCHECKED);
    click(param::SCAN_AIRPORTS);
    EXPECT_EQ(gf_statusMessage(), "Your airports will be scanned at the next start of Tarvo, recommended after you have "
                                  "add/removed airports");
    EXPECT_EQ(g_exitRequested.load(), 0);

    g_simNeverConnected = 1;
    param::SCAN_LIVERIES.value = 0;
    CheckDlgButton(g_mainWindow.load(), param::SCAN_LIVERIES.controlId, BST_UNCHECKED);
    click(param::SCAN_LIVERIES);
    EXPECT_EQ(gf_statusMessage(), "Your liveries will be scanned");
    EXPECT_NE(logText().find("Your liveries will be scanned\n"), std::string::npos);
    EXPECT_EQ(g_exitReason.load(), 3);
    EXPECT_EQ(test::ExitRecorder::restartSeconds(), 2);
}

TEST_F(WindowCommands, ButtonsAskTheMainLoopAndWaitDisabled)
{
    open();
    click(param::UNBLOCK_BUTTON);
    EXPECT_EQ(gf_statusMessage(), "Nothing to block or unblock...");
    click(param::REREAD_BUTTON);
    EXPECT_EQ(g_reReadRequest.load(), 1);
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::REREAD_BUTTON)));
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::DESTINATION)));
    click(param::FLUSH_STATIC_BUTTON);
    EXPECT_EQ(g_removeAllRequest.load(), 1);
    EXPECT_EQ(gf_statusMessage(), "All static parked aircraft will be removed ...");
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::FLUSH_STATIC_BUTTON)));
    EXPECT_FALSE(parametersText().find("Flush static") != std::string::npos);
}

TEST_F(WindowCommands, ParkTrafficOnlyEmptiesTheParkingBoxesAndAsksForItsRenewal)
{
    open();
    g_parkAirportLoaded = 1;
    click(param::RT_PARKTRAFFIC_ONLY);
    EXPECT_EQ(g_parkTrafficOnlyRequest.load(), 1);
    EXPECT_EQ(g_renewParkingRequest.load(), 1);
    EXPECT_EQ(g_airportFileChanged.load(), 1);
    EXPECT_EQ(gf_statusMessage(), "Tarvo will respond in 15 seconds ...");
    EXPECT_EQ(lf_getTextFromId(param::parking_percentage.controlId), "");
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::WEEK)));
    click(param::RT_PARKTRAFFIC_ONLY);
    EXPECT_EQ(g_parkTrafficOnlyRequest.load(), 0);
    EXPECT_EQ(lf_getTextFromId(param::MAX_FIT_FL.controlId), "24");
    EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::WEEK)));
    g_parkAirportLoaded = 0;
}

// Switched on, the automatic range follows the user's situation at once, before any main loop runs;
// switched off, the user's own range comes back.
TEST_F(WindowCommands, AutoRangeOnAppliesTheRangeAtOnceAndOffRestoresTheUsersOwnRange)
{
    struct Row {
        const char* name;
        bool onGround;
        double altitudeFt;
        std::int32_t range;
    };
    open();
    for (const Row& row : {Row{"on the ground", true, 1400.0, 10}, Row{"cruising", false, 35000.0, 40}}) {
        SCOPED_TRACE(row.name);
        UserAcData user;
        user.altitude = row.altitudeFt;
        g_userAc.set(user);
        g_userOnGround = row.onGround ? 1 : 0;
        param::AUTO_RANGE.value = 0;
        CheckDlgButton(g_mainWindow.load(), param::AUTO_RANGE.controlId, BST_UNCHECKED);
        enter(param::LATERAL_RANGE, u"25");
        click(param::AUTO_RANGE);
        EXPECT_EQ(param::LATERAL_RANGE.value.load(), row.range);
        EXPECT_EQ(g_rangeNm.load(), row.range);
        EXPECT_EQ(lf_getTextFromId(param::LATERAL_RANGE.controlId), std::to_string(row.range));
        EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::LATERAL_RANGE)));
        EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::AUTO_RANGE_ABOVE_HEIGHT)));
        click(param::AUTO_RANGE);
        EXPECT_EQ(param::LATERAL_RANGE.value.load(), 25);
        EXPECT_EQ(g_rangeMetres.load(), 25u * 1852u + 10000u);
        EXPECT_EQ(g_airportRangeMode.load(), 0);
        EXPECT_EQ(lf_getTextFromId(param::LATERAL_RANGE.controlId), "25");
        EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::LATERAL_RANGE)));
    }
}

TEST_F(WindowCommands, SimTimeOffZeroesTheShiftAndRebuildsTheScene)
{
    open();
    lf_timeShift(300, true);
    param::SIM_TIME.value = 1;
    CheckDlgButton(g_mainWindow.load(), param::SIM_TIME.controlId, BST_CHECKED);
    click(param::SIM_TIME);
    EXPECT_EQ(g_timeShiftMinutes.load(), 0);
    EXPECT_EQ(gf_statusMessage(), "Time shift = 0");
    EXPECT_EQ(g_removeAllAircraftRequest.load(), 1);
    EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::TIME_SHIFT_MINS)));
    click(param::SIM_TIME);
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::TIME_SHIFT_MINS)));
}

TEST_F(WindowCommands, NavLightsAndStayOnTopActWhereTheyBelong)
{
    const HWND main = open();
    click(param::NAV_LIGHTS_WHILE_PARKED);
    EXPECT_EQ(g_navLightsRequest.load(), 1); // the main loop owns the parked aircraft
    click(param::ALWAYS_ON_TOP);
    EXPECT_NE(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    click(param::ALWAYS_ON_TOP);
    EXPECT_EQ(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(WindowCommands, SwitchingTheSimulatorAsksForBothScansAndRestarts)
{
    open();
    test::ExitRecorder exits;
    test::writeText(dir / g_liveriesScannedPath, "<liveries/>");
    test::markFile(dir / g_liveriesScannedPath, test::FileMark::ReadOnlyHidden); // a folder restored so
    param::SCAN_LIVERIES.value = 0;
    param::SCAN_AIRPORTS.value = 0;
    param::ALL_INSTALL_PATH.setValue("/somewhere");
    param::VOZEVURAZO24_VERSION.setValueAndSave("1.2.3");
    click(param::MSFS_2020); // to 2024
    EXPECT_FALSE(std::filesystem::exists(dir / g_liveriesScannedPath));
    EXPECT_FALSE(param::MSFS_2020.on() || lf_checked(param::MSFS_2020));
    EXPECT_TRUE(param::SCAN_LIVERIES.on() && param::SCAN_AIRPORTS.on());
    EXPECT_TRUE(saved("MSFS_2020", "false") && saved("SCAN_LIVERIES", "true") && saved("SCAN_AIRPORTS", "true"));
    EXPECT_TRUE(lf_checked(param::SCAN_AIRPORTS) && lf_checked(param::SCAN_LIVERIES));
    EXPECT_EQ(param::ALL_INSTALL_PATH.getValue(), "");
    EXPECT_TRUE(saved("VOZEVURAZO24_VERSION", ""));
    EXPECT_EQ(gf_statusMessage(), "Switching Simulator to MSFS 2024");
    EXPECT_EQ(test::ExitRecorder::restartSeconds(), 3);
}

// A click that cannot be done whole changes nothing. When the old simulator's liveries file stays
// (another program holds it; here a folder in its place), nothing has changed yet; when the settings
// cannot be saved (a full disk; here a folder that is gone), the switch's file has gone, so the next
// start scans anyway, and a scan is not asked for, since the start would read the file without it; while an exit is under way (a reader's error restarts), that exit would drop the click's own
// restart and turn off the scans it saved. Either way the boxes and "parameters.xml" stay as they were,
// no other exit is asked for and the user is told, in red and in the log, also over an error that
// holds the line; a refusal during a quit (the simulator closed, a new flight, a system error, the
// user's close that takes over a restart) promises no restart.
TEST_F(WindowCommands, AClickThatCannotBeDoneWholeChangesNothingAndSaysWhy)
{
    enum class Cause { FileStays, SaveFails, Exiting };
    const HWND main = open();
    test::ExitRecorder exits;
    const std::string restarting = "Tarvo is restarting, click again once it has restarted";
    const std::string closing = "Tarvo is closing, nothing was changed";
    const struct {
        BoolControlParameter* box;
        Cause cause;
        std::string status;
        std::int32_t exitReason = 0; // of the exit under way
        bool errorHeld = false;      // an earlier error holds the line
        bool closed = false;         // the user closed the window during that exit
    } cases[] = {{&param::MSFS_2020, Cause::FileStays,
                  "Error switching the simulator: " + g_liveriesScannedPath.string() + " could not be removed: "},
                 {&param::MSFS_2020, Cause::SaveFails,
                  "Error switching the simulator: parameters.xml could not be saved, see Log.txt"},
                 {&param::MSFS_2020, Cause::Exiting, "Error switching the simulator: " + restarting, 6},
                 {&param::SCAN_AIRPORTS, Cause::Exiting, "Error asking for a scan of your airports: " + restarting, 5,
                  true},
                 {&param::MSFS_2020, Cause::Exiting, "Error switching the simulator: " + closing, 1},
                 {&param::SCAN_AIRPORTS, Cause::Exiting, "Error asking for a scan of your airports: " + closing, 2, true},
                 {&param::MSFS_2020, Cause::Exiting, "Error switching the simulator: " + closing, 7},
                 {&param::MSFS_2020, Cause::Exiting, "Error switching the simulator: " + closing, 3, false, true},
                 {&param::SCAN_AIRPORTS, Cause::SaveFails,
                  "Error asking for a scan of your airports: parameters.xml could not be saved, see Log.txt"}};
    const std::string settings = "<parameters><parameter name=\"MSFS_2020\" value=\"true\"/></parameters>";
    for (const auto& c : cases) {
        test::writeText(dir / "parameters.xml", settings);
        std::filesystem::remove_all(dir / g_liveriesScannedPath);
        if (c.cause == Cause::FileStays)
            std::filesystem::create_directories(dir / g_liveriesScannedPath / "not empty");
        else
            test::writeText(dir / g_liveriesScannedPath, "<liveries/>");
        gf_setParametersPath(c.cause == Cause::SaveFails ? dir / "gone" / "parameters.xml" : dir / "parameters.xml");
        g_exitRequested = c.cause == Cause::Exiting ? 1 : 0;
        g_exitReason = c.exitReason;
        if (c.closed)
            gf_requestClose(); // kept for the exit under way
        if (c.errorHeld)
            gf_showErrorMessage("95: MSFS 2024 is running, switch Sim");
        param::MSFS_2020.value = 1;
        param::SCAN_LIVERIES.value = 0;
        param::SCAN_AIRPORTS.value = 0;
        for (const BoolControlParameter* box : {&param::MSFS_2020, &param::SCAN_AIRPORTS})
            gf_showCheckBox(*box);
        click(*c.box);
        EXPECT_TRUE(param::MSFS_2020.on() && lf_checked(param::MSFS_2020)) << c.status;
        EXPECT_FALSE(param::SCAN_LIVERIES.on() || param::SCAN_AIRPORTS.on() || lf_checked(param::SCAN_AIRPORTS))
            << c.status;
        EXPECT_EQ(parametersText(), settings) << c.status;
        const bool switchRemovedIt = c.box == &param::MSFS_2020 && c.cause == Cause::SaveFails;
        EXPECT_EQ(std::filesystem::exists(dir / g_liveriesScannedPath), !switchRemovedIt) << c.status;
        EXPECT_EQ(gf_statusMessage().rfind(c.status, 0), 0u) << gf_statusMessage();
        EXPECT_TRUE(gf_statusLineView().red) << c.status;
        EXPECT_NE(logText().find(c.status), std::string::npos) << c.status;
        EXPECT_EQ(g_exitReason.load(), c.exitReason) << c.status; // no exit of its own
        EXPECT_EQ(gf_statusHeld(), c.cause != Cause::Exiting || c.errorHeld) << c.status;
        gf_setStatusMessage("Restarting after 3 seconds", false); // the exit's own messages still show
        EXPECT_EQ(gf_statusMessage() == "Restarting after 3 seconds", !gf_statusHeld()) << c.status;
        gf_clearErrorMessage();
        gf_resetCloseRequest();
    }
    g_exitRequested = 0;
    g_exitReason = 0;
    gf_setParametersPath(dir / "parameters.xml");
    EXPECT_TRUE(IsWindow(main));
}

// A start refused before the settings were read shows the defaults: a click there changes neither
// the user's file nor anything the box would set off (the simulator's switch removes the scanned
// liveries and restarts).
TEST_F(WindowCommands, ClicksBeforeTheSettingsAreReadChangeNothing)
{
    open();
    test::ExitRecorder exits;
    g_settingsRead = 0;
    const std::string users = "<?xml version=\"1.0\"?>\n<parameters>\n\t<parameter name=\"LOG\" value=\"no\" />\n"
                              "</parameters>\n";
    test::writeText(dir / "parameters.xml", users);
    test::writeText(dir / g_liveriesScannedPath, "scanned");
    for (BoolControlParameter* box : {&param::MSFS_2020, &param::ALWAYS_ON_TOP, &param::LOG}) {
        const bool before = box->on();
        click(*box);
        EXPECT_EQ(box->on(), before) << box->key;
        EXPECT_EQ(lf_checked(*box), before) << box->key;
    }
    EXPECT_EQ(parametersText(), users);
    EXPECT_TRUE(std::filesystem::exists(dir / g_liveriesScannedPath));
    EXPECT_EQ(g_exitReason.load(), 0);
}

// The window with the real exit sequence, whose pauses pass on a manual clock.
class WindowCommandsThreads : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        gf_setClock(&clock);
    }
    void TearDown() override
    {
        gf_setClock(nullptr);
        MainWindowTest::TearDown();
    }
    ManualClock clock;
};

// A reader's error restarts the program while the user switches the simulator, in any order: either
// the switch is whole and the restart that runs last is its own, which keeps the scans it asked for,
// or the click changed nothing. A click during the error restart's countdown is a restart of its own.
TEST_F(WindowCommandsThreads, ASwitchRacingAnErrorRestartIsWholeAndItsOwnOrChangesNothing)
{
    open();
    gf_setStartupStarter([] {}); // the restarts' WM_APP+1 start nothing here
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> microseconds(0, 1000);
    constexpr int kCountdownRound = 60; // the rounds before it race at random moments
    for (int round = 0; round <= kCountdownRound; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        test::writeText(dir / "parameters.xml",
                        R"(<parameters><parameter name="MSFS_2020" value="true"/></parameters>)");
        test::writeText(dir / g_liveriesScannedPath, "<liveries/>");
        param::MSFS_2020.value = 1;
        gf_showCheckBox(param::MSFS_2020);
        param::SCAN_LIVERIES.value = param::SCAN_AIRPORTS.value = 0;
        const std::size_t logBefore = logText().size();
        const std::chrono::microseconds errorAfter(microseconds(random)), clickAfter(microseconds(random));
        std::thread error([&] {
            std::this_thread::sleep_for(errorAfter);
            gf_requestExit(6, round == kCountdownRound ? 2 : 1);
        });
        if (round == kCountdownRound) {
            error.join();
            while (gf_statusMessage() != "Restarting after 2 seconds") {
                clock.advance(std::chrono::milliseconds(100));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        std::this_thread::sleep_for(clickAfter);
        click(param::MSFS_2020);
        if (error.joinable())
            error.join();
        ASSERT_TRUE(test::finishExit(clock));
        const std::string log = logText().substr(logBefore);
        const bool switched = !param::MSFS_2020.on();
        EXPECT_TRUE(switched || round != kCountdownRound);
        EXPECT_EQ(lf_checked(param::MSFS_2020), !switched);
        EXPECT_TRUE(saved("MSFS_2020", switched ? "false" : "true"));
        EXPECT_EQ(saved("SCAN_LIVERIES", "true") && saved("SCAN_AIRPORTS", "true"), switched);
        EXPECT_NE(std::filesystem::exists(dir / g_liveriesScannedPath), switched);
        const auto lastExit = log.rfind("Exiting: ");
        EXPECT_EQ(log.compare(lastExit, 21, "Exiting: NEW SETTINGS") == 0, switched) << log;
        EXPECT_TRUE(!switched || log.find("Switching Simulator to MSFS 2024") < lastExit) << log;
    }
}

} // namespace
} // namespace zyn
