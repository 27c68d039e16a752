#include "engine/merge.h"

#include "aircraft/ac_category.h"
#include "aircraft/aircraft_db.h"
#include "base/tick.h"
#include "engine/motion_inputs.h"
#include "engine/removal.h"
#include "engine/spawn.h"
#include "engine/stream_upkeep.h"
#include "settings/settings.h"

#include <algorithm>
#include <cmath>

namespace zyn {

namespace {

constexpr double kSameTimeSeconds = 1.0;
constexpr double kSlowKt = 5.0;
constexpr double kJumpKt = 80.0;
constexpr double kCruiseKt = 120.0;
constexpr double kTaxiKt = 30.0;
constexpr double kAirGapNm = 0.2429805615550756;     // 450 m
constexpr double kGroundGapNm = 0.010799136069114472; // 20 m
constexpr double kLongestWaitSeconds = 15.0;
constexpr double kElevationMarginFt = 120.0;
constexpr double kLowAltitudeFt = 10000.0;
constexpr double kNoParkAirportElevationFt = -1000.0;

double lf_secondsToCover(double nm, double kt) { return kt == 0.0 ? kLongestWaitSeconds : nm / kt * 3600.0; }

double lf_trackDifferenceDeg(double a, double b)
{
    const double d = std::fmod(std::abs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

// Heard as the service reports it anew, before the merge decides whether its stream keeps the report
// (a standing aircraft's at most every 15 s): the claims and the expiry measure its silence from here.
// A report sent again with a time already heard is no news of it.
void lf_hear(LiveAcRecord& a, double reportTime)
{
    if (reportTime <= a.lastHeardTime)
        return;
    a.lastHeardTime = reportTime;
    a.lastReportTick = g_tick.load();
}

} // namespace

bool gf_dropReport(const ReportStep& s)
{
    const double v = s.speedKt, vl = s.lastSpeedKt;
    if (s.seconds <= kSameTimeSeconds)
        return true;
    if ((vl > kSlowKt && v >= 10.0 * vl) || (v > kSlowKt && vl >= 10.0 * v))
        return true;
    if ((vl <= kSlowKt && v >= kJumpKt) || (v <= kSlowKt && vl >= kJumpKt))
        return true;
    if (s.keepWindow)
        return false;
    const double turn = lf_trackDifferenceDeg(s.trackDeg, s.lastTrackDeg);
    if (s.airborne)
        return v > kCruiseKt && turn <= 1.0 && lf_secondsToCover(kAirGapNm, v) >= s.seconds;
    return v <= kTaxiKt && turn <= 2.0 &&
           std::min(kLongestWaitSeconds, lf_secondsToCover(kGroundGapNm, v)) >= s.seconds;
}

bool gf_nearParkAirportElevation(double altitudeFt)
{
    const double elevation = g_motionInputs.parkAirportSet ? g_motionInputs.parkAirportAltitudeFt
                                                           : kNoParkAirportElevationFt;
    return altitudeFt > 0.0 && altitudeFt < kLowAltitudeFt && std::abs(altitudeFt - elevation) <= kElevationMarginFt;
}

bool lf_updateExistingLiveAc(const TrafficRecord& r, LiveAcRecord& a)
{
    if (r.hexId != a.hexId || a.gone)
        return false;
    lf_hear(a, r.reportTime);
    if (a.state == ObjectState::RespawnPending || a.state == ObjectState::RemovalRequested)
        return true;
    if (!a.stream.empty()) {
        const Situation& last = a.stream.back();
        const ReportStep step{r.reportTime - a.lastFeedTime, r.situation.groundSpeed, last.groundSpeed,
                              r.situation.track, last.track, r.situation.airborne != 0, a.keepWindow >= 1};
        if (r.reportTime == a.lastFeedTime || gf_dropReport(step))
            return true;
    }
    if (a.state == ObjectState::New && gf_nearParkAirportElevation(r.situation.altitude))
        return true;
    if (!gf_respawnLiveAc(a, r))
        return true;
    a.lastFeedTime = r.reportTime;
    decodeExisting(a, r.situation);
    return true;
}

void lf_mergeTrafficRecord(const TrafficRecord& r)
{
    for (auto& a : g_liveAircraft)
        if (lf_updateExistingLiveAc(r, a))
            return;
    const bool twin = !r.head.callsign.empty() &&
        std::any_of(g_liveAircraft.begin(), g_liveAircraft.end(), [&r](const LiveAcRecord& a) {
            return !a.gone && a.head.callsign == r.head.callsign && a.head.type == r.head.type;
        });
    if (!twin)
        lf_addNewLiveAc(r);
}

void lf_addNewLiveAc(TrafficRecord r)
{
    if (r.head.type.empty())
        r.head.type = gf_regType(r.head.registration);
    if (!gf_isKnownAircraftType(r.head.type)) {
        std::string type = gf_regType(r.head.registration);
        if (type.empty())
            return;
        r.head.type = std::move(type);
    }
    lf_createLiveAcRecord(r);
}

void lf_createLiveAcRecord(TrafficRecord& r)
{
    if (r.hexId <= kHighestStaticHexId)
        return; // numbers of static aircraft: a live record must never share them
    AcRecord aircraft = gf_makeAiAircraft(r.head);
    if (!gf_categoryEnabled(aircraft.category) || gf_nearParkAirportElevation(r.situation.altitude))
        return;
    aircraft.head.text1 = r.head.callsign;
    aircraft.head.text2.clear();
    aircraft.head.flag = 0;
    aircraft.hexId = r.hexId;
    gf_setLiveCategoryValues(aircraft);
    g_liveAircraft.emplace_back(r.situation, aircraft, r.reportTime);
}

} // namespace zyn
