#include "engine/ground_phases.h"

#include "airport/park_pos.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using test::Report;
using test::ahead;

class GroundPhases : public test::EngineState {
protected:
    const LatLon p{50.0, 8.0};
};

TEST_F(GroundPhases, MidpointIsTheMeanOfFrontAndNext)
{
    const struct {
        const char* name;
        Report front, next;
        double lon;
        std::int32_t time;
        bool airborne;
    } rows[] = {
        {"taxi", {{50.0, 8.0}, 0, 10, 100}, {{50.002, 8.004}, 0, 20, 301}, 8.002, 200, false},
        {"lift-off", {{50.0, 8.0}, 0, 150, 0}, {{50.01, 8.0}, 300, 170, 200}, 8.0, 100, true},
        {"across the antimeridian", {{0.0, 179.999}, 0, 10, 0}, {{0.0, -179.999}, 0, 10, 100}, 180.0, 50, false},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft({row.front, row.next});
        lf_insertMidpoint(a);
        ASSERT_EQ(a.stream.size(), 3u) << row.name;
        const Situation& m = a.stream[1];
        EXPECT_NEAR(m.lat, (row.front.at.lat + row.next.at.lat) / 2, 1e-12) << row.name;
        EXPECT_NEAR(std::abs(m.lon), row.lon, 1e-9) << row.name;
        EXPECT_EQ(m.groundSpeed, (row.front.speedKt + row.next.speedKt) / 2) << row.name;
        EXPECT_EQ(m.timeKey, row.time) << row.name;
        EXPECT_EQ(m.airborne != 0, row.airborne) << row.name;
        EXPECT_EQ(m.stationary, 0) << row.name;
    }
}

TEST_F(GroundPhases, SpeedChangeOverALongLegGetsAMidpoint)
{
    const struct {
        const char* name;
        double frontKt, nextKt, metres;
        bool split;
    } rows[] = {
        {"slowing over 150 m", 20, 10, 150, true},
        {"speeding up over 101 m", 0, 15, 101, true},
        {"small change", 10, 14, 300, false},
        {"short leg", 10, 20, 60, false},
        {"standing", 0, 0, 300, false},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft({{p, 0, row.frontKt, 0}, {ahead(p, 0, row.metres), 0, row.nextKt, 3000}});
        lf_splitSpeedChange(a);
        EXPECT_EQ(a.stream.size(), row.split ? 3u : 2u) << row.name;
    }
}

TEST_F(GroundPhases, StopIsTimedByTheReportsButNotBeforeNow)
{
    const struct {
        const char* name;
        std::int32_t clock, front, next;
        std::int32_t result;
    } rows[] = {
        {"as reported", 0, 100, 400, 400},
        {"too close in time", 0, 100, 110, 125},
        {"running backwards", 0, 100, 50, 125},
        {"late: from now", 1000, 100, 400, 1025},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 0, row.front}, {p, 0, 0, row.next}});
        a.stream[1].stationary = 1;
        a.keepWindow = 2;
        g_tick = row.clock;
        adjustTimeGround(a);
        EXPECT_EQ(a.stream[1].timeKey, row.result) << row.name;
    }
}

TEST_F(GroundPhases, TurnRateIsScaledToTheTurnAtHand)
{
    const double base = 0.07 * kDegToRad; // Large
    const struct {
        const char* name;
        double gapDeg, metres;
        double rateFactor;    // of the base rate
        std::int32_t window;  // both windows afterwards
    } rows[] = {
        // 100 m at 10 kt: 1944 ticks. The turn steps are degrees / rate per tick / 100: 246 for
        // 30 degrees, so r = 7.9 and the rate is divided by min(7.9 * 10 / 30, 7.9 * 30 / 100, 7.9).
        {"gentle turn", 30.0, 100.0, 1.0 / 2.3707, 1000},
        {"sharp turn", 60.0, 100.0, 2.0, 1000},                         // r = 3.96; at most 60 / 30
        {"right angle widens the windows", 90.0, 100.0, 1944.0 / 737.0, 2000}, // r below 90 / 30
        {"no gap, base rate", 0.0, 100.0, 1.0, 1000},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 10, 0}, {ahead(p, 0, row.metres), 0, 10, 1944}});
        a.steerToBearing = row.gapDeg > 0 ? 1 : 0;
        a.headingGapDeg = row.gapDeg;
        a.turnRate = 123.0; // reset to the base first
        adjustTimeGround(a);
        EXPECT_NEAR(a.turnRate / base, row.rateFactor, 1e-3) << row.name;
        EXPECT_EQ(a.windowBack, row.window) << row.name;
        EXPECT_EQ(a.windowAhead, row.window) << row.name;
        EXPECT_NEAR(a.stream[1].timeKey, 1944, 1) << row.name;
    }
}

TEST_F(GroundPhases, TaxiTurnBecomesACurveAndAStraightLegAHeadingCheck)
{
    const LatLon q = ahead(p, 0, 40);
    LiveAcRecord turning = test::makeFlyingAircraft({{p, 0, 10, 0}, {q, 0, 10, 800}, {ahead(q, 60, 40), 0, 10, 1600}});
    nextPosGround(turning);
    EXPECT_TRUE(turning.curve.active());
    EXPECT_NEAR(turning.curveAngleDeg, 60.0, 0.5);
    EXPECT_EQ(turning.steerToBearing, 0);
    EXPECT_EQ(turning.stream.size(), 2u) << "the corner became the control point";

    LiveAcRecord straight = test::makeFlyingAircraft({{p, 0, 10, 0}, {ahead(p, 0, 40), 0, 10, 800}});
    straight.block.heading = 10.0 * kDegToRad;
    straight.track = 0.0;
    nextPosGround(straight);
    EXPECT_FALSE(straight.curve.active());
    EXPECT_EQ(straight.steerToBearing, 1);
    EXPECT_NEAR(straight.headingGapDeg, 10.0, 1e-9);
}

