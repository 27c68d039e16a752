#include "parking/static_conflicts.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

constexpr LatLon kPathUser{47.45, 8.56};
constexpr double kPathHeading = 0.5; // radians

LatLon lf_offLine(LatLon from, double heading, double alongNm, double sideFt)
{
    const LatLon along = gf_destinationPoint(from, heading, alongNm * kFeetPerNm);
    return gf_destinationPoint(along, heading + kPi / 2.0, sideFt);
}

TEST(UserPath, GroundAircraftAheadOfTheLowUser)
{
    const UserFlight low{kPathUser, kPathHeading, 1800.0, 400.0};
    EXPECT_TRUE(gf_inUserGroundPath(low, lf_offLine(kPathUser, kPathHeading, 0.8, 30.0)));
    EXPECT_FALSE(gf_inUserGroundPath(low, lf_offLine(kPathUser, kPathHeading, 0.8, 60.0))) << "60 ft off the line";
    EXPECT_FALSE(gf_inUserGroundPath(low, lf_offLine(kPathUser, kPathHeading, 1.1, 0.0))) << "beyond 1 NM";
    EXPECT_FALSE(gf_inUserGroundPath(low, lf_offLine(kPathUser, kPathHeading + kPi, 0.8, 30.0))) << "behind the user";
    const UserFlight high{kPathUser, kPathHeading, 1900.0, 500.0};
    EXPECT_FALSE(gf_inUserGroundPath(high, lf_offLine(kPathUser, kPathHeading, 0.8, 30.0))) << "user at 500 ft";
}

TEST(UserPath, AirborneAircraftWhoseLineOfFlightPassesTheUser)
{
    const LatLon ai{47.40, 8.50};
    const double aiHeading = 1.2;
    const LatLon user = lf_offLine(ai, aiHeading, 3.0, 600.0);
    const UserFlight flight{user, 4.0, 5000.0, 4000.0};
    EXPECT_TRUE(gf_inUserAirPath(flight, ai, aiHeading, 4100.0)) << "900 ft below";
    EXPECT_FALSE(gf_inUserAirPath(flight, ai, aiHeading, 4000.0)) << "1000 ft below";
    EXPECT_FALSE(gf_inUserAirPath(flight, ai, aiHeading + 0.3, 4100.0)) << "its line passes far off";
    const UserFlight beyond{lf_offLine(ai, aiHeading, 4.2, 0.0), 4.0, 5000.0, 4000.0};
    EXPECT_FALSE(gf_inUserAirPath(beyond, ai, aiHeading, 5000.0)) << "beyond 4 NM";
}

TEST(StaticConflicts, WingsTouchWithTheMargin)
{
    EXPECT_TRUE(gf_wingsTouch(0.01, 0.01, 0.021));
    EXPECT_FALSE(gf_wingsTouch(0.01, 0.01, 0.023));
}

TEST(StaticConflicts, CallsignsOfStatics)
{
    struct Case {
        const char* callsign;
        const char* callsign2;
        std::uint8_t slotMatch;
        const char* expected;
    };
    const Case cases[] = {
        {"KLM12", "KLM13", 1, "KLM12*"}, {"KLM12", "KLM13", 0, "KLM13*"}, {"", "KLM13", 1, "KLM13*"},
        {"KLM12", "", 0, "KLM12*"},      {"KLM12__", "", 1, "KLM12*"},    {"KLM12*", "", 1, "KLM12*"},
        {"___", "", 1, "*"},             {"", "", 1, ""},
    };
    for (const Case& c : cases) {
        StandCandidate candidate;
        candidate.callsign = c.callsign;
        candidate.callsign2 = c.callsign2;
        candidate.slotMatch = c.slotMatch;
        EXPECT_EQ(lf_detcs(candidate), c.expected) << c.callsign << "/" << c.callsign2;
    }
    EXPECT_EQ(gf_nextStaticNumber(9999), 0u);
    EXPECT_EQ(gf_nextStaticNumber(41), 42u);
}

TEST(StaticConflicts, StayersAreSortedByHalfHoursStood)
{
    EXPECT_EQ(gf_stayerFit({3, 10}, {3, 14}), 4);
    EXPECT_EQ(gf_stayerFit({7, 47}, {1, 1}), 2) << "Sunday night into Monday";
    EXPECT_EQ(gf_stayerFit({2, 40}, {3, 2}), 10);
}

} // namespace
} // namespace zyn
