// Aircraft flown tick by tick along synthetic tracks, as the main loop moves them.
#include "base/log.h"
#include "engine/commands.h"
#include "engine/ground_phases.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/movement.h"
#include "tests/engine/live_ac_fixture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace zyn {
namespace {

using test::Report;

struct FlightLog {
    int reportsReached = 0;
    double worstReportMissDeg = 0.0;  // position at a report's play time
    double worstAltitudeMissFt = 0.0;
    double fastestNmPerTick = 0.0;
    double largestTurnPerTick = 0.0;  // radians
    double mostTurnOverRate = 0.0;    // heading change per tick beyond the turn rate in force (ground)
    double totalTurn = 0.0;           // radians, absolute
    int ticksOnCurve = 0;
    bool longitudeAlwaysInRange = true;
    bool alwaysFinite = true;
};

bool lf_lastReportReached(const LiveAcRecord& a) { return a.stream.size() == 1 && g_tick >= a.stream.front().timeKey; }

// Runs the aircraft until it has reached its last report or maxTicks pass.
FlightLog fly(LiveAcRecord& a, int maxTicks)
{
    FlightLog log;
    for (int i = 0; i < maxTicks && a.state == ObjectState::InSim && !lf_lastReportReached(a); ++i) {
        const AiPositionBlock before = a.block;
        if (g_tick >= a.stream.front().timeKey && g_tick > 0) { // the aircraft has reached the front report
            const Situation& f = a.stream.front();
            log.worstReportMissDeg = std::max({log.worstReportMissDeg, std::abs(before.lat - f.lat),
                                               std::abs(gf_longitudeDelta(before.lon, f.lon))});
            if (f.airborne)
                log.worstAltitudeMissFt = std::max(log.worstAltitudeMissFt, std::abs(before.altitude - f.altitude));
            ++log.reportsReached;
        }
        gf_moveLiveAc(a);
        log.ticksOnCurve += a.curve.active() ? 1 : 0;
        const double moved = gf_distanceNm(gf_positionOf(before), gf_positionOf(a.block));
        const double turned = std::abs(gf_angleDiff(before.heading, a.block.heading));
        log.fastestNmPerTick = std::max(log.fastestNmPerTick, moved);
        log.largestTurnPerTick = std::max(log.largestTurnPerTick, turned);
        if (a.onGround)
            log.mostTurnOverRate = std::max(log.mostTurnOverRate, turned - a.turnRate);
        log.totalTurn += turned;
        log.longitudeAlwaysInRange &= a.block.lon >= -180.0 && a.block.lon <= 180.0;
        for (double v : {a.block.lat, a.block.lon, a.block.pitch, a.block.bank, a.block.heading, a.block.altitude})
            log.alwaysFinite &= std::isfinite(v);
        ++g_tick;
    }
    return log;
}

class Tracks : public test::EngineState {
protected:
    void SetUp() override { g_tick = 1; }
};

TEST_F(Tracks, StraightFlightsMeetEveryReportAtItsPlayTime)
{
    const struct {
        const char* name;
        LatLon start;
        double bearingDeg, speedKt, altitudeFt, verticalFpm;
    } rows[] = {
        {"cruise east", {47.0, 8.0}, 90.0, 450.0, 35000.0, 0.0},
        {"cruise north-west", {-33.9, 151.2}, 315.0, 480.0, 37000.0, 0.0},
        {"climb", {51.5, -0.4}, 250.0, 250.0, 3000.0, 2000.0},
        {"descent", {40.6, -73.8}, 40.0, 280.0, 11000.0, -1500.0},
        {"across the antimeridian", {10.0, 179.95}, 90.0, 480.0, 33000.0, 0.0},
        {"across the antimeridian westbound", {-17.0, -179.97}, 270.0, 420.0, 30000.0, 0.0},
    };
    for (const auto& row : rows) {
        g_tick = 1;
        const auto reports = test::straightTrack(row.start, row.bearingDeg, row.speedKt, row.altitudeFt,
                                                 row.verticalFpm, 1, 200, 12);
        LiveAcRecord a = test::makeFlyingAircraft(reports);
        const FlightLog log = fly(a, 5000);
        EXPECT_GE(log.reportsReached, 10) << row.name;
        EXPECT_LT(log.worstReportMissDeg, 1e-9) << row.name;
        EXPECT_LT(log.worstAltitudeMissFt, 1e-6) << row.name;
        EXPECT_LE(log.fastestNmPerTick, row.speedKt / kTicksPerHour * 1.01) << row.name;
        EXPECT_LT(log.largestTurnPerTick, 0.01 * kDegToRad) << row.name; // a great circle barely turns
        EXPECT_TRUE(log.longitudeAlwaysInRange) << row.name;
        EXPECT_TRUE(log.alwaysFinite) << row.name;
        EXPECT_EQ(a.phase, MovePhase::Airborne) << row.name;
    }
}

TEST_F(Tracks, TurningFlightTurnsNoFasterThanTheReports)
{
    // A rate-one turn: 3 degrees a second, reports every 2 s.
    std::vector<Report> reports;
    LatLon p{47.0, 8.0};
    double bearing = 0.0;
    for (int i = 0; i < 20; ++i) {
        reports.push_back({p, 8000.0, 240.0, 1 + 200 * i, 0.0});
        p = gf_destinationPoint(p, bearing * kDegToRad, 240.0 * kFeetPerNm * 2.0 / 3600.0);
        bearing += 6.0;
    }
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    const FlightLog log = fly(a, 6000);
    EXPECT_LT(log.worstReportMissDeg, 1e-9);
    EXPECT_LE(log.largestTurnPerTick, 6.0 / 200.0 * 2.0 * kDegToRad);
    EXPECT_GT(log.totalTurn, 80.0 * kDegToRad);
    EXPECT_LT(log.totalTurn, 120.0 * kDegToRad);
    EXPECT_LT(a.block.bank, 0.0) << "a right turn banks right (negative)";
}

TEST_F(Tracks, TaxiWithTurnsFollowsTheReportsAndNeverSpins)
{
    // North 400 m, then east 400 m, then south 200 m, reports every 50 m at 12 kt.
    std::vector<Report> reports;
    LatLon p{50.03, 8.57};
    std::int32_t t = 1;
    const double stepFt = 50.0 / 0.3048;
    const std::int32_t stepTicks = static_cast<std::int32_t>(std::lround(50.0 / 1852.0 * kTicksPerHour / 12.0));
    for (const auto& [bearingDeg, steps] : {std::pair{0.0, 8}, {90.0, 8}, {180.0, 4}}) {
        for (int i = 0; i < steps; ++i) {
            reports.push_back({p, 0.0, 12.0, t, 0.0});
            p = gf_destinationPoint(p, bearingDeg * kDegToRad, stepFt);
            t += stepTicks;
        }
    }
    reports.push_back({p, 0.0, 12.0, t, 0.0});
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    const FlightLog log = fly(a, 100000);
    EXPECT_TRUE(log.alwaysFinite);
    EXPECT_LE(log.fastestNmPerTick, 24.0 / kTicksPerHour) << "never faster than twice the taxi speed";
    EXPECT_LT(log.mostTurnOverRate, 1e-12) << "no heading step beyond the turn rate in force";
    EXPECT_LT(log.totalTurn, 190.0 * kDegToRad) << "two right angles, no spinning";
    EXPECT_GT(log.ticksOnCurve, 0) << "the corners are rounded";
    EXPECT_GT(log.totalTurn, 170.0 * kDegToRad);
    EXPECT_LT(gf_distanceNm(gf_positionOf(a.block), reports.back().at), 1.0 / 1852.0);
    EXPECT_NEAR(a.block.heading * kRadToDeg, 180.0, 3.0);
    EXPECT_EQ(a.block.pitch, a.groundPitch);
}

TEST_F(Tracks, NewGroundAircraftKeepsItsHeading)
{
    // Spawned on the ground without a stand claim, it keeps phase 7; its heading rate holds
    // the heading itself, which must not turn it round and round.
    const auto reports = test::straightTrack({50.0, 8.0}, 45.0, 10.0, 0.0, 0.0, 1, 300, 6);
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    a.phase = MovePhase::New;
    a.headingPerTick = a.block.heading;
    const double heading = a.block.heading;
    const FlightLog log = fly(a, 1200);
    EXPECT_LT(log.totalTurn, 1.0 * kDegToRad);
    EXPECT_NEAR(a.block.heading, heading, 1.0 * kDegToRad);
    EXPECT_LT(log.worstReportMissDeg, 1e-9);
}

TEST_F(Tracks, EveryMovingPhaseMovesTheAircraft)
{
    const auto reports = test::straightTrack({50.0, 8.0}, 0.0, 150.0, 0.0, 0.0, 1, 200, 3);
    for (MovePhase phase : {MovePhase::Pushback, MovePhase::Taxi, MovePhase::TakeoffRoll, MovePhase::Airborne,
                            MovePhase::TaxiToStand, MovePhase::Parked, MovePhase::New}) {
        LiveAcRecord a = test::makeFlyingAircraft(reports);
        a.phase = phase;
        a.phaseCounter = 100;
        a.latPerTick = 1e-5;
        a.lonPerTick = 2e-5;
        const AiPositionBlock before = a.block;
        lf_moveOneTick(a);
        EXPECT_DOUBLE_EQ(a.block.lat, before.lat + 1e-5) << int(phase);
        EXPECT_DOUBLE_EQ(a.block.lon, before.lon + 2e-5) << int(phase);
    }
    LiveAcRecord starting = test::makeFlyingAircraft(reports);
    starting.phase = MovePhase::EnginesStarting;
    starting.latPerTick = 1e-5;
    lf_moveOneTick(starting);
    EXPECT_EQ(starting.block.lat, reports[0].at.lat) << "engines starting: the aircraft stands";
}

TEST_F(Tracks, TakeoffRunRotatesLiftsOffAndClimbs)
{
    auto reports = test::straightTrack({50.0, 8.0}, 70.0, 160.0, 0.0, 0.0, 1, 200, 3);
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    a.rotationPitch = -6.0 * kDegToRad;
    a.climbPitch = -16.5 * kDegToRad;
    a.rotationTicks = 200;
    a.climbTransitionTicks = 300;
    a.categoryFactor = 0.6;
    a.altPerTick = 0.5;
    a.latPerTick = 1e-5;
    a.takingOff = 1;
    lf_startTakeoffRun(a);
    EXPECT_EQ(a.phase, MovePhase::TakeoffRoll);
    const double startLat = a.block.lat;
    for (int i = 0; i < 199; ++i)
        lf_moveOneTick(a);
    EXPECT_EQ(a.onGround, 0);
    EXPECT_NEAR(a.block.pitch, a.rotationPitch, std::abs(a.pitchPerTick) * 1.001);
    EXPECT_EQ(a.block.altitude, 0.0) << "no climb during the rotation";
    for (int i = 0; i < 700 && a.phase == MovePhase::TakeoffRoll; ++i)
        lf_moveOneTick(a);
    EXPECT_EQ(a.phase, MovePhase::Airborne);
    EXPECT_LE(a.block.pitch, a.climbPitch);
    EXPECT_GT(a.block.altitude, 30.0) << "a tenth, a fifth, then half the climb rate";
    EXPECT_GT(a.block.lat, startLat + 500 * 1e-5) << "the run moves along the runway";
}

TEST_F(Tracks, TakeoffFromTheRunwayIntoTheClimb)
{
    // Accelerating along the runway, then airborne and climbing: reports every 2 s.
    std::vector<Report> reports;
    LatLon p{47.45, 8.55};
    double altitude = 0.0;
    const struct {
        double kt, fpm;
    } legs[] = {{30, 0}, {60, 0}, {90, 0}, {120, 0}, {150, 0}, {160, 1500}, {165, 2000}, {170, 2000}, {175, 2000},
                {180, 2000}, {185, 2000}, {190, 2000}};
    std::int32_t t = 1;
    double previousKt = legs[0].kt;
    for (const auto& leg : legs) {
        reports.push_back({p, altitude, leg.kt, t, leg.fpm});
        const double meanKt = (previousKt + leg.kt) / 2.0;
        p = gf_destinationPoint(p, 60.0 * kDegToRad, meanKt * kFeetPerNm * 200 / kTicksPerHour);
        altitude += leg.fpm * 200 / 6000.0;
        previousKt = leg.kt;
        t += 200;
    }
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    a.takingOff = 1;
    a.rotationPitch = -6.0 * kDegToRad;
    a.climbPitch = -16.5 * kDegToRad;
    a.rotationTicks = 200;
    a.climbTransitionTicks = 300;
    bool rolled = false;
    FlightLog log;
    for (int i = 0; i < 5000 && !lf_lastReportReached(a); ++i) {
        const FlightLog step = fly(a, 1);
        rolled |= a.phase == MovePhase::TakeoffRoll;
        log.fastestNmPerTick = std::max(log.fastestNmPerTick, step.fastestNmPerTick);
        log.worstReportMissDeg = std::max(log.worstReportMissDeg, step.worstReportMissDeg);
        log.alwaysFinite &= step.alwaysFinite;
    }
    EXPECT_TRUE(rolled);
    EXPECT_EQ(a.phase, MovePhase::Airborne);
    EXPECT_EQ(a.onGround, 0);
    EXPECT_TRUE(log.alwaysFinite);
    EXPECT_LT(log.worstReportMissDeg, 1e-9) << "the run and the climb move along the reports";
    EXPECT_LE(log.fastestNmPerTick, 190.0 / kTicksPerHour * 1.05);
    EXPECT_GT(a.block.altitude, 300.0);
    EXPECT_LT(a.block.pitch, a.groundPitch) << "nose up in the climb";
}

TEST_F(Tracks, TouchdownAttitudeSettlesOnTheGroundPitchFromEitherSide)
{
    const auto reports = test::straightTrack({50.0, 8.0}, 0.0, 130.0, 0.0, 0.0, 1, 200, 3);
    const struct {
        const char* name;
        double pitchDeg, groundPitchDeg;
    } rows[] = {
        {"nose high lowers", -4.0, 0.7},
        {"nose low rises", 2.0, 0.7},
        {"already there", 0.7, 0.7},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft(reports);
        a.phase = MovePhase::Airborne;
        a.settling = 1;
        a.groundPitch = row.groundPitchDeg * kDegToRad;
        a.block.pitch = row.pitchDeg * kDegToRad;
        a.block.bank = 0.05;
        a.pitchPerTick = (a.groundPitch - a.block.pitch) / 100.0;
        a.bankPerTick = -0.05 / 100.0;
        int ticks = 0;
        for (; ticks < 1000 && a.settling; ++ticks)
            lf_moveOneTick(a);
        EXPECT_EQ(a.settling, 0) << row.name;
        EXPECT_LE(ticks, 101) << row.name;
        EXPECT_EQ(a.block.pitch, a.groundPitch) << row.name;
        EXPECT_EQ(a.block.bank, 0.0) << row.name;
        EXPECT_EQ(a.pitchPerTick, 0.0) << row.name;
    }
}

// A landing at the park airport (field elevation 0) as the simulator reports it: the height above the
// ground every 0.2 s, and on the ground once the wheels touch.
TEST_F(Tracks, LandingEndsLevelOnTheRunwayAndRollsOut)
{
    const LatLon threshold{47.0, 8.0};
    g_motionInputs.parkAirportSet = true;
    g_motionInputs.parkAirport = threshold;
    std::vector<Report> reports;
    const double stepNm = 140.0 * 2.0 / 3600.0; // 140 kt, a report every 2 s
    for (int i = 0; i <= 40; ++i) // a 3 degree final from 1000 ft
        reports.push_back({gf_destinationPoint(threshold, 3 * kPi / 2, (40 - i) * stepNm * kFeetPerNm),
                           1000.0 - 25.0 * i, 140.0, 1 + 200 * i, i < 40 ? -750.0 : 0.0});
    LatLon p = threshold;
    std::int32_t t = reports.back().playTime;
    for (double kt : {120.0, 100.0, 80.0, 60.0, 40.0, 25.0, 15.0}) { // the roll-out, then off the runway
        p = gf_destinationPoint(p, kPi / 2, kt * 2.0 / 3600.0 * kFeetPerNm);
        reports.push_back({p, 0.0, kt, t += 200, 0.0});
    }
    for (int i = 0; i < 4; ++i) {
        p = gf_destinationPoint(p, kPi, 15.0 * 4.0 / 3600.0 * kFeetPerNm);
        reports.push_back({p, 0.0, 15.0, t += 400, 0.0});
    }
    g_liveAircraft.push_back(test::makeFlyingAircraft(reports));
    LiveAcRecord& a = g_liveAircraft.back();
    a.staticCgFt = 10.0;
    a.groundPitch = 0.7 * kDegToRad;
    const auto groundData = [&a] {
        const bool wheelsDown = a.block.altitude <= a.staticCgFt;
        gf_pushSimCommand(SimCommand{.objectId = a.objectId, .value = wheelsDown ? 1u : 0u,
                                     .kind = SimCommandKind::GroundData, .a = 0.0, .b = a.block.altitude});
        gf_SimCommands();
    };
    bool flared = false;
    std::int32_t touchdown = -1;
    double worstPitchAfterSettlingDeg = 0.0;
    double worstBankAfterSettling = 0.0;
    std::int32_t settledAfter = -1;
    for (g_tick = 1; g_tick < t + 1000 && a.state == ObjectState::InSim; ++g_tick) {
        if (g_tick % 20 == 0)
            groundData();
        gf_moveLiveAc(a);
        flared |= a.curveState >= 3;
        if (touchdown < 0 && a.onGround)
            touchdown = g_tick;
        if (touchdown >= 0 && !a.settling) { // settled: level on the ground from now on
            worstPitchAfterSettlingDeg = std::max(worstPitchAfterSettlingDeg, std::abs(a.block.pitch - a.groundPitch) * kRadToDeg);
            worstBankAfterSettling = std::max(worstBankAfterSettling, std::abs(a.block.bank));
            settledAfter = settledAfter < 0 ? g_tick - touchdown : settledAfter;
        }
    }
    ASSERT_TRUE(flared) << "the landing flared";
    ASSERT_GE(touchdown, 0) << "no touchdown";
    EXPECT_GT(settledAfter, 0) << "pitch and bank settle after the touchdown";
    EXPECT_LE(settledAfter, std::max<std::int32_t>(a.touchdownTicks, 10) + 1);
    EXPECT_EQ(a.curveState, 0u) << "the flare ends on the ground";
    EXPECT_LT(worstPitchAfterSettlingDeg, 1e-9) << "level on the runway once settled";
    EXPECT_EQ(worstBankAfterSettling, 0.0);
    EXPECT_EQ(a.rollingOut, 0) << "the roll-out ends off the runway";
    EXPECT_EQ(a.phase, MovePhase::Taxi);
    EXPECT_EQ(a.block.altitude, a.staticCgFt);
}

TEST_F(Tracks, UnusableRatesNeverReachTheBlock)
{
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    gf_openLog();
    const auto reports = test::straightTrack({50.0, 8.0}, 0.0, 250.0, 5000.0, 0.0, 1000, 200, 3);
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    a.latPerTick = std::nan("");
    a.altPerTick = 1.0 / 0.0 * (g_tick + 1);
    const AiPositionBlock before = a.block;
    gf_moveLiveAc(a);
    gf_closeLog();
    EXPECT_EQ(a.block.lat, before.lat);
    EXPECT_EQ(a.block.altitude, before.altitude);
    EXPECT_EQ(a.latPerTick, 0.0);
    const auto lines = test::readLines("Log.txt");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[1].find("gf_moveLiveAc: TST123"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("position not finite, held"), std::string::npos) << lines[1];
}

TEST_F(Tracks, AircraftWhoseStepFailsIsRemovedNotRetriedEveryTick)
{
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    gf_openLog();
    const auto reports = test::straightTrack({50.0, 8.0}, 0.0, 250.0, 5000.0, 0.0, 1, 200, 3);
    LiveAcRecord a = test::makeFlyingAircraft(reports);
    a.category = static_cast<AcCategory>(9); // no table has a row for it
    for (int i = 0; i < 5; ++i, ++g_tick)
        gf_moveLiveAc(a);
    gf_closeLog();
    EXPECT_EQ(a.state, ObjectState::RemovalRequested);
    EXPECT_EQ(g_removalQueue, std::deque<std::uint32_t>{100});
    const auto lines = test::readLines("Log.txt");
    ASSERT_EQ(lines.size(), 5u) << "the step failure is logged once:\n" << fmt::format("{}", fmt::join(lines, "\n"));
    EXPECT_EQ(lines[1].rfind("nextPos: invalid unordered_map<K, T> key TST123", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("nextPosMain: invalid unordered_map<K, T> key TST123", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("gf_moveLiveAc: TST123", 0), 0u) << lines[3];
}

} // namespace
} // namespace zyn
