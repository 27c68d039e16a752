#include "base/time_util.h"
#include "core/startup_controls.h"
#include "settings/setting_controls.h"
#include "shown/windows.h"
#include "sim/link_state.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/session_controls.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

class StartupControls : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        open();
    }
    static bool enabled(const ParameterControl& control) { return IsWindowEnabled(gf_controlWindow(control)) != 0; }
    static void setShift(std::int32_t days, std::int32_t hours, std::int32_t minutes)
    {
        param::TIME_SHIFT_DAYS.value = days;
        param::TIME_SHIFT_HOURS.value = hours;
        param::TIME_SHIFT_MINS.value = minutes;
    }
    const ParameterControl* shiftBoxes[3] = {&param::TIME_SHIFT_DAYS, &param::TIME_SHIFT_HOURS,
                                             &param::TIME_SHIFT_MINS};
};

TEST_F(StartupControls, ParkingPercentageIsThirtyAfterEveryStart)
{
    param::parking_percentage.value = 55;
    lf_enableStartupControls();
    EXPECT_EQ(param::parking_percentage.value.load(), 30);
    EXPECT_EQ(lf_getTextFromId(param::parking_percentage.controlId), "30");
    EXPECT_EQ(parametersText().find("parking_percentage"), std::string::npos); // not saved
}

TEST_F(StartupControls, RangeBoxesFollowAutoRange)
{
    for (const bool autoRange : {true, false}) {
        param::AUTO_RANGE.value = autoRange;
        lf_enableStartupControls();
        EXPECT_TRUE(enabled(param::AUTO_RANGE));
        EXPECT_EQ(enabled(param::LATERAL_RANGE), !autoRange);
        EXPECT_EQ(enabled(param::AUTO_RANGE_ABOVE_HEIGHT), autoRange);
    }
}

TEST_F(StartupControls, DependentControlsFollowTheirSettings)
{
    for (const bool on : {true, false}) {
        param::BLOCK_CALLSIGN.setValue(on ? "DLH123" : "");
        param::LIG_AUTOMATIC.value = on;
        lf_enableStartupControls();
        EXPECT_EQ(enabled(param::UNBLOCK_BUTTON), on);
        EXPECT_EQ(enabled(param::AI_PACKAGE_ORDER), on);
        EXPECT_FALSE(enabled(param::LEARN_SOFT));
        EXPECT_FALSE(enabled(param::CALLSIGN_2_OBJECTID));
        using namespace param;
        const std::vector<const ParameterControl*> alwaysOn = {
            &RT_PARKTRAFFIC_ONLY, &CUSTOM_MAX_PARK, &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND,
            &GUID_CHANGES,        &BLOCK_CALLSIGN,  &MAX_LIVE,           &KEEP_SIM_TIME_PAR,
            &SIM_TIME};
        for (const ParameterControl* control : alwaysOn)
            EXPECT_TRUE(enabled(*control)) << control->controlId;
    }
}

TEST_F(StartupControls, StoredTimeShiftIsRestoredQuietly)
{
    param::SIM_TIME.value = 0;
    setShift(1, 2, 3);
    lf_enableStartupControls();
    EXPECT_EQ(g_timeShiftMinutes.load(), (24 + 2) * 60 + 3);
    EXPECT_TRUE(g_timeShifted.load());
    EXPECT_EQ(lf_getTextFromId(param::TIME_SHIFT_HOURS.controlId), "2");
    EXPECT_EQ(gf_statusMessage(), "");
    for (const auto* box : shiftBoxes)
        EXPECT_TRUE(enabled(*box));
}

TEST_F(StartupControls, NoShiftLeavesTheBoxesEmpty)
{
    param::SIM_TIME.value = 0;
    setShift(0, 0, 0);
    lf_enableStartupControls();
    EXPECT_FALSE(g_timeShifted.load());
    for (const auto* box : shiftBoxes) {
        EXPECT_EQ(lf_getTextFromId(box->controlId), "");
        EXPECT_TRUE(enabled(*box));
    }
}

TEST_F(StartupControls, SimulatorTimeLocksTheShiftBoxes)
{
    param::SIM_TIME.value = 1;
    g_simTimeMark = 777;
    lf_enableStartupControls();
    EXPECT_EQ(g_simTimeMark.load(), 0);
    EXPECT_TRUE(enabled(param::SIM_TIME));
    for (const auto* box : shiftBoxes)
        EXPECT_FALSE(enabled(*box));
}

TEST_F(StartupControls, LeavingSimulatorTimeResetsTheShift)
{
    param::SIM_TIME.value = 0;
    lf_timeShift(600, true);
    g_simEpoch = 1796601600;
    lf_applySimTimeOption();
    EXPECT_EQ(g_timeShiftMinutes.load(), 0);
    EXPECT_FALSE(g_timeShifted.load());
    EXPECT_EQ(g_simTimeMark.load(), 1796601600);
    EXPECT_EQ(param::TIME_SHIFT_HOURS.value.load(), 0);
    for (const auto* box : shiftBoxes)
        EXPECT_TRUE(enabled(*box));
    g_simEpoch = 0;
}

} // namespace
} // namespace zyn
