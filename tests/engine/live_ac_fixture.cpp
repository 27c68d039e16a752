#include "tests/engine/live_ac_fixture.h"

#include "engine/identity.h"
#include "engine/motion_math.h"
#include "engine/spawn.h"
#include "sim/queues.h"

namespace zyn::test {

Situation makeSituation(const Report& r)
{
    Situation s;
    s.lat = r.at.lat;
    s.lon = r.at.lon;
    s.altitude = r.altitudeFt;
    s.groundSpeed = r.speedKt;
    s.airspeed = r.speedKt;
    s.timeKey = r.playTime;
    s.verticalRate = r.verticalFpm;
    s.airborne = r.altitudeFt > 0.0 ? 1 : 0;
    return s;
}

LatLon ahead(LatLon p, double bearingDeg, double metres)
{
    return gf_destinationPoint(p, bearingDeg * kDegToRad, metres / 0.3048);
}

std::vector<Report> straightTrack(LatLon start, double bearingDeg, double speedKt, double altitudeFt,
                                  double verticalFpm, std::int32_t firstTime, std::int32_t intervalTicks, int count)
{
    std::vector<Report> reports;
    LatLon p = start;
    double alt = altitudeFt;
    const double feetPerInterval = speedKt * kFeetPerNm * intervalTicks / kTicksPerHour;
    for (int i = 0; i < count; ++i) {
        reports.push_back({p, alt, speedKt, firstTime + i * intervalTicks, verticalFpm});
        p = gf_destinationPoint(p, bearingDeg * kDegToRad, feetPerInterval);
        alt += verticalFpm * intervalTicks / 6000.0;
    }
    return reports;
}

LiveAcRecord makeFlyingAircraft(const std::vector<Report>& reports, AcCategory category)
{
    AcRecord ac;
    ac.head.callsign = "TST123";
    ac.head.type = "A320";
    ac.hexId = 0x4B1234;
    ac.category = category;
    ac.halfWingspanNm = 17.0 / kMetresPerNm;
    gf_setLiveCategoryValues(ac);
    LiveAcRecord a(makeSituation(reports.at(0)), ac, 0.0);
    for (std::size_t i = 1; i < reports.size(); ++i)
        a.stream.push_back(makeSituation(reports[i]));
    const Situation& f = a.stream[0];
    a.block.lat = f.lat;
    a.block.lon = f.lon;
    a.block.altitude = f.altitude;
    a.block.heading = gf_bearing(gf_positionOf(f), gf_positionOf(a.stream[1]));
    a.onGround = f.airborne ? 0 : 1;
    a.phase = f.airborne ? MovePhase::Airborne : MovePhase::Taxi;
    a.state = ObjectState::InSim;
    a.objectId = 100;
    return a;
}

namespace {
void lf_resetEngine()
{
    g_tick = 0;
    g_motionInputs = MotionInputs{};
    g_liveAircraft.clear();
    g_staticAircraft.clear();
    g_stands.clear();
    g_pendingCreationIds.clear();
    g_liveCreationQueue.clear();
    g_staticCreationQueue.clear();
    g_removalQueue.clear();
    g_identityCheckIds.clear();
    g_liveParkedDisplay.clear();
    gf_resetSimQueues();
}
} // namespace

EngineState::EngineState() { lf_resetEngine(); }
EngineState::~EngineState() { lf_resetEngine(); }

} // namespace zyn::test
