#include "engine/motion_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zyn {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MotionMath, HeadingWrapsIntoOneTurn)
{
    const struct {
        double in, out;
    } rows[] = {
        {0.0, 0.0}, {1.0, 1.0}, {-0.1, kTwoPi - 0.1}, {kTwoPi, 0.0}, {7.0, 7.0 - kTwoPi},
        {-kTwoPi - 1.0, kTwoPi - 1.0}, {kNaN, 0.0}, {kInf, 0.0}, {-kInf, 0.0},
    };
    for (const auto& row : rows) {
        const double h = gf_wrapHeading(row.in);
        EXPECT_NEAR(h, row.out, 1e-12) << row.in;
        EXPECT_TRUE(h >= 0.0 && h < kTwoPi) << row.in;
    }
}

TEST(MotionMath, LongitudeDeltaTakesTheShortWayRound)
{
    const struct {
        double from, to, delta;
    } rows[] = {
        {10.0, 20.0, 10.0}, {20.0, 10.0, -10.0}, {179.9, -179.9, 0.2}, {-179.9, 179.9, -0.2},
        {-170.0, 170.0, -20.0}, {0.0, 0.0, 0.0},
    };
    for (const auto& row : rows)
        EXPECT_NEAR(gf_longitudeDelta(row.from, row.to), row.delta, 1e-9) << row.from << "->" << row.to;
    EXPECT_DOUBLE_EQ(gf_wrapLongitude(180.5), -179.5);
    EXPECT_DOUBLE_EQ(gf_wrapLongitude(-180.5), 179.5);
    EXPECT_DOUBLE_EQ(gf_wrapLongitude(180.0), 180.0);
}

TEST(MotionMath, TravelTicksAreWholeAndNeverShorterThan25)
{
    const struct {
        double nm, kt;
        std::int32_t ticks;
    } rows[] = {
        {1.0, 360.0, 1000},   {0.5, 180.0, 1000}, {0.0, 100.0, 25},     {0.001, 500.0, 25},
        {0.01, 0.0, 3600},    {0.01, -5.0, 3600}, {0.01, kNaN, 3600},   {0.01, 0.5, 3600},
        {kNaN, 100.0, 25},    {1e9, 1.0, 1000000000},
    };
    for (const auto& row : rows)
        EXPECT_EQ(gf_travelTicks(row.nm, row.kt), row.ticks) << row.nm << " nm at " << row.kt;
}

TEST(MotionMath, TurnTowardsStepsTheShorterWayAndStopsAtTheTarget)
{
    const struct {
        double fromDeg, toDeg, rateDeg, resultDeg;
    } rows[] = {
        {10.0, 20.0, 0.2, 10.2},   {20.0, 10.0, 0.2, 19.8},  {350.0, 10.0, 0.2, 350.2}, {10.0, 350.0, 0.2, 9.8},
        {0.0, 180.0, 0.2, 0.2},    {90.0, 90.4, 0.2, 90.0},  {90.0, 89.6, 0.2, 90.0},   {359.9, 0.3, 0.2, 359.9},
        {90.0, 90.7, 1.0, 90.7},   // closer than one step: lands on the target, no overshoot
        {0.2, 359.4, 1.0, 359.4},
    };
    for (const auto& row : rows) {
        const double h = gf_turnTowards(row.fromDeg * kDegToRad, row.toDeg * kDegToRad, row.rateDeg * kDegToRad);
        EXPECT_NEAR(h * kRadToDeg, row.resultDeg, 1e-9) << row.fromDeg << "->" << row.toDeg;
    }
}

} // namespace
} // namespace zyn
