// Aircraft flown tick by tick through the phases of a flight; the events they send are read from
// the simulator link's event queue, with the phase and height at which each was sent.
#include "aircraft/category_tables.h"
#include "airport/park_pos.h"
#include "engine/aircraft_events.h"
#include "engine/ground_phases.h"
#include "engine/identity.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/movement.h"
#include "engine/spawn.h"
#include "engine/stream_upkeep.h"
#include "sim/ids.h"
#include "sim/queues.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace zyn {
namespace {

using test::Report;
using test::ahead;

struct SentEvent {
    std::uint32_t id = 0;
    std::uint32_t value = 0;
    double altitudeFt = 0.0;
    double heightFt = 0.0;
    MovePhase phase = MovePhase::New;
};

struct Flight {
    std::vector<SentEvent> events;
    double largestPitchStep = 0.0; // radians per tick outside the take-off run and flare
    double largestBankStep = 0.0;  // radians per tick in the air
    bool alwaysFinite = true;
};

std::size_t countOf(const std::vector<SentEvent>& events, std::uint32_t id, std::uint32_t value)
{
    return static_cast<std::size_t>(std::count_if(
        events.begin(), events.end(), [&](const SentEvent& e) { return e.id == id && e.value == value; }));
}

// Index of the first event with this id and value; events.size() when none.
std::size_t firstOf(const std::vector<SentEvent>& events, std::uint32_t id, std::uint32_t value)
{
    return static_cast<std::size_t>(std::find_if(events.begin(), events.end(),
                                                 [&](const SentEvent& e) { return e.id == id && e.value == value; }) -
                                    events.begin());
}

class PhaseEvents : public test::EngineState {
protected:
    void SetUp() override { g_tick = 1; }

    // Moves the aircraft ticks times; the simulator's height above the field follows the block
    // as the in-range reports would give it.
    Flight fly(LiveAcRecord& a, int ticks, double fieldFt = 0.0, const std::function<bool()>& done = {})
    {
        Flight f;
        for (int i = 0; i < ticks && a.state == ObjectState::InSim && !(done && done()); ++i) {
            if (!a.onGround)
                a.heightAboveGroundFt = std::max(0.0, a.block.altitude - fieldFt);
            const double pitchBefore = a.block.pitch;
            const double bankBefore = a.block.bank;
            gf_moveLiveAc(a);
            if (!a.onGround)
                f.largestBankStep = std::max(f.largestBankStep, std::abs(a.block.bank - bankBefore));
            if (a.phase != MovePhase::TakeoffRoll && a.curveState == 0 && !a.settling)
                f.largestPitchStep = std::max(f.largestPitchStep, std::abs(a.block.pitch - pitchBefore));
            for (double v : {a.block.lat, a.block.lon, a.block.pitch, a.block.heading, a.block.altitude})
                f.alwaysFinite &= std::isfinite(v);
            for (const auto& e : g_eventQueue) {
                EXPECT_EQ(e.objectId, a.objectId);
                f.events.push_back({e.eventId, e.value, a.block.altitude, a.heightAboveGroundFt, a.phase});
            }
            g_eventQueue.clear();
            ++g_tick;
        }
        return f;
    }

    // An aircraft standing at a stand facing east, whose next report lies at `bearingDeg` 60 m away.
    LiveAcRecord parkedDeparting(double bearingDeg)
    {
        g_stands.emplace_back("A1", std::vector<ParkPosOption>{}, stand.lat, stand.lon, kPi / 2, 20.0, 0, 0, 0);
        g_stands.back().sid = 1;
        LiveAcRecord a = test::makeFlyingAircraft({{stand, 0, 0, 1}, {ahead(stand, bearingDeg, 60), 0, 8, 3000}});
        a.block.heading = kPi / 2;
        a.phase = MovePhase::Parked;
        a.stream.front().stationary = 1;
        a.initLat = stand.lat;
        a.initLon = stand.lon;
        a.initHeading = kPi / 2;
        a.standId = 1;
        a.departing = 1;
        return a;
    }

