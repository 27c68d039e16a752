#include "base/geo.h"
#include "base/time_util.h"
#include "platform/system/clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace zyn {
namespace {

constexpr std::time_t kMonday = 1796601600; // Mon Dec 07 2026 00:00:00 UTC

std::time_t lf_at(int day, int hour, int minute, int second) // day 0 = Monday
{
    return kMonday + day * 86400 + hour * 3600 + minute * 60 + second;
}

TEST(TimeText, UtcTextAndMonthNames)
{
    EXPECT_EQ(gf_utcTimeText(0), "Thu Jan 01 00:00:00 1970");
    EXPECT_EQ(gf_utcTimeText(kMonday + 13 * 3600 + 18 * 60 + 5 - 86400), "Sun Dec 06 13:18:05 2026");
    EXPECT_EQ(gf_utcTimeText(1791000000).substr(4, 3), "Okt"); // a date in October 2026
}

TEST(TimeText, ClockTextsFollowTheClockSeam)
{
    ManualClock clock(lf_at(0, 13, 18, 5));
    gf_setClock(&clock);
    EXPECT_EQ(gf_timeOfDayText(), "13:18:05");
    EXPECT_EQ(gf_dateText(), "Dec 07, 2026");
    EXPECT_EQ(gf_simTimeStamp(), "13:18:05");
    gf_setClock(nullptr);
}

TEST(TimeSlots, HalfHourBoundaryIsThirtySecondsEarly)
{
    struct Case {
        int hour, minute, second;
        std::uint32_t slot;
    };
    const Case cases[] = {
        {10, 29, 29, 20}, {10, 29, 30, 21}, {10, 59, 59, 21}, {7, 29, 30, 15},
        {23, 59, 59, 47}, {0, 0, 0, 0},     {23, 29, 30, 47}, {0, 29, 29, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_halfHourSlotOf(lf_at(2, c.hour, c.minute, c.second)), c.slot)
            << c.hour << ":" << c.minute << ":" << c.second;
}

TEST(TimeSlots, WeekSlotNumbersSundaySeven)
{
    EXPECT_EQ(gf_weekSlotOf(lf_at(0, 0, 0, 0)), (WeekSlot{1, 0}));
    EXPECT_EQ(gf_weekSlotOf(lf_at(6, 23, 59, 59)), (WeekSlot{7, 47}));
    EXPECT_EQ(gf_weekSlotOf(lf_at(7, 0, 0, 0)), (WeekSlot{1, 0})); // Sunday midnight rolls to Monday
}

TEST(TimeSlots, ShiftedTimeUsesTrafficTimeOnlyOnceTrafficCame)
{
    ManualClock clock(lf_at(0, 12, 0, 0));
    gf_setClock(&clock);
    std::atomic<double> lastReportTime{0.0};
    gf_setLastReportTimeSource(&lastReportTime);
    g_timeShifted = true;
    EXPECT_EQ(gf_weekdayAndSlot(), (WeekSlot{1, 24})); // no traffic yet: the clock
    EXPECT_EQ(gf_simTimeStamp(), "12:00:00");
    lastReportTime = double(lf_at(3, 8, 45, 0)) + 0.7;
    EXPECT_EQ(gf_weekdayAndSlot(), (WeekSlot{4, 17}));
    EXPECT_EQ(gf_halfHourSlot(), 17u);
    EXPECT_EQ(gf_simTimeStamp(), "<<< 08:45:00");
    g_timeShifted = false;
    EXPECT_EQ(gf_weekdayAndSlot(), (WeekSlot{1, 24}));
    gf_setLastReportTimeSource(nullptr);
    gf_setClock(nullptr);
}

TEST(TimeSlots, DistanceIsSymmetricAndWrapsSundayToMonday)
{
    struct Case {
        WeekSlot a, b;
        std::uint32_t distance;
    };
    const Case cases[] = {
        {{2, 0}, {1, 47}, 1},           {{1, 0}, {7, 47}, 1},  {{3, 10}, {3, 10}, 0},
        {{6, 0}, {1, 0}, 5 * 48},       {{1, 5}, {1, 2}, 3},   {{7, 47}, {1, 0}, 1},
        {{1, 0}, {7, 0}, 48},           {{4, 20}, {2, 30}, 2 * 48 - 10},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_slotDistance(c.a, c.b), c.distance) << c.a.day << "/" << c.a.slot << " " << c.b.day << "/" << c.b.slot;
        EXPECT_EQ(gf_slotDistance(c.b, c.a), c.distance);
    }
}

TEST(Geodesy, DistanceAgainstKnownValues)
{
    EXPECT_DOUBLE_EQ(gf_distanceNm({51.47, -0.45}, {51.47, -0.45}), 0.0);
    EXPECT_NEAR(gf_distanceNm({10.0, 20.0}, {11.0, 20.0}), 60.0, 1e-9);
    EXPECT_NEAR(gf_distanceNm({0.0, 0.0}, {0.0, 1.0}), 60.0, 1e-9);
    // London Heathrow to New York JFK on the sphere of one minute of arc per mile.
    EXPECT_NEAR(gf_distanceNm({51.4700, -0.4543}, {40.6413, -73.7781}), 2991.0, 2.0);
    // Across the antimeridian: two points one degree apart on the equator.
    EXPECT_NEAR(gf_distanceNm({0.0, 179.5}, {0.0, -179.5}), 60.0, 1e-9);
}

TEST(Geodesy, AntipodesGiveHalfTheCircumferenceNotNaN)
{
    const double d = gf_distanceNm({0.0, 0.0}, {0.0, 180.0});
    ASSERT_FALSE(std::isnan(d));
    EXPECT_NEAR(d, 10800.0, 1e-6);
    EXPECT_FALSE(std::isnan(gf_distanceNm({45.0, 10.0}, {-45.0, -170.0})));
}

TEST(Geodesy, BearingCardinalsAndAntimeridian)
{
    EXPECT_NEAR(gf_bearing({10.0, 20.0}, {11.0, 20.0}), 0.0, 1e-12);
    EXPECT_NEAR(gf_bearing({0.0, 20.0}, {0.0, 21.0}), kPi / 2, 1e-12);
    EXPECT_NEAR(gf_bearing({10.0, 20.0}, {9.0, 20.0}), kPi, 1e-12);
    EXPECT_NEAR(gf_bearing({0.0, 20.0}, {0.0, 19.0}), 3 * kPi / 2, 1e-12);
    EXPECT_NEAR(gf_bearing({0.0, 179.5}, {0.0, -179.5}), kPi / 2, 1e-12); // east across 180
    EXPECT_NEAR(gf_bearing({0.0, -179.5}, {0.0, 179.5}), 3 * kPi / 2, 1e-12);
    // From the origin towards (1, 1) the initial course is atan(cos 1 degree), just under 45 degrees.
    EXPECT_NEAR(gf_bearing({0.0, 0.0}, {1.0, 1.0}), std::atan(std::cos(kDegToRad)), 1e-12);
}

TEST(Geodesy, DestinationPointRoundTripsAndWrapsLongitude)
{
    const LatLon start{47.0, 8.0};
    const auto same = gf_destinationPoint(start, 1.0, 0.0);
    EXPECT_NEAR(same.lat, 47.0, 1e-12);
    EXPECT_NEAR(same.lon, 8.0, 1e-12);
    const double feetPerNm = 6076.115485564304;
    const auto north = gf_destinationPoint({10.0, 20.0}, 0.0, 60.0 * feetPerNm);
    EXPECT_NEAR(north.lat, 11.0, 1e-6);
    EXPECT_NEAR(north.lon, 20.0, 1e-9);
    const auto east = gf_destinationPoint({0.0, 179.9}, kPi / 2, 12.0 * feetPerNm); // 0.2 degrees east
    EXPECT_NEAR(east.lon, -179.9, 1e-6);
    EXPECT_NEAR(east.lat, 0.0, 1e-9);
    // Going out and measuring back gives the distance and bearing we went.
    const auto distant = gf_destinationPoint(start, 2.0, 150.0 * feetPerNm);
    EXPECT_NEAR(gf_distanceNm(start, distant), 150.0, 1e-6);
    EXPECT_NEAR(gf_bearing(start, distant), 2.0, 1e-9);
}

TEST(Geodesy, AngleDifferenceFoldsIntoHalfTurn)
{
    EXPECT_NEAR(gf_angleDiff(0.1, 6.2), 6.1 - kTwoPi, 1e-12);
    EXPECT_NEAR(gf_angleDiff(6.2, 0.1), kTwoPi - 6.1, 1e-12);
    EXPECT_EQ(gf_angleDiff(1.0, 1.0), 0.0);
    EXPECT_NEAR(gf_angleDiff(0.0, kPi), kPi, 1e-15);
    EXPECT_NEAR(gf_angleDiff(1.0, 2.0), 1.0, 1e-15);
}

TEST(Geodesy, OriginBoxMeansNoPositionYet)
{
    EXPECT_FALSE(gf_positionKnown({0.0, 0.0}));
    EXPECT_FALSE(gf_positionKnown({0.0009, 0.05}));
    EXPECT_TRUE(gf_positionKnown({0.001, 0.0}));
    EXPECT_TRUE(gf_positionKnown({0.0, -0.01}));
    EXPECT_TRUE(gf_positionKnown({51.47, -0.45}));
}

TEST(Geodesy, LongitudeReachBoundsEveryPairWithinTheDistance)
{
    EXPECT_EQ(gf_longitudeReachDeg(5.0, 90.0), 180.0);
    EXPECT_NEAR(gf_longitudeReachDeg(60.0, 0.0), 1.0, 1e-4); // a degree of longitude is 60 NM at the equator
    EXPECT_NEAR(gf_longitudeReachDeg(30.0, 60.0), 1.0, 1e-3);
    std::mt19937 random(1);
    std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180.0, 180.0), step(-0.3, 0.3);
    for (int i = 0; i < 20000; ++i) {
        const LatLon a{lat(random), lon(random)};
        const LatLon b{std::clamp(a.lat + step(random), -90.0, 90.0), std::remainder(a.lon + 5 * step(random), 360.0)};
        const double d = gf_distanceNm(a, b);
        const double apart = std::fabs(a.lon - b.lon);
        ASSERT_LE(std::min(apart, 360.0 - apart), gf_longitudeReachDeg(d, std::max(std::fabs(a.lat), std::fabs(b.lat))))
            << a.lat << "," << a.lon << " " << b.lat << "," << b.lon;
    }
}

} // namespace
} // namespace zyn
