#include "core/startup_controls.h"

#include "platform/win32/window.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "ui/session_controls.h"

#include <array>

namespace zyn {

namespace {

const std::array<IntControlParameter*, 3> g_timeShiftBoxes{&param::TIME_SHIFT_DAYS, &param::TIME_SHIFT_HOURS,
                                                           &param::TIME_SHIFT_MINS};

bool lf_timeShiftStored()
{
    for (const IntControlParameter* box : g_timeShiftBoxes)
        if (box->value.load() != box->defaultValue)
            return true;
    return false;
}

void lf_setParkingControls()
{
    using namespace param;
    gf_enableControl(RT_PARKTRAFFIC_ONLY, true);
    gf_applyParkTrafficOnly();
    gf_enableControl(CUSTOM_MAX_PARK, true);
    parking_percentage.value = 30; // every start, whatever was stored; not saved
    gf_setBoxInt(parking_percentage);
}

void lf_setTrafficControls()
{
    using namespace param;
    gf_enableControl(AUTO_RANGE, true);
    gf_enableControl(LATERAL_RANGE, !AUTO_RANGE.on());
    gf_enableControl(AUTO_RANGE_ABOVE_HEIGHT, AUTO_RANGE.on());
    for (const ParameterControl* control : std::array<const ParameterControl*, 5>{
             &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND, &GUID_CHANGES, &BLOCK_CALLSIGN, &MAX_LIVE})
        gf_enableControl(*control, true);
    gf_enableControl(LEARN_SOFT, false);
    gf_enableControl(UNBLOCK_BUTTON, !BLOCK_CALLSIGN.empty());
    gf_enableControl(CALLSIGN_2_OBJECTID, false); // the main loop enables it
    gf_enableControl(AI_PACKAGE_ORDER, LIG_AUTOMATIC.on());
    gf_enableControl(KEEP_SIM_TIME_PAR, true);
}

void lf_restoreTimeShift()
{
    using namespace param;
    if (SIM_TIME.on()) {
        lf_applySimTimeOption();
    } else if (!lf_timeShiftStored()) {
        for (const IntControlParameter* box : g_timeShiftBoxes)
            gf_clearBox(*box);
    } else {
        lf_timeShift((TIME_SHIFT_DAYS.value * 24 + TIME_SHIFT_HOURS.value) * 60 + TIME_SHIFT_MINS.value, true);
    }
    gf_enableControl(SIM_TIME, true);
    gf_enableControl(KEEP_SIM_TIME_PAR, true);
    // The shift boxes stay locked while the simulator's time is followed.
    gf_enableTimeShiftBoxes(!SIM_TIME.on());
}

} // namespace

void lf_enableStartupControls()
{
    lf_setParkingControls();
    lf_setTrafficControls();
    lf_restoreTimeShift();
}

} // namespace zyn