    const LatLon stand{50.0, 8.0};
};

using namespace simid;

TEST_F(PhaseEvents, PullOutLeavesTheStandForwardsWithEnginesAndTaxiLights)
{
    LiveAcRecord a = parkedDeparting(80.0);
    const Flight f = fly(a, 1);
    EXPECT_EQ(a.phase, MovePhase::Taxi);
    EXPECT_EQ(a.departing, 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sent;
    for (const auto& e : f.events)
        sent.emplace_back(e.id, e.value);
    EXPECT_EQ(sent, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                        {kNavLightsSet, 1}, {kBeaconLightsSet, 1}, {kLandingLightsSet, 0}, {kTaxiLightsSet, 1},
                        {kStrobesSet, 0}, {kLogoLightsSet, 1}, {kCabinLightsSet, 0}, {kEngineAutoStart, 0},
                        {kThrottleSet, 0}, {kFlapsSet, 3072}}));
    const double wingspanM = 2 * a.halfWingspanNm * kMetresPerNm;
    const LatLon target = gf_positionOf(a.stream.front());
    EXPECT_NEAR(gf_distanceNm(stand, target) * kMetresPerNm, wingspanM, 0.01);
    fly(a, 5000, 0.0, [&] { return gf_distanceNm(gf_positionOf(a.block), target) * kMetresPerNm < 0.05; });
    EXPECT_NEAR(std::abs(gf_angleDiff(a.block.heading, kPi / 2)), 0.0, 1e-9) << "straight ahead";
}

TEST_F(PhaseEvents, PushbackStraightOrTurnedThenEnginesStart)
{
    const struct {
        const char* name;
        bool turnKnown, positive;
        double turnDeg; // of the heading at the end
    } rows[] = {
        {"direction never shown: straight", false, false, 0.0},
        {"turning one way", true, true, 90.0},
        {"turning the other way", true, false, 90.0},
    };
    for (const auto& row : rows) {
        g_stands.clear();
        g_tick = 1;
        LiveAcRecord a = parkedDeparting(260.0);
        Flight f = fly(a, 1);
        ASSERT_EQ(a.phase, MovePhase::Pushback) << row.name;
        EXPECT_EQ(countOf(f.events, kEngineAutoStart, 0), 0u) << row.name << ": engines start after the push";
        a.pushbackTurnKnown = row.turnKnown ? 1 : 0;
        a.pushbackTurnPositive = row.positive ? 1 : 0;
        f = fly(a, 20000, 0.0, [&] { return a.phase == MovePhase::EnginesStarting; });
        ASSERT_EQ(a.phase, MovePhase::EnginesStarting) << row.name;
        EXPECT_EQ(countOf(f.events, kEngineAutoStart, 0), 1u) << row.name;
        EXPECT_EQ(countOf(f.events, kFlapsSet, 3072), 1u) << row.name;
        EXPECT_EQ(a.engineStartHold, 900.0) << row.name;
        const double turned = std::abs(gf_angleDiff(kPi / 2, a.block.heading)) * kRadToDeg;
        EXPECT_NEAR(turned, row.turnDeg, 20.0) << row.name;
        // Backwards: the aircraft ends up behind the stand, 2.5 stand radii (50 m) out when straight.
        const double back = gf_distanceNm(stand, gf_positionOf(a.block)) * kMetresPerNm;
        EXPECT_GT(back, 40.0) << row.name;
        EXPECT_LT(std::cos(gf_bearing(stand, gf_positionOf(a.block)) - kPi / 2), 0.0) << row.name;
        const Flight still = fly(a, 200);
        EXPECT_NEAR(gf_distanceNm(stand, gf_positionOf(a.block)) * kMetresPerNm, back, 1e-6)
            << row.name << ": engines starting, the aircraft stands";
    }
}

