#include "ui/session_controls.h"

#include "base/log.h"
#include "base/text_util.h"
#include "base/time_util.h"
#include "engine/identity.h"
#include "engine/records.h"
#include "parking/static_parking.h"
#include "platform/system/clock.h"
#include "platform/win32/window.h"
#include "requests/destination_request.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shown/display_state.h"
#include "shown/status_line.h"
#include "sim/link_state.h"
#include "traffic/client.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

#include <fmt/format.h>

namespace zyn {

std::atomic<std::int32_t> g_timeShiftMinutes{0};
std::atomic<std::int64_t> g_simTimeMark{0};

namespace {

void lf_showShiftPart(IntControlParameter& parameter, std::int64_t value)
{
    parameter.value = parameter.clamp(value);
    saveIntParameter(parameter);
    gf_setBoxInt(parameter);
}

const std::array<IntControlParameter*, 3> g_shiftPartBoxes{&param::TIME_SHIFT_DAYS, &param::TIME_SHIFT_HOURS,
                                                           &param::TIME_SHIFT_MINS};

} // namespace

void gf_enableTimeShiftBoxes(bool enable)
{
    for (const IntControlParameter* box : g_shiftPartBoxes)
        gf_enableControl(*box, enable);
}

void lf_applySimTimeOption()
{
    if (param::SIM_TIME.on()) {
        g_simTimeMark = 0;
        gf_enableTimeShiftBoxes(false);
        return;
    }
    lf_setTimeShiftParameters(0);
    lf_timeShift(0, false);
    g_simTimeMark = g_simEpoch.load();
    gf_enableTimeShiftBoxes(true);
}

void lf_enableTimeControls(bool enable)
{
    using namespace param;
    gf_enableControl(SIM_TIME, enable);
    gf_enableControl(KEEP_SIM_TIME_PAR, enable);
    // The shift boxes stay locked while the simulator's time is followed.
    gf_enableTimeShiftBoxes(enable && !SIM_TIME.on());
    g_timeControlsEnabled = enable ? 1 : 0;
    gf_repaintBand(Band::Settings); // the time labels are greyed with the controls
}

void lf_setTimeShiftParameters(std::int32_t minutes)
{
    using namespace param;
    const std::int64_t m = std::max(0, minutes);
    const std::int64_t days = TIME_SHIFT_DAYS.clamp(m / 1440);
    lf_showShiftPart(TIME_SHIFT_DAYS, days);
    lf_showShiftPart(TIME_SHIFT_HOURS, (m - days * 1440) / 60);
    lf_showShiftPart(TIME_SHIFT_MINS, m % 60);
}

void lf_timeShift(std::int32_t minutes, bool quiet)
{
    minutes = std::max(0, minutes);
    g_timeShifted = minutes > 0;
    if (minutes > kMaxTimeShiftMinutes) {
        minutes = kMaxTimeShiftMinutes;
        gf_log("Time shifting is limited to 4 weeks");
    }
    lf_setTimeShiftParameters(minutes);
    g_timeShiftMinutes = minutes;
    g_trafficClient.timeOffset = minutes;
    g_weatherClient.timeOffset = minutes;
    if (minutes == 0) {
        gf_setStatusMessage("Time shift = 0", true);
        for (const IntControlParameter* box : g_shiftPartBoxes)
            gf_clearBox(*box);
    }
    if (quiet)
        return;
    if (minutes != 0)
        gf_setStatusMessage(fmt::format("Time shifted {} minute{}", minutes, gf_plural(minutes)), true);
    g_removeAllAircraftRequest = 1;
    g_renewParkingRequest = 1;
}

void lf_setDestination(const std::string& code, LatLon position)
{
    param::DESTINATION.setValue(code);
    saveParameter(param::DESTINATION);
    gf_setBoxText(param::DESTINATION);
    gf_setStatusMessage(fmt::format("New destination: {}", code), true);
    gf_requestDestination({code, position});
    gf_enableControl(param::REREAD_BUTTON, false);
}

void lf_waitForFirstTraffic()
{
    const auto noTraffic = [] { return std::trunc(g_trafficClient.lastReportTime.load()) == 0.0; };
    for (int step = 0; step < 150 && noTraffic() && !gf_exitUnderWay(); ++step)
        gf_sleepFor(std::chrono::milliseconds(100), gf_exitUnderWay);
    if (noTraffic())
        gf_log("No traffic in this region?");
}

AcCountsShown gf_countAircraftShown()
{
    AcCountsShown counts;
    for (const auto& aircraft : g_liveAircraft) {
        if (aircraft.state != ObjectState::InSim)
            continue;
        if (aircraft.phase == MovePhase::Parked)
            ++counts.parkedLive;
        else
            ++counts.live;
    }
    counts.parkedStatic = static_cast<std::uint32_t>(std::count_if(
        g_staticAircraft.begin(), g_staticAircraft.end(),
        [](const AiAcRecord& aircraft) { return aircraft.state == ObjectState::InSim; }));
    return counts;
}

void lf_refreshAcCounts()
{
    const AcCountsShown counts = gf_countAircraftShown();
    gf_liveParkedStats(true); // repaints the statistics band when the mean parked time changed
    g_liveParkedMeanShown = g_liveParkedMeanHours.load();
    gf_staticParkedStats(true); // the statics' mean time stood
    if (g_liveCountShown.exchange(counts.live) != counts.live)
        gf_repaintBand(Band::Counters);
    const bool parkedLiveChanged = g_liveParkedShown.exchange(counts.parkedLive) != counts.parkedLive;
    const bool parkedStaticChanged = g_staticParkedShown.exchange(counts.parkedStatic) != counts.parkedStatic;
    if (parkedLiveChanged || parkedStaticChanged)
        gf_repaintBand(Band::Statistics);
}

} // namespace zyn
