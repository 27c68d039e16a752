#include "engine/motion.h"

#include "aircraft/category_tables.h"
#include "airport/park_pos.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "parking/park_airport.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/user_aircraft.h"
#include "tests/engine/live_ac_fixture.h"
#include "traffic/client.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zyn {
namespace {

using test::Report;

class Motion : public test::EngineState {
protected:
    // Two reports of a Large aircraft on the ground or in the air.
    static LiveAcRecord pair(Report a, Report b) { return test::makeFlyingAircraft({a, b}); }
};

TEST_F(Motion, MeanSpeedOfALeg)
{
    const LatLon p{50.0, 8.0};
    const LatLon q = gf_destinationPoint(p, 0.0, kFeetPerNm); // 1 nm north
    const struct {
        const char* name;
        Report front, next;
        double knots;
    } rows[] = {
        {"mean of two speeds", {p, 0, 100, 0}, {q, 0, 200, 3600}, 150.0},
        {"one speed known", {p, 0, 0, 0}, {q, 0, 40, 3600}, 20.0},
        {"from distance and time", {p, 0, 0, 0}, {q, 0, 0, 3600}, 100.0},
        {"time too short counts as 25 ticks", {p, 0, 0, 100}, {q, 0, 0, 110}, 14400.0},
        {"time running backwards counts as 25 ticks", {p, 0, 0, 100}, {q, 0, 0, 50}, 14400.0},
        {"same place, never below 1 kt", {p, 0, 0, 0}, {p, 0, 0, 3600}, 1.0},
    };
    for (const auto& row : rows)
        EXPECT_NEAR(lf_meanSpeed(pair(row.front, row.next)), row.knots, row.knots * 1e-6) << row.name;
}

TEST_F(Motion, NextPlayTimeStaysInsideItsWindow)
{
    const LatLon p{50.0, 8.0};
    const struct {
        const char* name;
        std::int32_t clock, reported, keepWindow;
        std::int64_t wanted, result;
    } rows[] = {
        {"inside", 0, 2000, 0, 2500, 2500},
        {"cut ahead", 0, 2000, 0, 3500, 3000},
        {"raised behind", 0, 2000, 0, 500, 1000},
        {"never before now", 1500, 2000, 0, 500, 1500},
        {"continuations ignore the window", 0, 2000, 2, 9000, 9000},
        {"continuations still not before now", 700, 2000, 2, 100, 700},
        {"far ahead is clamped to the clock range", 0, 2000, 2, 1LL << 40, INT32_MAX},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = pair({p, 0, 10, 0}, {p, 0, 10, row.reported});
        a.keepWindow = row.keepWindow;
        g_tick = row.clock;
        lf_setNextPlayTime(a, row.wanted);
        EXPECT_EQ(a.stream[1].timeKey, row.result) << row.name;
    }
}

TEST_F(Motion, TicksToNextAreAtLeast25)
{
    const LatLon p{50.0, 8.0};
    LiveAcRecord a = pair({p, 0, 10, 0}, {p, 0, 10, 300});
    g_tick = 100;
    EXPECT_EQ(lf_ticksToNext(a), 200.0);
    g_tick = 290;
    EXPECT_EQ(lf_ticksToNext(a), 25.0);
    g_tick = 1000; // the play time has passed
    EXPECT_EQ(lf_ticksToNext(a), 25.0);
}

TEST_F(Motion, PassedPlayTimeStillGivesFiniteRatesOver25Ticks)
{
    const LatLon p{50.0, 8.0};
    const LatLon q = gf_destinationPoint(p, kPi / 2, 300.0);
    LiveAcRecord a = pair({p, 0, 0, 0}, {q, 0, 0, 0});
    a.keepWindow = 2; // no window: the next play time is only kept from the past
    g_tick = 5000;
    a.stream[0].timeKey = 4000;
    a.stream[1].timeKey = 4000;
    nextPos(a);
    ASSERT_EQ(a.stream.size(), 1u);
    EXPECT_GE(a.stream[0].timeKey, g_tick + 25);
    EXPECT_TRUE(std::isfinite(a.latPerTick) && std::isfinite(a.lonPerTick));
    const double ticks = a.stream[0].timeKey - g_tick;
    EXPECT_NEAR(a.lonPerTick * ticks, q.lon - p.lon, 1e-12);
}

TEST_F(Motion, SamePositionTwiceIsAStopThatNarrowsTheWindows)
{
    const LatLon p{50.0, 8.0};
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 10, 0}, {p, 0, 0, 200}, {p, 0, 0, 400}, {p, 0, 0, 600}});
    a.windowBack = 1250;
    a.windowAhead = 1180;
    const struct {
        std::int32_t back, ahead;
    } after[] = {{1150, 1080}, {1050, 1000}, {1000, 1000}};
    for (const auto& expected : after) {
        nextPos(a);
        EXPECT_TRUE(a.stream.front().stationary);
        EXPECT_EQ(a.latPerTick, 0.0);
        EXPECT_EQ(a.lonPerTick, 0.0);
        EXPECT_EQ(a.windowBack, expected.back);
        EXPECT_EQ(a.windowAhead, expected.ahead);
    }
}