// Reports every 2 s along a heading with speed and vertical rate per leg.
std::vector<Report> legs(LatLon p, double bearingDeg, double altitude, std::int32_t t,
                         const std::vector<std::pair<double, double>>& ktFpm, double turnPerLegDeg = 0.0)
{
    std::vector<Report> reports;
    double previousKt = ktFpm.front().first;
    for (const auto& [kt, fpm] : ktFpm) {
        const double meanKt = (previousKt + kt) / 2.0;
        reports.push_back({p, altitude, kt, t, fpm});
        p = gf_destinationPoint(p, bearingDeg * kDegToRad, meanKt * kFeetPerNm * 200 / kTicksPerHour);
        altitude = std::max(0.0, altitude + fpm * 200 / 6000.0);
        previousKt = kt;
        t += 200;
        bearingDeg += turnPerLegDeg;
    }
    return reports;
}

TEST_F(PhaseEvents, TakeoffRollRotationGearUpAndClimbThrottleAtTheirHeights)
{
    std::vector<std::pair<double, double>> plan = {{30, 0}, {60, 0}, {90, 0}, {120, 0}, {150, 0}};
    for (int i = 0; i < 60; ++i)
        plan.emplace_back(160 + i, 2000);
    LiveAcRecord a = test::makeFlyingAircraft(legs({47.45, 8.55}, 60.0, 0.0, 1, plan));
    gf_setCategoryValues(a, AcCategory::Large);
    a.lastThrottle = 0;
    lf_prepareTakeoff(a);
    g_eventQueue.clear();
    const Flight f = fly(a, 9000, 0.0, [&] { return a.block.altitude > 2500.0; });
    ASSERT_GT(a.block.altitude, 2500.0);
    EXPECT_TRUE(f.alwaysFinite);
    const std::size_t gearUp = firstOf(f.events, kGearSet, 0);
    const std::vector<SentEvent> run(f.events.begin(), f.events.begin() + std::ptrdiff_t(std::min(gearUp, f.events.size())));
    EXPECT_EQ(countOf(run, kThrottleSet, 16383), 1u) << "full power once rolling fast";
    const std::size_t climbPower = firstOf(f.events, kThrottleSet, 11468);
    ASSERT_LT(gearUp, f.events.size());
    ASSERT_LT(climbPower, f.events.size());
    EXPECT_LT(gearUp, climbPower);
    EXPECT_GT(f.events[gearUp].altitudeFt, 0.0) << "gear up after lift-off";
    EXPECT_GE(f.events[climbPower].heightFt, 800.0);
    EXPECT_EQ(f.events[climbPower].phase, MovePhase::Airborne);
    EXPECT_EQ(countOf(f.events, kGearSet, 1), 0u);
    EXPECT_EQ(countOf(f.events, kLandingLightsSet, 1), 1u) << "low-level lights once";
    EXPECT_EQ(a.lastFlaps, 0u) << "flaps in above 2400 ft";
    EXPECT_LE(f.largestPitchStep, gf_categoryConstants(2).maxPitchRatePerTick + 1e-12);
    EXPECT_EQ(a.takingOff, 0);
}

TEST_F(PhaseEvents, TakeoffRunWithoutRotationTicksStillLeavesTheGround)
{
    LiveAcRecord a = test::makeFlyingAircraft(legs({47.45, 8.55}, 60.0, 0.0, 1, {{150, 0}, {160, 1500}}));
    a.rotationTicks = 0; // a record without category timings
    a.takingOff = 1;
    lf_startTakeoffRun(a);
    lf_takeoffRunTick(a);
    EXPECT_EQ(a.onGround, 0) << "otherwise every ground step would start the run again";
}

