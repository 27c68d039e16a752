#include "engine/air_phases.h"

#include "aircraft/category_tables.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using test::Report;

class AirPhases : public test::EngineState {
protected:
    LiveAcRecord leg(Report front, Report next) { return test::makeFlyingAircraft({front, next}); }
    const LatLon p{50.0, 8.0};
    LatLon tenMilesNorth() const { return gf_destinationPoint(p, 0.0, 10 * kFeetPerNm); }
};

TEST_F(AirPhases, LandingVerticalSpeedByHeightAndPressure)
{
    const struct {
        double heightFt;
        std::int32_t qnh;
        double frontFpm, nextFpm, fpm;
    } rows[] = {
        {100, 1030, -900, -900, -600},  // close to the ground: a fixed sink
        {500, 1013, -700, -700, -700},
        {500, 1020, -500, -500, -601},  // never shallower than -601
        {500, 1000, -700, -700, -622},  // low pressure: 6 fpm per hectopascal shallower
        {500, 1023, -800, -600, -760},
    };
    for (const auto& row : rows) {
        g_motionInputs.qnh = row.qnh;
        LiveAcRecord a = leg({p, 1000, 140, 0, row.frontFpm}, {tenMilesNorth(), 500, 140, 2000, row.nextFpm});
        a.heightAboveGroundFt = row.heightFt;
        EXPECT_DOUBLE_EQ(lf_landingVerticalSpeed(a), row.fpm) << row.heightFt << " ft, " << row.qnh;
    }
}

TEST_F(AirPhases, VerticalRateOfTheLegByWhereFrontAndNextAre)
{
    g_tick = 0;
    const struct {
        const char* name;
        double frontAlt, nextAlt, nextFpm, heightFt;
        bool parkAirport;
        std::int32_t qnh;
        double altPerTick;
    } rows[] = {
        {"cruise climb", 10000, 10500, 1500, 5000, false, 1013, 0.25},            // 500 ft over 2000 ticks
        {"steep climb is capped", 10000, 30000, 6000, 5000, false, 1013, 0.6},    // Large: 0.6 ft per tick
        {"level near the ground still climbs", 800, 800, 0, 800, false, 1013, 0.2},
        {"lift-off leg", 0, 400, 1500, 2500, false, 1013, 0.2},
        {"both on the ground, reports climbing", 0, 0, 1500, 2500, false, 1013, 0.25},
        {"both on the ground, level: sinks", 0, 0, 0, 2500, false, 1013, -601.0 / 6000.0},
        {"landing leg aimed at the field", 1200, 0, -700, 900, true, 1010, (400.0 - 1200.0) / 2000.0},
        {"landing leg with high pressure", 1200, 0, -700, 900, true, 1020, -601.0 / 6000.0},
        {"landing leg at another airport", 1200, 0, -700, 900, false, 1010, -601.0 / 6000.0},
    };
    for (const auto& row : rows) {
        // The park airport lies under the aircraft, or 50 NM away when the row lands elsewhere.
        g_motionInputs.parkAirportSet = true;
        g_motionInputs.parkAirport = row.parkAirport ? p : gf_destinationPoint(p, 1.0, 50 * kFeetPerNm);
        g_motionInputs.parkAirportAltitudeFt = 400.0;
        g_motionInputs.qnh = row.qnh;
        LiveAcRecord a = leg({p, row.frontAlt, 250, 0, 0}, {tenMilesNorth(), row.nextAlt, 250, 2000, row.nextFpm});
        a.heightAboveGroundFt = row.heightFt;
        a.categoryFactor = 0.6;
        lf_airPhaseStep(a);
        EXPECT_NEAR(a.altPerTick, row.altPerTick, 1e-9) << row.name;
        EXPECT_EQ(a.phase, MovePhase::Airborne) << row.name;
    }
}

TEST_F(AirPhases, PitchFollowsTheVerticalRateWithinTheCategoryRate)
{
    const double limit = gf_categoryConstants(2).maxPitchRatePerTick;
    const struct {
        double fpm;
        std::int32_t ticks;
        double pitchPerTick;
    } rows[] = {
        {3000, 100000, (-3.0 - 4.0 * 2.2) * kDegToRad / 100000},  // climbs count up to 2400 fpm
        {-5000, 100000, (-3.0 + 2.5 * 2.2) * kDegToRad / 100000}, // descents count half, down to -3000
        {0, 100000, -3.0 * kDegToRad / 100000},
        {3000, 25, -limit},                                       // short leg: the rate limit holds
    };
    for (const auto& row : rows) {
        LiveAcRecord a = leg({p, 10000, 250, 0, row.fpm}, {tenMilesNorth(), 10000, 250, row.ticks, row.fpm});
        a.block.pitch = 0.0;
        a.keepWindow = 2;
        lf_airPhaseStep(a);
        EXPECT_NEAR(a.pitchPerTick, row.pitchPerTick, 1e-15) << row.fpm;
    }
}

