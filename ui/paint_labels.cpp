// The labels of the settings band, each on the row of its control, and the parking statistics band.
#include "base/text_util.h"
#include "platform/win32/window.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "ui/paint_state.h"

#include <vector>

#include <fmt/format.h>

namespace zyn {

namespace {

using ColourRule = COLORREF (*)(const PaintState&);

struct Label {
    int x;
    const ParameterControl* row;
    const char* text;
    ColourRule colour;
};

COLORREF lf_black(const PaintState&) { return kBlack; }
COLORREF lf_blackOrGrey(bool enabled) { return enabled ? kBlack : kGrey; }
COLORREF lf_yellowOrBlack(bool on) { return on ? kYellow : kBlack; }
COLORREF lf_byTimeControls(const PaintState& s) { return lf_blackOrGrey(s.timeControlsEnabled); }
COLORREF lf_byMsfs2020(const PaintState&) { return lf_blackOrGrey(param::MSFS_2020.on()); }
COLORREF lf_byAutoRange(const PaintState&) { return lf_blackOrGrey(param::AUTO_RANGE.on()); }
COLORREF lf_ptOnlyGrey(const PaintState&) { return param::RT_PARKTRAFFIC_ONLY.on() ? kGrey : kBlack; }

// Black while the control is enabled, else grey.
COLORREF lf_byOwnControl(const ParameterControl& control)
{
    return lf_blackOrGrey(IsWindowEnabled(gf_controlWindow(control)) != FALSE);
}

COLORREF lf_yellowWhenChanged(const IntParameter& parameter)
{
    return parameter.value.load() != parameter.defaultValue ? kYellow : kGrey;
}

COLORREF lf_initialLoadOnly(const PaintState&)
{
    if (param::RT_PARKTRAFFIC_ONLY.on())
        return kGrey;
    return lf_yellowOrBlack(param::INITIAL_LOAD_ONLY.on());
}

// The labels whose text never changes, in the order in which they are drawn.
const std::vector<Label>& lf_fixedLabels()
{
    using namespace param;
    static const std::vector<Label> labels{
        {652, &TIME_SHIFT_DAYS, "Time shift:", lf_byTimeControls},
        {672, &KEEP_SIM_TIME_PAR, "Save", lf_byTimeControls},
        {672, &TIME_SHIFT_HOURS, "Sim Time", lf_byTimeControls},
        {672, &LOG, "Log", lf_black},
        {768, &ALWAYS_ON_TOP, "Stay on top", [](const PaintState&) { return lf_yellowOrBlack(ALWAYS_ON_TOP.on()); }},
        {768, &LEARN_SOFT, "Learn Soft", lf_black},
        {672, &NAV_LIGHTS_WHILE_PARKED, "Nav lights", lf_black},
        {768, &GUID_CHANGES, "GUID changes", [](const PaintState&) { return lf_yellowOrBlack(!GUID_CHANGES.on()); }},
        {672, &CALLSIGN_OBJECTIDS, "objectids", lf_byMsfs2020},
        {25, &ALL_INSTALL_PATH, "Install path:", lf_byMsfs2020},
        {25, &LIG_AUTOMATIC, "Scan for liveries", [](const PaintState&) { return lf_yellowOrBlack(SCAN_LIVERIES.on()); }},
        {237, &LIG_AUTOMATIC, "Automatic, selector:", lf_black},
        {450, &LIG_PRIORITIZE, "Prioritize", lf_black},
        {556, &SUPPRESS_STUB, "Stub", lf_black},
        {25, &SCAN_AIRPORTS, "Scan for addon airports",
         [](const PaintState&) { return lf_yellowOrBlack(SCAN_AIRPORTS.on()); }},
        {5, &MATCHING_DEPTH, "Max aircraft matching depth", lf_black},
        {253, &LIGHT_AIRCRAFT, "Optional:", lf_black},
        {343, &LIGHT_AIRCRAFT, "Light aircraft", [](const PaintState&) { return lf_byOwnControl(LIGHT_AIRCRAFT); }},
        {450, &HELICOPTERS, "Helicopters", [](const PaintState&) { return lf_byOwnControl(HELICOPTERS); }},
        {556, &HIGH_PERF_AIRCRAFT, "FighterJets", [](const PaintState&) { return lf_byOwnControl(HIGH_PERF_AIRCRAFT); }},
        {5, &LATERAL_RANGE, "Traffic injection", lf_black},
        {167, &LATERAL_RANGE, "radius:", lf_black},
        {260, &LATERAL_RANGE, "nm,  or", lf_black},
        {343, &AUTO_RANGE, "auto range", lf_black},
        {430, &AUTO_RANGE_ABOVE_HEIGHT, "ah:", lf_byAutoRange},
        {510, &AUTO_RANGE_ABOVE_HEIGHT, "ft", lf_byAutoRange},
        {5, &BLOCK_CALLSIGN, "Callsigns", lf_black},
        {172, &BLOCK_CALLSIGN, "block:", lf_black},
        {430, &CALLSIGN_2_OBJECTID, "oid:", lf_black},
        {5, &COLLISION_USER_GND, "Collision avoidance", lf_black},
        {237, &COLLISION_USER_GND, "User ground", lf_black},
        {343, &COLLISION_USER_AIR, "User air", lf_black},
        {450, &COLLISION_LIVE_PARKED_GND, "Live X parked", lf_black},
        {217, &CUSTOM_MAX_PARK, "generic max park:", [](const PaintState&) { return lf_yellowWhenChanged(CUSTOM_MAX_PARK); }},
        {536, &MAX_LIVE, "max live:", [](const PaintState&) { return lf_yellowWhenChanged(MAX_LIVE); }},
        {672, &STRAIGHT_PBS_ONLY, "Straight push backs only",
         [](const PaintState&) { return lf_blackOrGrey(STRAIGHT_PBS_ONLY.on()); }},
        {139, &DESTINATION, "destination:", lf_black},
        {303, &AIRPORT_RANGE, "range:", lf_black},
        {393, &AIRPORT_RANGE, "nm", lf_black},
        {440, &AIRPORT_HEIGHT, "height above gnd:", lf_black},
        {621, &AIRPORT_HEIGHT, "ft", lf_black},
        {25, &PARK_FAKE, "Fake", lf_ptOnlyGrey},
        {91, &WEEK, "Week", lf_ptOnlyGrey},
        {171, &PARK_SOFT, "Soft", lf_ptOnlyGrey},
        {264, &parking_percentage, "wanted: ", lf_ptOnlyGrey},
        {363, &parking_percentage, "%", lf_ptOnlyGrey},
        {450, &INITIAL_LOAD_ONLY, "ILO", lf_initialLoadOnly},
        {506, &MAX_FIT_FL, "Max fit:", lf_ptOnlyGrey},
        {662, &RT_PARKTRAFFIC_ONLY, "PT only", lf_black},
    };
    return labels;
}

int lf_rowOf(const ParameterControl& control) { return static_cast<int>(control.row); }

void lf_paintTimeUnits(Painter& p, const PaintState& s)
{
    using namespace param;
    const COLORREF colour = lf_byTimeControls(s);
    p.text(788, lf_rowOf(TIME_SHIFT_DAYS), fmt::format("day{}", gf_plural(TIME_SHIFT_DAYS.value.load())), colour);
    p.text(788, lf_rowOf(TIME_SHIFT_HOURS), fmt::format("hour{}", gf_plural(TIME_SHIFT_HOURS.value.load())), colour);
    p.text(788, lf_rowOf(TIME_SHIFT_MINS), fmt::format("minute{}", gf_plural(TIME_SHIFT_MINS.value.load())), colour);
}

// The minutes to the next renewal, while parking from the file is under way and nothing changes it.
bool lf_showsNextRenewal(const PaintState& s)
{
    const bool renews = !param::INITIAL_LOAD_ONLY.on() || param::RT_PARKTRAFFIC_ONLY.on();
    return s.parkingLoaded && !s.parkingBusy && renews && s.renewalMinutes >= 1 && s.renewalMinutes <= 19;
}

void lf_paintChangingLabels(Painter& p, const PaintState& s)
{
    using namespace param;
    lf_paintTimeUnits(p, s);
    const std::uint32_t setAside = s.texts.parking.setAsideAirports;
    if (setAside > 0)
        p.text(217, lf_rowOf(SCAN_AIRPORTS), fmt::format("{} airport{} in {} folder", setAside, gf_plural(setAside), "TBLO"),
               kYellow);
    if (!s.texts.callsignAnswer.empty() && !CALLSIGN_2_OBJECTID.empty())
        p.text(561, lf_rowOf(CALLSIGN_2_OBJECTID), s.texts.callsignAnswer, kBlack);
    p.text(5, lf_rowOf(CUSTOM_MAX_PARK), fmt::format("Airport parking{}", s.parkingBusy ? " active" : ""),
           lf_yellowOrBlack(s.parkingBusy));
    if (lf_showsNextRenewal(s))
        p.text(5, lf_rowOf(AIRPORT_RANGE), fmt::format("(next in {} min)", s.renewalMinutes), kBlack);
}

void lf_paintStatisticsRow1(Painter& p, const ParkingDisplay& d)
{
    constexpr int y = 399;
    p.text(5, y, d.airportLabel, d.parkFileRead ? kGreen : kYellow);
    if (!d.parkFileRead)
        return;
    p.text(85, y, fmt::format(" {}, {}{}, wk={}", d.fileText1, d.fileText2, d.handmade ? " (h)" : "", d.trafficWeek),
           kGreen);
    if (d.softParking)
        p.text(370, y, "*S*", kGreen);
    if (!param::RT_PARKTRAFFIC_ONLY.on())
        p.text(430, y, fmt::format("qf: {}", d.qualityText), kGreen);
    if (!d.reservedStand.empty())
        p.text(571, y, fmt::format("reserved stand: {}", d.reservedStand), d.reservedFound ? kGreen : kRed);
    p.text(748, y, fmt::format("# updates: {:4}", d.updates), kGreen);
}

void lf_paintStatisticsRow2(Painter& p, const PaintState& s)
{
    constexpr int y = 427;
    const ParkingDisplay& d = s.texts.parking;
    p.text(5, y, fmt::format("# stands: {:3}", d.stands), kGreen);
    p.text(111, y, fmt::format("parked live: {:3}", s.parkedLive), kGreen);
    if (s.liveParkedMeanHours > 0.0)
        p.text(249, y, fmt::format("average fit: {}", gf_formatNumber(s.liveParkedMeanHours)), kGreen);
    if (d.parkCount > 0) {
        p.text(430, y, fmt::format("parked static: {:3}", s.parkedStatic), kGreen);
        if (!param::WEEK.on() && d.staticAverage > 0.0f)
            p.text(571, y, fmt::format("average fit: {}", gf_formatNumber(d.staticAverage)), kGreen);
    }
    if (param::RT_PARKTRAFFIC_ONLY.on())
        return;
    p.text(708, y,
           d.parkCount != 0 ? fmt::format("max park: {:3} (={} %)", d.parkCount, d.achievedPercent)
                            : std::string("no max park live"),
           kGreen);
}

} // namespace

void lf_paintControls(Painter& p, const PaintState& s)
{
    for (const Label& label : lf_fixedLabels())
        p.text(label.x, lf_rowOf(*label.row), label.text, label.colour(s));
    lf_paintChangingLabels(p, s);
}

void lf_paintStatistics(Painter& p, const PaintState& s)
{
    if (s.texts.parking.airportLabel.empty())
        return;
    lf_paintStatisticsRow1(p, s.texts.parking);
    lf_paintStatisticsRow2(p, s);
}

} // namespace zyn