TEST_F(PhaseEvents, CruiseLightsAboveTenThousandFeetAndBackBelow)
{
    std::vector<std::pair<double, double>> plan(12, {280.0, 1500.0});
    plan.resize(24, {280.0, -1500.0});
    LiveAcRecord a = test::makeFlyingAircraft(legs({47.0, 8.0}, 0.0, 9500.0, 1, plan, 6.0)); // turning
    a.lastThrottle = 4;
    a.lastFlaps = 1;
    a.lowLightsSet = 1;
    const Flight f = fly(a, 6000);
    const std::size_t high = firstOf(f.events, kTaxiLightsSet, 0);
    ASSERT_LT(high, f.events.size());
    EXPECT_GE(f.events[high].altitudeFt, 10000.0 - 50.0);
    EXPECT_EQ(countOf(f.events, kCabinLightsSet, 1) >= 1, true);
    EXPECT_EQ(countOf(f.events, kThrottleSet, 11468), 1u);
    EXPECT_EQ(countOf(f.events, kFlapsSet, 0), 1u);
    EXPECT_EQ(countOf(f.events, kTaxiLightsSet, 0), 1u) << "once per crossing";
    const std::size_t low = firstOf(f.events, kTaxiLightsSet, 1);
    ASSERT_LT(low, f.events.size()) << "low lights again below 10000 ft";
    EXPECT_GT(low, high);
    EXPECT_LT(f.events[low].altitudeFt, 10000.0);
    const auto& limits = gf_categoryConstants(2);
    EXPECT_GT(f.largestBankStep, 0.0) << "the turns bank";
    EXPECT_LE(f.largestBankStep, limits.maxBankRatePerTick + 1e-12);
    EXPECT_LE(f.largestPitchStep, limits.maxPitchRatePerTick + 1e-12);
}

// Final approach of a Large aircraft to the park airport at 400 ft, from 1800 ft above it.
std::vector<Report> finalApproach(LatLon touchdown, int groundReports)
{
    std::vector<std::pair<double, double>> plan(18, {140.0, -700.0});
    plan.resize(18 + groundReports, {130.0, 0.0});
    const double distanceFt = 140.0 * kFeetPerNm * 200 * 18 / kTicksPerHour;
    const LatLon start = gf_destinationPoint(touchdown, kPi, distanceFt);
    auto reports = legs(start, 0.0, 2200.0, 1, plan);
    for (auto& r : reports)
        if (r.altitudeFt > 0.0)
            r.altitudeFt = std::max(r.altitudeFt, 400.0);
    for (std::size_t i = 18; i < reports.size(); ++i)
        reports[i].altitudeFt = 0.0;
    return reports;
}

TEST_F(PhaseEvents, ApproachConfigurationThenFlareStagesAimAtTheField)
{
    const LatLon field{47.0, 8.0};
    g_motionInputs.parkAirportSet = true;
    g_motionInputs.parkAirport = field;
    g_motionInputs.parkAirportAltitudeFt = 400.0;
    LiveAcRecord a = test::makeFlyingAircraft(finalApproach(field, 4));
    a.lastThrottle = 3;
    a.lastFlaps = 0;
    a.lowLightsSet = 1;
    a.staticCgFt = 8.0;
    const Flight f = fly(a, 9000, 400.0, [&] { return a.heightAboveGroundFt <= 0.5 && a.curveState > 0; });
    EXPECT_TRUE(f.alwaysFinite);
    const std::size_t flapsFull = firstOf(f.events, kFlapsSet, 16383);
    ASSERT_LT(flapsFull, f.events.size()) << "the approach began";
    EXPECT_LE(f.events[flapsFull].heightFt, 2050.0);
    EXPECT_EQ(countOf(f.events, kThrottleSet, 4914), 1u);
    EXPECT_GE(countOf(f.events, kGearSet, 1), 1u);
    EXPECT_LT(firstOf(f.events, kThrottleSet, 4914), firstOf(f.events, kThrottleSet, 0));
    EXPECT_EQ(countOf(f.events, kGearSet, 0), 0u) << "no go-around";
    const std::size_t idle = firstOf(f.events, kThrottleSet, 0);
    ASSERT_LT(idle, f.events.size()) << "idle in the flare";
    EXPECT_LE(f.events[idle].heightFt, a.staticCgFt + 10.0 + 1.0);
    EXPECT_EQ(a.landing, 1);
    EXPECT_GE(a.curveState, 3u);
    EXPECT_EQ(g_identityCheckIds, std::vector<std::uint32_t>{a.hexId});
    EXPECT_LE(f.largestPitchStep, gf_categoryConstants(2).maxPitchRatePerTick + 1e-12);
}

