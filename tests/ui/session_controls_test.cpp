#include "aircraft/records.h"
#include "base/time_util.h"
#include "core/exit.h"
#include "engine/records.h"
#include "platform/system/clock.h"
#include "platform/win32/testing.h"
#include "settings/setting_controls.h"
#include "shown/windows.h"
#include "tests/ui/main_window_fixture.h"
#include "traffic/client.h"
#include "ui/two_field_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

namespace zyn {
namespace {

using SessionControls = test::MainWindowTest;

TEST_F(SessionControls, TimeShiftIsCutToFourWeeksSplitSavedAndShown)
{
    open();
    lf_timeShift((28 * 24 + 5) * 60, false);
    EXPECT_TRUE(g_timeShifted.load());
    EXPECT_EQ(g_timeShiftMinutes.load(), 40320);
    EXPECT_EQ(lf_getTextFromId(param::TIME_SHIFT_DAYS.controlId), "28");
    EXPECT_EQ(lf_getTextFromId(param::TIME_SHIFT_HOURS.controlId), "0");
    EXPECT_EQ(lf_getTextFromId(param::TIME_SHIFT_MINS.controlId), "0");
    EXPECT_NE(parametersText().find("name=\"TIME_SHIFT_DAYS\" value=\"28\""), std::string::npos);
    EXPECT_NE(logText().find("Time shifting is limited to 4 weeks"), std::string::npos);
    EXPECT_EQ(gf_statusMessage(), "Time shifted 40320 minutes");
}

TEST_F(SessionControls, TimeShiftSplitsDaysHoursMinutes)
{
    open();
    lf_timeShift(2 * 1440 + 3 * 60 + 1, true);
    EXPECT_EQ(param::TIME_SHIFT_DAYS.value.load(), 2);
    EXPECT_EQ(param::TIME_SHIFT_HOURS.value.load(), 3);
    EXPECT_EQ(param::TIME_SHIFT_MINS.value.load(), 1);
    EXPECT_EQ(gf_statusMessage(), ""); // quiet
}

TEST_F(SessionControls, TimeShiftZeroEmptiesTheBoxes)
{
    open();
    lf_timeShift(90, true);
    lf_timeShift(0, true);
    EXPECT_FALSE(g_timeShifted.load());
    EXPECT_EQ(lf_getTextFromId(param::TIME_SHIFT_HOURS.controlId), "");
    EXPECT_EQ(lf_getTextFromId(param::TIME_SHIFT_MINS.controlId), "");
    EXPECT_EQ(gf_statusMessage(), "Time shift = 0");
}

TEST_F(SessionControls, ParkTrafficOnlySwitchesSixControls)
{
    open();
    const ParameterControl* six[] = {&param::parking_percentage, &param::MAX_FIT_FL, &param::INITIAL_LOAD_ONLY,
                                     &param::PARK_SOFT, &param::PARK_FAKE, &param::WEEK};
    param::RT_PARKTRAFFIC_ONLY.value = 1;
    gf_applyParkTrafficOnly();
    for (const auto* c : six)
        EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(*c)));
    EXPECT_EQ(lf_getTextFromId(param::parking_percentage.controlId), "");
    param::RT_PARKTRAFFIC_ONLY.value = 0;
    gf_applyParkTrafficOnly();
    for (const auto* c : six)
        EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(*c)));
    EXPECT_EQ(lf_getTextFromId(param::parking_percentage.controlId), "30");
    EXPECT_EQ(lf_getTextFromId(param::MAX_FIT_FL.controlId), "24");
}

TEST_F(SessionControls, TimeControlsAreEnabledTogether)
{
    open();
    lf_enableTimeControls(true);
    EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::TIME_SHIFT_DAYS)));
    EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::KEEP_SIM_TIME_PAR)));
    EXPECT_EQ(g_timeControlsEnabled.load(), 1);
    lf_enableTimeControls(false);
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::TIME_SHIFT_MINS)));
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::SIM_TIME)));
    EXPECT_EQ(g_timeControlsEnabled.load(), 0);
}

// Logging in enables the time controls; the shift boxes stay locked while the simulator's time is
// followed, as the start-up left them.
TEST_F(SessionControls, TimeShiftBoxesStayLockedWhileSimTimeIsOn)
{
    open();
    struct Row {
        const char* name;
        bool simTime;
        bool boxesEnabled;
    };
    for (const Row& row : {Row{"SIM_TIME off", false, true}, Row{"SIM_TIME on", true, false}}) {
        param::SIM_TIME.value = row.simTime ? 1 : 0;
        lf_enableTimeControls(true);
        for (const auto* box : {&param::TIME_SHIFT_DAYS, &param::TIME_SHIFT_HOURS, &param::TIME_SHIFT_MINS})
            EXPECT_EQ(IsWindowEnabled(gf_controlWindow(*box)) != 0, row.boxesEnabled) << row.name << " " << box->key;
        EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::SIM_TIME))) << row.name;
        EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::KEEP_SIM_TIME_PAR))) << row.name;
    }
    param::SIM_TIME.value = 0;
}