TEST_F(AirPhases, TurnFromReportedHeadingLowDownElseTowardsTheNextLeg)
{
    LiveAcRecord a = leg({p, 800, 140, 0}, {tenMilesNorth(), 800, 140, 1000});
    Situation& next = a.stream[1];
    next.heading = 0.5;
    next.headingValid = 1;
    next.headingFromFeed = 1;
    next.bank = -0.2;
    next.bankValid = 1;
    a.block.heading = 0.3;
    a.heightAboveGroundFt = 800;
    lf_airPhaseStep(a);
    EXPECT_NEAR(a.headingPerTick, 0.2 / 1000, 1e-12);
    EXPECT_NEAR(a.bankPerTick, -0.2 / 1000, 1e-12);

    a = leg({p, 800, 140, 0}, {tenMilesNorth(), 800, 140, 1000});
    a.stream[1].headingValid = 1;
    a.stream[1].heading = 0.5;
    a.block.heading = 0.3;
    a.heightAboveGroundFt = 3000; // high up: no third report, so no turn
    lf_airPhaseStep(a);
    EXPECT_EQ(a.headingPerTick, 0.0);
}

TEST_F(AirPhases, ClimbConfigurationEndsTheTakeoffAboveTheApproachHeight)
{
    const struct {
        AcCategory category;
        double heightFt;
        bool ended;
    } rows[] = {
        {AcCategory::Large, 2000, false}, {AcCategory::Large, 2100, true},
        {AcCategory::Light, 600, false},  {AcCategory::Light, 700, true},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = test::makeFlyingAircraft({{p, 2500, 160, 0}, {tenMilesNorth(), 3000, 160, 2000}}, row.category);
        a.takingOff = 1;
        a.heightAboveGroundFt = row.heightFt;
        lf_airPhaseStep(a);
        EXPECT_EQ(a.takingOff == 0, row.ended) << row.heightFt;
    }
}

TEST_F(AirPhases, ApproachToTheParkAirportForgetsTheStandTheAircraftLeft)
{
    const struct {
        double fieldNm; // from the aircraft
        bool approach;
    } rows[] = {{3.0, true}, {30.0, false}};
    for (const auto& row : rows) {
        g_motionInputs.parkAirportSet = true;
        g_motionInputs.parkAirport = gf_destinationPoint(p, 0.0, row.fieldNm * kFeetPerNm);
        LiveAcRecord a = leg({p, 1500, 140, 0, -700}, {tenMilesNorth(), 1000, 140, 2000, -700});
        a.heightAboveGroundFt = 1500;
        a.initLat = 47.1;
        a.initLon = 8.2;
        a.initHeading = 2.0;
        a.standId = 4;
        a.cargoStand = 1;
        lf_airPhaseStep(a);
        EXPECT_EQ(a.landing == 1, row.approach) << row.fieldNm;
        const bool forgotten = a.initLat == 0.0 && a.initLon == 0.0 && a.initHeading == 0.0 && a.standId == 0 &&
                               a.cargoStand == 0;
        EXPECT_EQ(forgotten, row.approach) << row.fieldNm;
    }
}

TEST_F(AirPhases, FlareStepsDownOverTheResterHeight)
{
    LiveAcRecord a = leg({p, 60, 130, 0}, {tenMilesNorth(), 0, 130, 1000});
    a.landing = 1;
    a.staticCgFt = 10.0;
    a.flareTicks = 400;
    a.block.pitch = 0.0;
    const struct {
        double heightFt;
        std::uint32_t stage;
        double altPerTick, frontFpm;
    } steps[] = {
        {45, 0, 0.0, 0},  {40, 1, -0.1, -601},  {31, 1, -0.1, -601},  {30, 2, -0.075, -450},
        {20, 3, -0.05, -300}, {13, 4, -0.025, -150}, {5, 4, -0.025, -150},
    };
    for (const auto& s : steps) {
        a.heightAboveGroundFt = s.heightFt;
        lf_flare(a);
        EXPECT_EQ(a.curveState, s.stage) << s.heightFt;
        EXPECT_EQ(a.altPerTick, s.altPerTick) << s.heightFt;
        EXPECT_EQ(a.stream[0].verticalRate, s.frontFpm) << s.heightFt;
    }
    EXPECT_NEAR(a.pitchPerTick, -4.0 * kDegToRad / 400, 1e-15);
}

TEST_F(AirPhases, AirTimingFollowsDistanceAndSpeedWithinTheWindow)
{
    g_tick = 0;
    const LatLon q = gf_destinationPoint(p, 0.0, kFeetPerNm); // 1 nm
    const struct {
        const char* name;
        double kt;
        std::int32_t reported, keepWindow, result;
    } rows[] = {
        {"consistent", 360, 1000, 0, 1000},
        {"slower than reported, cut", 120, 1000, 0, 2000},  // 3000 ticks, at most 1000 late
        {"faster than reported", 720, 1000, 0, 500},
        {"continuation, no window", 120, 1000, 2, 3000},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = leg({p, 5000, row.kt, 0}, {q, 5000, row.kt, row.reported});
        a.keepWindow = row.keepWindow;
        nextPosAir(a);
        EXPECT_NEAR(a.stream[1].timeKey, row.result, 1) << row.name;
    }
}

} // namespace
} // namespace zyn