// Reports flying north towards the park airport at field, first descending then climbing away.
LiveAcRecord descendThenClimb(LatLon field, double southMetres, double altitude, std::pair<double, double> down,
                              int downCount, std::pair<double, double> up, int count, AcCategory category)
{
    g_motionInputs.parkAirportSet = true;
    g_motionInputs.parkAirport = field;
    std::vector<std::pair<double, double>> plan(std::size_t(downCount), down);
    plan.resize(std::size_t(count), up);
    return test::makeFlyingAircraft(legs(ahead(field, 180.0, southMetres), 0.0, altitude, 1, plan), category);
}

TEST_F(PhaseEvents, GoAroundOnceWhenTheApproachClimbsAway)
{
    LiveAcRecord a =
        descendThenClimb({47.0, 8.0}, 8000, 1500, {140.0, -700.0}, 6, {150.0, 1500.0}, 16, AcCategory::Large);
    a.lastThrottle = 3;
    a.lastFlaps = 0;
    a.lowLightsSet = 1;
    const Flight f = fly(a, 3200);
    EXPECT_EQ(countOf(f.events, kFlapsSet, 16383), 1u) << "approach";
    EXPECT_EQ(countOf(f.events, kThrottleSet, 16383), 1u) << "go-around power";
    EXPECT_EQ(countOf(f.events, kGearSet, 0), 1u);
    EXPECT_LT(firstOf(f.events, kFlapsSet, 16383), firstOf(f.events, kThrottleSet, 16383));
    EXPECT_EQ(a.goAroundDone, 1);
    EXPECT_EQ(a.landing, 0);
    EXPECT_EQ(a.lastFlaps, 0u);
}

TEST_F(PhaseEvents, RollOutStowsBelowNinetyKnotsAndEndsOffTheRunway)
{
    std::vector<std::pair<double, double>> plan = {{120, 0}, {100, 0}, {80, 0}, {60, 0}, {40, 0}};
    auto reports = legs({47.0, 8.0}, 0.0, 0.0, 1, plan);
    LatLon p = reports.back().at;
    for (int i = 1; i <= 4; ++i) { // turning off to the right
        p = ahead(p, 45.0, 60.0);
        reports.push_back({p, 0.0, 20.0, reports.back().playTime + 600, 0.0});
    }
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    a.rollingOut = 1;
    a.savedHeading = a.block.heading;
    a.lastThrottle = 0;
    a.lastFlaps = 3;
    Flight f = fly(a, 20000, 0.0, [&] { return !a.rollingOut; });
    ASSERT_EQ(a.rollingOut, 0);
    const std::size_t taxiFlaps = firstOf(f.events, kFlapsSet, 3072);
    ASSERT_LT(taxiFlaps, f.events.size());
    EXPECT_GE(countOf(f.events, kSpoilersSet, 0), 1u);
    EXPECT_EQ(f.events.back().id, kCabinLightsSet);
    EXPECT_EQ(f.events.back().value, 1u) << "cabin lit after leaving the runway";
    EXPECT_EQ(a.lastFlaps, 0u);
}