TEST_F(GroundPhases, PushbackEndsWithTheEnginesStarting)
{
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 3, 0}, {ahead(p, 180, 20), 0, 3, 500}, {ahead(p, 180, 40), 0, 3, 900}});
    a.phase = MovePhase::Pushback;
    a.pushbackStage = 2;
    a.keepWindow = 3;
    a.departing = 1;
    a.block.heading = 1.0;
    nextPosGround(a); // stage 1: the turn side never showed, so the end point goes
    EXPECT_EQ(a.stream.size(), 2u);
    EXPECT_FALSE(a.curve.active());
    nextPosGround(a); // stage 0
    EXPECT_EQ(a.phase, MovePhase::EnginesStarting);
    EXPECT_EQ(a.previousPhase, MovePhase::Pushback);
    EXPECT_EQ(a.track, 1.0);
    EXPECT_EQ(a.pushbackStage, 1);
    EXPECT_EQ(a.engineStartHold, 900.0);
    EXPECT_EQ(a.keepWindow, 0);
    EXPECT_EQ(a.departing, 0);
}

// The turned pushback curves from the midpoint through P1 to its end: each end is timed from the
// midpoint, half the straight travel after now, not after P1.
TEST_F(GroundPhases, PushbackEndsAreTimedFromTheMidpoint)
{
    for (const double radiusMetres : {20.0, 0.0}) { // a stand of that radius; none: the half wingspan
        SCOPED_TRACE(radiusMetres);
        g_stands.clear();
        g_stands.emplace_back("A1", std::vector<ParkPosOption>{}, p.lat, p.lon, 0.0, radiusMetres, 1, 1, 1);
        g_stands[0].sid = 1;
        LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 0, 0}, {p, 0, 0, 100}});
        a.phase = MovePhase::Parked;
        a.standId = 1;
        a.initLat = p.lat;
        a.initLon = p.lon;
        g_tick = 1000;
        lf_pushBack(a);
        ASSERT_EQ(a.stream.size(), 4u); // front, midpoint, P1, end
        const Situation& mid = a.stream[1];
        const std::int32_t atMid = 1000 + (a.stream[2].timeKey - 1000) / 2;
        for (const Situation* end : {&a.stream[3], &a.pushbackEndAlternative}) {
            const double metres = gf_distanceNm(gf_positionOf(mid), gf_positionOf(*end)) * 1852.0;
            const double ticks = metres / (a.categorySpeedStep * 1852.0 / 3600.0) * 100.0;
            EXPECT_NEAR(end->timeKey, atMid + ticks, 1.0);
            EXPECT_GT(end->timeKey, a.stream[2].timeKey) << "play times still rise";
        }
    }
    g_stands.clear();
}

TEST_F(GroundPhases, PhaseStepLeavesTheStandAndRollsBackwardsInPushback)
{
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 5, 0}, {ahead(p, 0, 20), 0, 5, 500}});
    a.phase = MovePhase::Parked;
    a.groundPitch = 0.01;
    a.block.pitch = 0.2;
    a.block.bank = 0.1;
    lf_groundPhaseStep(a);
    EXPECT_EQ(a.phase, MovePhase::Taxi);
    EXPECT_EQ(a.block.pitch, 0.01);
    EXPECT_EQ(a.block.bank, 0.0);
    EXPECT_EQ(a.trueAirspeedKt, 5.0);
    a.phase = MovePhase::Pushback;
    lf_groundPhaseStep(a);
    EXPECT_EQ(a.trueAirspeedKt, -5.0);
}

TEST_F(GroundPhases, TakeoffRunStartsAbove43KtOnceTheReportsClimbOrFly)
{
    const struct {
        const char* name;
        double frontKt, nextKt, nextFpm, nextAltFt;
        bool starts;
    } rows[] = {
        {"climbing reports", 100, 150, 1500, 200, true},
        {"too slow", 40, 150, 1500, 200, false},
        {"level and slow", 100, 120, 0, 0, false},
        {"level but airborne at rotation speed", 100, 150, 0, 100, true},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft(
            {{p, 0, row.frontKt, 0}, {ahead(p, 90, 1000), row.nextAltFt, row.nextKt, 1000, row.nextFpm}});
        a.takingOff = 1;
        a.rotationTicks = 200;
        lf_groundPhaseStep(a);
        EXPECT_EQ(a.phase == MovePhase::TakeoffRoll, row.starts) << row.name;
        if (row.starts) {
            EXPECT_EQ(a.phaseCounter, 200) << row.name;
            EXPECT_GT(a.altPerTick, 0.0) << row.name;
        }
    }
}

TEST_F(GroundPhases, ArrivalAtAStandCarriesTheStandHeadingAsItsTrack)
{
    const struct {
        double standHeadingRad;
        double trackDeg;
    } rows[] = {{0.0, 0.0}, {kPi / 2, 90.0}, {kPi, 180.0}, {5.0, 5.0 * 180.0 / kPi}};
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 10, 1}, {ahead(p, 200, 40), 0, 10, 400}});
        a.stream[0].track = 200.0; // the taxi's own track
        const LatLon stand = ahead(p, 20, 150);
        drive2Stand(a, {stand.lat, stand.lon, row.standHeadingRad});
        ASSERT_EQ(a.stream.size(), 4u);
        for (std::size_t i : {2u, 3u}) {
            EXPECT_NEAR(a.stream[i].track, row.trackDeg, 1e-9) << row.standHeadingRad;
            EXPECT_EQ(a.stream[i].headingValid, 0) << "no reported true heading";
        }
    }
}

} // namespace
} // namespace zyn
