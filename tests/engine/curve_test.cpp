#include "engine/motion_math.h"
#include "engine/movement.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zyn {
namespace {

CurveSegment curve(LatLon origin, double controlNorth, double controlEast, double endNorth, double endEast)
{
    CurveSegment c;
    c.originLat = origin.lat;
    c.originLon = origin.lon;
    c.t0 = 0.0;
    c.t1 = 1.0;
    c.controlNorth = controlNorth;
    c.controlEast = controlEast;
    c.endNorth = endNorth;
    c.endEast = endEast;
    return c;
}

TEST(CurveSegment, EvaluatesFromOriginToEnd)
{
    // A right turn: 100 m north, then 100 m east.
    const LatLon o{50.0, 8.0};
    const CurveSegment c = curve(o, 100.0, 0.0, 100.0, 100.0);
    const double perDegLon = kMetresPerDegreeLat * std::cos(o.lat * kDegToRad);
    const struct {
        double f;
        double north, east, headingDeg;
    } rows[] = {
        {0.0, 0.0, 0.0, 0.0},             // the origin, towards the control point
        {0.5, 75.0, 25.0, 45.0},
        {0.999999, 100.0, 100.0, 90.0},   // the end, along control -> end
        {1.0, 100.0, 100.0, 90.0},
    };
    for (const auto& row : rows) {
        LatLon p;
        double heading = -1.0;
        ASSERT_TRUE(gf_evalCurveSegment(c, row.f, p, heading)) << row.f;
        EXPECT_NEAR((p.lat - o.lat) * kMetresPerDegreeLat, row.north, 1e-3) << row.f;
        EXPECT_NEAR((p.lon - o.lon) * perDegLon, row.east, 1e-3) << row.f;
        EXPECT_NEAR(heading * kRadToDeg, row.headingDeg, 1e-3) << row.f;
    }
}

TEST(CurveSegment, RefusesInactiveCurvesAndParametersOutside)
{
    const CurveSegment good = curve({50.0, 8.0}, 100.0, 0.0, 100.0, 100.0);
    CurveSegment noControl = good;
    noControl.reset();
    CurveSegment emptyRange = good;
    emptyRange.t1 = emptyRange.t0;
    const struct {
        const char* name;
        CurveSegment c;
        double f;
    } rows[] = {
        {"no control point", noControl, 0.5},
        {"below t0", good, -0.01},
        {"beyond t1", good, 1.01},
        {"NaN parameter", good, std::nan("")},
        {"empty range", emptyRange, 0.0},
    };
    for (const auto& row : rows) {
        LatLon p{1.0, 2.0};
        double heading = 3.0;
        EXPECT_FALSE(gf_evalCurveSegment(row.c, row.f, p, heading)) << row.name;
        EXPECT_EQ(p.lat, 1.0) << row.name;
    }
}

TEST(CurveSegment, AcrossTheAntimeridianLongitudesStayInRange)
{
    const LatLon o{-16.9, 179.9995};
    const CurveSegment c = curve(o, 0.0, 80.0, -80.0, 160.0); // east, then south-east
    double previousLon = o.lon;
    for (int i = 1; i <= 100; ++i) {
        LatLon p;
        double heading = 0.0;
        ASSERT_TRUE(gf_evalCurveSegment(c, i / 100.0, p, heading));
        EXPECT_GE(p.lon, -180.0);
        EXPECT_LE(p.lon, 180.0);
        EXPECT_LT(std::abs(gf_longitudeDelta(previousLon, p.lon)), 0.001) << "no jump round the earth";
        previousLon = p.lon;
    }
    EXPECT_LT(previousLon, -179.99);
}

class CurvedTaxi : public test::EngineState {};

TEST_F(CurvedTaxi, SetUpMakesTheAfterNextTheNextAndMeasuresFromTheAircraft)
{
    const LatLon p{50.0, 179.9999};
    const LatLon q = gf_destinationPoint(p, 0.0, 100.0 / 0.3048);
    const LatLon r = gf_destinationPoint(q, kPi / 2, 100.0 / 0.3048);
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 10, 0}, {q, 0, 10, 1000}, {r, 0, 0, 2000}});
    EXPECT_TRUE(lf_setUpCurve(a));
    ASSERT_EQ(a.stream.size(), 2u);
    EXPECT_EQ(a.stream[1].lat, r.lat);
    EXPECT_EQ(a.stream[1].groundSpeed, 10.0) << "a stop at the end takes the mean speed";
    EXPECT_TRUE(a.curve.active());
    EXPECT_NEAR(a.curve.controlNorth, 100.0, 0.5);
    EXPECT_NEAR(a.curve.controlEast, 0.0, 0.01);
    EXPECT_NEAR(a.curve.endEast, 100.0, 0.5);
    EXPECT_FALSE(lf_setUpCurve(a)) << "two situations are not enough";
}

TEST_F(CurvedTaxi, PushbackPointsTheNoseAwayFromTheTravel)
{
    const LatLon p{50.0, 8.0};
    const LatLon q = gf_destinationPoint(p, kPi, 30.0 / 0.3048); // back 30 m south
    const LatLon r = gf_destinationPoint(q, kPi / 2, 30.0 / 0.3048);
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 3, 0}, {q, 0, 3, 1000}, {r, 0, 3, 2000}});
    a.phase = MovePhase::Pushback;
    a.block.heading = 0.0; // nose north while moving south
    a.turnRate = 1.0;      // settle at once
    ASSERT_TRUE(lf_setUpCurve(a));
    a.curve.step = 0.01;
    lf_moveOneTick(a);
    EXPECT_LT(a.block.lat, p.lat);
    EXPECT_NEAR(gf_angleDiff(0.0, a.block.heading), 0.0, 0.05);
}

TEST_F(CurvedTaxi, HeadingWithinHalfADegreeOfTheCurveIsKept)
{
    const LatLon p{50.0, 8.0};
    LiveAcRecord a = test::makeFlyingAircraft({{p, 0, 10, 0}, {gf_destinationPoint(p, 0.0, 300.0), 0, 10, 1000},
                                               {gf_destinationPoint(p, 0.2, 600.0), 0, 10, 2000}});
    ASSERT_TRUE(lf_setUpCurve(a));
    a.curve.step = 0.001;
    a.block.heading = 0.4 * kDegToRad;
    lf_moveOneTick(a);
    EXPECT_EQ(a.block.heading, 0.4 * kDegToRad);
}

} // namespace
} // namespace zyn