TEST_F(Motion, AirborneAircraftSkipsAStopButAHelicopterHovers)
{
    const LatLon p{50.0, 8.0};
    const LatLon q = gf_destinationPoint(p, 0.0, 3000.0);
    for (AcCategory category : {AcCategory::Large, AcCategory::Rotorcraft}) {
        LiveAcRecord a = test::makeFlyingAircraft({{p, 3000, 150, 0}, {p, 3000, 0, 200}, {q, 3000, 150, 400}}, category);
        a.stream[1].stationary = 1;
        nextPosMain(a);
        const bool hovers = category == AcCategory::Rotorcraft;
        EXPECT_EQ(a.stream.size(), hovers ? 2u : 1u);
        EXPECT_EQ(a.stream.front().lat, hovers ? p.lat : q.lat);
    }
}

TEST_F(Motion, TaxiingAircraftWhoseDataStopsWaitsThenGoes)
{
    const LatLon p{50.0, 8.0};
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 10, 0}, {p, 0, 10, 100}});
    a.stream.pop_front();
    g_tick = 100;
    nextPosMain(a); // the stream ran dry: a stationary copy 3 s later
    EXPECT_EQ(a.state, ObjectState::InSim);
    EXPECT_EQ(a.holding, 1);
    EXPECT_EQ(a.holdStartTick, 100);
    ASSERT_EQ(a.stream.size(), 1u);
    EXPECT_TRUE(a.stream.front().stationary);
    EXPECT_EQ(a.stream.front().timeKey, 400);

    const std::int32_t limitTicks = (param::MAX_HOLDING_MINUTES.value + 1) * 6000;
    g_tick = 100 + limitTicks - 1; // the waiting time is counted in whole minutes
    nextPosMain(a);
    EXPECT_EQ(a.state, ObjectState::InSim);
    g_tick = 100 + limitTicks;
    nextPosMain(a);
    EXPECT_EQ(a.state, ObjectState::RemovalRequested);
    EXPECT_EQ(g_removalQueue, std::deque<std::uint32_t>{100});
}

TEST_F(Motion, WaitingAircraftGoesAtOnceWhenAnotherTaxiesWithinReach)
{
    const LatLon p{50.0, 8.0};
    LiveAcRecord other = test::makeFlyingAircraft({{gf_destinationPoint(p, 0.0, 100.0), 0, 10, 0}, {p, 0, 10, 100}});
    other.objectId = 200;
    g_liveAircraft.push_back(other);
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 10, 0}, {p, 0, 10, 100}});
    a.stream.pop_front();
    nextPosMain(a);
    EXPECT_EQ(a.state, ObjectState::RemovalRequested);

    g_liveAircraft.front().block.lat += 0.01; // now 0.6 nm away
    LiveAcRecord b = test::makeFlyingAircraft({{p, 0, 10, 0}, {p, 0, 10, 100}});
    b.stream.pop_front();
    nextPosMain(b);
    EXPECT_EQ(b.state, ObjectState::InSim);
    EXPECT_EQ(b.holding, 1);
}

TEST_F(Motion, AirborneAircraftNearTheUserCoastsEightTimesSlowingDown)
{
    const LatLon p{50.0, 8.0};
    g_motionInputs.user = gf_destinationPoint(p, 0.0, 5 * kFeetPerNm);
    LiveAcRecord a = test::makeFlyingAircraft({{p, 5000, 200, 0}, {p, 5000, 200, 100}});
    a.stream.pop_front();
    std::vector<double> speeds;
    for (int step = 0; step < 20; ++step) {
        nextPosMain(a); // each step flies to the one continuation appended
        if (a.state != ObjectState::InSim)
            break;
        speeds.push_back(a.stream.front().groundSpeed);
        g_tick = a.stream.front().timeKey;
    }
    ASSERT_EQ(speeds.size(), 8u);
    double expected = 200.0;
    for (double v : speeds) {
        expected *= 0.95;
        EXPECT_NEAR(v, expected, 1e-9);
    }
    EXPECT_EQ(a.state, ObjectState::RemovalRequested);
}