TEST_F(PhaseEvents, TouchAndGoLiftsOffAgainFromTheRollOut)
{
    std::vector<std::pair<double, double>> plan = {{125, 0}, {125, 0}, {130, 0}};
    plan.resize(40, {140.0, 1500.0});
    const auto reports = legs({47.0, 8.0}, 0.0, 0.0, 1, plan);
    LiveAcRecord a = test::makeFlyingAircraft({reports[0], reports[1]});
    gf_setCategoryValues(a, AcCategory::Large);
    a.rollingOut = 1;
    a.savedHeading = a.block.heading;
    a.lastThrottle = 0;
    a.lastFlaps = 3;
    for (std::size_t i = 2; i < reports.size(); ++i) // the reports arrive ahead of their play time
        decodeExisting(a, test::makeSituation(reports[i]));
    EXPECT_EQ(a.takingOff, 1) << "two airborne reports during the roll-out";
    bool ran = false;
    Flight f = fly(a, 9000, 0.0, [&] {
        ran |= a.phase == MovePhase::TakeoffRoll;
        return a.phase == MovePhase::Airborne;
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(a.phase, MovePhase::Airborne);
    EXPECT_EQ(a.rollingOut, 0);
    EXPECT_LT(firstOf(f.events, kGearSet, 0), f.events.size());
    EXPECT_EQ(countOf(f.events, kSpoilersSet, 0), 0u) << "no roll-out stowing once lifting off";
}

TEST_F(PhaseEvents, HelicopterGetsNoGearFlapsOrSpoilers)
{
    LiveAcRecord a =
        descendThenClimb({47.0, 8.0}, 5000, 500, {90.0, -500.0}, 10, {90.0, 1500.0}, 20, AcCategory::Rotorcraft);
    const Flight f = fly(a, 4000);
    ASSERT_FALSE(f.events.empty());
    for (const auto& e : f.events) {
        EXPECT_NE(e.id, kGearSet);
        EXPECT_NE(e.id, kFlapsSet);
        EXPECT_NE(e.id, kSpoilersSet);
        if (e.id == kThrottleSet) {
            EXPECT_EQ(e.value, 16383u);
        }
    }
}

TEST_F(PhaseEvents, TaxiToTheStandParksWithEnginesOffAndQueuesTheIdentityCheck)
{
    g_stands.emplace_back("A1", std::vector<ParkPosOption>{}, stand.lat, stand.lon, kPi / 2, 20.0, 0, 0, 0);
    g_stands.back().sid = 1;
    const LatLon from = ahead(stand, 200, 120);
    LiveAcRecord a = test::makeFlyingAircraft({{from, 0, 8, 1}, {ahead(from, 20, 40), 0, 8, 1000}});
    a.standId = 1;
    a.initLat = stand.lat;
    a.initLon = stand.lon;
    a.initHeading = kPi / 2;
    a.lastThrottle = 0;
    a.lastFlaps = 1;
    lf_setPhase(a, MovePhase::TaxiToStand);
    drive2Stand(a, {stand.lat, stand.lon, kPi / 2});
    const Flight f = fly(a, 60000, 0.0, [&] { return a.phase == MovePhase::Parked; });
    ASSERT_EQ(a.phase, MovePhase::Parked);
    EXPECT_TRUE(f.alwaysFinite);
    EXPECT_LT(gf_distanceNm(stand, gf_positionOf(a.block)) * kMetresPerNm, 2.0);
    EXPECT_EQ(countOf(f.events, kEngineAutoShutdown, 0), 1u);
    EXPECT_EQ(countOf(f.events, kFlapsSet, 0), 1u);
    EXPECT_EQ(g_identityCheckIds, std::vector<std::uint32_t>{a.hexId});
}

TEST_F(PhaseEvents, DriveToStandWithoutTaxiSpeedStaysTimedAndEndsStanding)
{
    LiveAcRecord a = test::makeFlyingAircraft({{stand, 0, 10, 1}, {ahead(stand, 0, 100), 0, 0, 800}});
    a.categorySpeedStep = 0.0; // an aircraft record without a stand taxi speed
    const LatLon target = ahead(stand, 10, 150);
    drive2Stand(a, {target.lat, target.lon, 1.0});
    ASSERT_EQ(a.stream.size(), 4u);
    EXPECT_GT(a.stream[2].timeKey, a.stream[1].timeKey);
    EXPECT_EQ(a.stream[3].timeKey, a.stream[2].timeKey + 50);
    EXPECT_EQ(a.stream[3].stationary, 1);
    EXPECT_EQ(a.stream[3].groundSpeed, 0.0);
    EXPECT_EQ(a.track, 1.0);
    for (const auto& s : a.stream)
        EXPECT_TRUE(std::isfinite(s.groundSpeed) && s.groundSpeed >= 0.0);
}

} // namespace
} // namespace zyn