TEST_F(SessionControls, DestinationIsSavedShownAndReReadDisabled)
{
    open();
    EnableWindow(gf_controlWindow(param::REREAD_BUTTON), TRUE);
    lf_setDestination("EFHK", {60.3172, 24.9633});
    EXPECT_EQ(param::DESTINATION.getValue(), "EFHK");
    EXPECT_NE(parametersText().find("name=\"DESTINATION\" value=\"EFHK\""), std::string::npos);
    EXPECT_EQ(lf_getTextFromId(param::DESTINATION.controlId), "EFHK");
    EXPECT_EQ(gf_statusMessage(), "New destination: EFHK");
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::REREAD_BUTTON)));
}

LiveAcRecord lf_live(ObjectState state, MovePhase phase)
{
    LiveAcRecord aircraft;
    aircraft.state = state;
    aircraft.phase = phase;
    return aircraft;
}

TEST_F(SessionControls, AircraftCountsRepaintOnlyTheBandsThatChanged)
{
    const HWND main = open();
    g_liveAircraft = {lf_live(ObjectState::InSim, MovePhase::Airborne), lf_live(ObjectState::InSim, MovePhase::Taxi),
                      lf_live(ObjectState::InSim, MovePhase::Parked),
                      lf_live(ObjectState::CreationRequested, MovePhase::Airborne),
                      lf_live(ObjectState::RemovalRequested, MovePhase::Parked)};
    g_staticAircraft.resize(3);
    g_staticAircraft[0].state = ObjectState::InSim;
    g_staticAircraft[2].state = ObjectState::InSim;
    EXPECT_EQ(gf_countAircraftShown(), (AcCountsShown{2, 1, 2}));

    win32test::clearInvalidations(main);
    lf_refreshAcCounts();
    EXPECT_EQ(g_liveCountShown.load(), 2u);
    EXPECT_EQ(g_liveParkedShown.load(), 1u);
    EXPECT_EQ(g_staticParkedShown.load(), 2u);
    const auto bandsRepainted = [main] {
        std::set<LONG> tops;
        for (const auto& r : win32test::invalidations(main))
            tops.insert(r.rect.top);
        return tops;
    };
    EXPECT_EQ(bandsRepainted(), (std::set<LONG>{gf_bandRect(Band::Counters).top, gf_bandRect(Band::Statistics).top}));

    win32test::clearInvalidations(main);
    lf_refreshAcCounts(); // nothing changed
    g_staticAircraft[1].state = ObjectState::InSim;
    lf_refreshAcCounts();
    EXPECT_EQ(bandsRepainted(), std::set<LONG>{gf_bandRect(Band::Statistics).top});
    g_liveAircraft.clear();
    g_staticAircraft.clear();
}

TEST(TwoFieldText, PadsAirlineToThreeAndTypeToFour)
{
    struct Case {
        const char* airline;
        const char* type;
        const char* text;
    };
    for (const auto& c : {Case{"BA", "A320", "BA  A320"}, Case{"SWR", "B38M", "SWR B38M"},
                          Case{"", "C2", "    C2  "}, Case{"EZYX", "A20N", "EZYX A20N"}}) {
        AcHead head;
        head.airline = c.airline;
        head.type = c.type;
        EXPECT_EQ(gf_twoFieldText(head), c.text);
    }
}

class FirstTrafficThreads : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        gf_setClock(&clock);
        g_trafficClient.lastReportTime = 0.0;
    }
    void TearDown() override
    {
        gf_setClock(nullptr);
        g_trafficClient.lastReportTime = 0.0;
        MainWindowTest::TearDown();
    }
    // Runs the wait on its own thread and moves the clock until it ends; returns the clock time the
    // waiting thread itself saw pass.
    std::chrono::nanoseconds waitWhile(const std::function<void(std::chrono::nanoseconds)>& atTime)
    {
        std::atomic<bool> done{false};
        std::chrono::nanoseconds seen{};
        const auto start = clock.steadyNow();
        std::thread waiter([&] {
            const auto begin = gf_steadyNow();
            lf_waitForFirstTraffic();
            seen = gf_steadyNow() - begin;
            done = true;
        });
        while (!done) {
            atTime(clock.steadyNow() - start);
            clock.advance(std::chrono::milliseconds(10));
            std::this_thread::yield();
        }
        waiter.join();
        return seen;
    }
    ManualClock clock;
};

TEST_F(FirstTrafficThreads, GivesUpAfterFifteenSecondsWithALogLine)
{
    const auto waited = waitWhile([](std::chrono::nanoseconds) {});
    EXPECT_GE(waited, std::chrono::seconds(15)); // 150 sleeps of 0.1 s
    EXPECT_NE(logText().find("No traffic in this region?"), std::string::npos);
}

TEST_F(FirstTrafficThreads, StopsWaitingWhenTrafficArrives)
{
    waitWhile([](std::chrono::nanoseconds t) {
        if (t >= std::chrono::seconds(3))
            g_trafficClient.lastReportTime = 1796601600.0;
    });
    EXPECT_EQ(logText().find("No traffic in this region?"), std::string::npos);
}

TEST_F(FirstTrafficThreads, AnExitEndsTheWait)
{
    g_exitRequested = 1;
    lf_waitForFirstTraffic(); // returns at once, without the clock moving
    g_exitRequested = 0;
    EXPECT_NE(logText().find("No traffic in this region?"), std::string::npos);
}

} // namespace
} // namespace zyn