TEST_F(Motion, FirstContinuationsByWhereTheAircraftIs)
{
    const LatLon p{50.0, 8.0};
    const LatLon inRange = gf_destinationPoint(p, 0.0, 10 * kFeetPerNm);
    const LatLon outOfRange = gf_destinationPoint(p, 0.0, 45 * kFeetPerNm);
    const struct {
        const char* name;
        double altitude;
        LatLon user;
        bool autoGround;
        std::int32_t granted; // 0: removed
    } rows[] = {
        {"air near the user", 5000, inRange, false, 8},
        {"air beyond the range", 5000, outOfRange, false, 0},
        {"air, user not known yet", 5000, {0.0, 0.0}, false, 8},
        {"air with the ground range", 5000, inRange, true, 0},
        {"ground taxiing is held instead", 0, inRange, false, 1},
    };
    for (const auto& row : rows) {
        g_removalQueue.clear();
        g_motionInputs.user = row.user;
        g_motionInputs.autoGroundRange = row.autoGround;
        LiveAcRecord a = test::makeFlyingAircraft({{p, row.altitude, 200, 0}, {p, row.altitude, 200, 100}});
        a.stream.pop_front();
        nextPosMain(a);
        EXPECT_EQ(a.keepWindow, row.granted) << row.name;
        EXPECT_EQ(a.state, row.granted ? ObjectState::InSim : ObjectState::RemovalRequested) << row.name;
    }
}

TEST_F(Motion, ParkedAircraftIsContinuedByAWeek)
{
    const LatLon p{50.0, 8.0};
    g_stands.emplace_back("B12", std::vector<ParkPosOption>{}, p.lat, p.lon, 0.0, 30, 1, 1, 1);
    g_stands.back().sid = 1;
    g_stands.back().liveOccupied = true;
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 0, 1000}, {p, 0, 0, 1100}});
    a.stream.pop_front();
    a.phase = MovePhase::Parked;
    a.standId = 1;
    nextPosMain(a);
    EXPECT_EQ(a.state, ObjectState::InSim);
    EXPECT_EQ(a.keepWindow, 1);
    ASSERT_EQ(a.stream.size(), 1u);
    EXPECT_EQ(a.stream.front().timeKey, 1100 + 100 * 604800);
    EXPECT_TRUE(a.stream.front().stationary);
}

TEST_F(Motion, ArrivalAtTheStandParksOnlyWithinTwoMetres)
{
    const LatLon stand{50.0, 8.0};
    g_stands.emplace_back("B12", std::vector<ParkPosOption>{}, stand.lat, stand.lon, 0.0, 30, 1, 1, 1);
    g_stands.back().sid = 7;
    const struct {
        const char* name;
        double metresAway;
        bool occupied;
        MovePhase phase;
        ObjectState state;
    } rows[] = {
        {"on the spot", 0.0, false, MovePhase::Parked, ObjectState::InSim},
        {"1.5 m off", 1.5, false, MovePhase::Parked, ObjectState::InSim},
        {"3 m off taxis on", 3.0, false, MovePhase::Taxi, ObjectState::InSim},
        {"another aircraft holds it", 0.0, true, MovePhase::TaxiToStand, ObjectState::RemovalRequested},
    };
    for (const auto& row : rows) {
        g_stands.back().liveOccupied = row.occupied;
        g_liveAircraft.clear();
        if (row.occupied) {
            g_liveAircraft.push_back(test::makeFlyingAircraft({{stand, 0, 3, 0}, {stand, 0, 3, 100}}));
            g_liveAircraft.back().standId = 7;
            g_liveAircraft.back().phase = MovePhase::Parked;
            g_liveAircraft.back().hexId = 0x4b0001;
        }
        LiveAcRecord a = test::makeFlyingAircraft({{stand, 0, 3, 0}, {stand, 0, 3, 100}});
        a.phase = MovePhase::TaxiToStand;
        a.standId = 7;
        a.initLat = stand.lat;
        a.initLon = stand.lon;
        const LatLon at = gf_destinationPoint(stand, 1.0, row.metresAway / 0.3048);
        a.block.lat = at.lat;
        a.block.lon = at.lon;
        lf_arriveAtStand(a);
        EXPECT_EQ(a.phase, row.phase) << row.name;
        EXPECT_EQ(a.state, row.state) << row.name;
        EXPECT_EQ(g_stands.back().liveOccupied, row.occupied) << row.name;
        if (row.phase == MovePhase::Parked) {
            EXPECT_TRUE(a.stream.front().stationary) << row.name;
        }
    }
    g_liveAircraft.clear();
}

TEST_F(Motion, BankTowardsTheTurnWithinTheCategoryLimits)
{
    const LatLon p{50.0, 8.0};
    const struct {
        AcCategory category;
        double turnDeg;
        std::int32_t ticks;
        double bankDeg, rateDeg; // starting bank; expected rate per tick
    } rows[] = {
        {AcCategory::Large, 10.0, 1000, 0.0, -0.01},     // target -10 deg over 1000 ticks
        {AcCategory::Large, 90.0, 100, 0.0, -0.02},      // -30 deg at most, rate limited
        {AcCategory::Heavy, -90.0, 10, 0.0, 0.015},
        {AcCategory::Large, 0.0, 500, -5.0, 0.01},       // level the wings
        {AcCategory::HighPerf, 10.0, 0, 0.0, -0.1},      // zero ticks never divide by zero
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft({{p, 5000, 200, 0}, {p, 5000, 200, 100}}, row.category);
        a.block.bank = row.bankDeg * kDegToRad;
        lf_limitBank(a, row.turnDeg * kDegToRad, row.ticks);
        EXPECT_NEAR(a.bankPerTick * kRadToDeg, row.rateDeg, 1e-12) << row.turnDeg;
    }
}

TEST_F(Motion, TurnToTheLegAfterNext)
{
    const LatLon p{50.0, 8.0};
    const LatLon q = gf_destinationPoint(p, 0.0, 6000.0);
    const LatLon r = gf_destinationPoint(q, kPi / 2, 6000.0);
    LiveAcRecord a = test::makeFlyingAircraft({{p, 5000, 200, 0}, {q, 5000, 200, 100}, {r, 5000, 200, 200}});
    a.block.heading = 0.0;
    EXPECT_NEAR(lf_turnToNextLeg(a), gf_bearing(q, r), 1e-12);
    a.block.heading = 350.0 * kDegToRad;
    EXPECT_NEAR(lf_turnToNextLeg(a) * kRadToDeg, 100.0, 0.1);
    a.stream.pop_back();
    EXPECT_EQ(lf_turnToNextLeg(a), 0.0);
}

TEST_F(Motion, InputsAreTakenFromTheLinkTheRangeAndTheParkAirport)
{
    UserAcData user;
    user.lat = 47.45;
    user.lon = 8.56;
    g_userAc.set(user);
    gf_setTrafficRange(10);
    param::AUTO_RANGE.value = 1;
    g_qnh = 1021;
    gf_setParkAirport({"LSZH", "ZRH", 47.46, 8.55, 1416.0});
    g_parkAirportLoaded = 1;
    gf_refreshMotionInputs();
    EXPECT_EQ(g_motionInputs.user.lat, 47.45);
    EXPECT_EQ(g_motionInputs.user.lon, 8.56);
    EXPECT_EQ(g_motionInputs.rangeNm, 10.0);
    EXPECT_TRUE(g_motionInputs.autoGroundRange);
    EXPECT_TRUE(g_motionInputs.parkingLoaded);
    EXPECT_TRUE(g_motionInputs.parkAirportSet);
    EXPECT_EQ(g_motionInputs.parkAirport.lat, 47.46);
    EXPECT_EQ(g_motionInputs.parkAirportAltitudeFt, 1416.0);
    EXPECT_EQ(g_motionInputs.qnh, 1021);

    param::AUTO_RANGE.value = 0;
    gf_setParkAirport({});
    gf_refreshMotionInputs();
    EXPECT_FALSE(g_motionInputs.autoGroundRange);
    EXPECT_FALSE(g_motionInputs.parkAirportSet);

    param::AUTO_RANGE.value = param::AUTO_RANGE.defaultValue;
    gf_setTrafficRange(param::LATERAL_RANGE.defaultValue);
    g_userAc.reset();
    g_qnh = 1013;
    g_parkAirportLoaded = 0;
}

} // namespace
} // namespace zyn
