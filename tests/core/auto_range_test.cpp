#include "base/geo.h"
#include "core/auto_range.h"
#include "parking/park_airport.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/user_aircraft.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

TEST(AutoRange, FollowsHeightAndDistanceAtTheThresholds)
{
    const double above = param::AUTO_RANGE_ABOVE_HEIGHT.value.load();
    const double airport = param::AIRPORT_HEIGHT.value.load();
    struct Case {
        bool onGround;
        double altitudeFt;
        std::optional<double> distanceNm;
        std::int32_t range;
    };
    const Case cases[] = {
        {true, 60000.0, 50.0, 10},       // on the ground whatever the height and distance
        {false, above + 1.0, 3.0, 100},  {false, above, 3.0, 40}, // strictly above
        {false, airport + 1.0, 3.0, 40}, {false, airport, 3.0, 10},
        {false, 1000.0, 7.0, 10},        {false, 1000.0, 7.4, 10},  {false, 1000.0, 7.5, 11},
        {false, 1000.0, 20.5, 24},       {false, 1000.0, 36.9, 40}, {false, 1000.0, 37.0, 40},
        {false, 1000.0, std::nullopt, 40}, // no park airport
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_autoRangeNm(c.onGround, c.altitudeFt, c.distanceNm), c.range)
            << c.onGround << " " << c.altitudeFt << " " << c.distanceNm.value_or(-1.0);
}

class AutoRangeApplied : public ::testing::Test {
protected:
    void TearDown() override
    {
        std::lock_guard lock(g_parkAirportsMutex);
        g_parkAirports.clear();
        g_userAc.reset();
        g_userOnGround = 0;
        param::AUTO_RANGE.value = param::AUTO_RANGE.defaultValue;
        gf_setTrafficRange(param::LATERAL_RANGE.defaultValue);
    }
    // The user 1000 ft up, distanceNm north of the park airport.
    void flyNear(double distanceNm)
    {
        const LatLon airport{52.3, 4.76};
        {
            std::lock_guard lock(g_parkAirportsMutex);
            g_parkAirports = {ParkAirport{.icao = "EHAM", .stand = "", .lat = airport.lat, .lon = airport.lon}};
        }
        UserAcData user;
        user.lat = airport.lat + distanceNm / 60.0;
        user.lon = airport.lon;
        user.altitude = 1000.0;
        g_userAc.set(user);
    }
};

TEST_F(AutoRangeApplied, NearTheParkAirportGivesTheAirportRangeAndItsMode)
{
    param::AUTO_RANGE.value = 1;
    flyNear(5.0);
    gf_adjustTrafficRange();
    EXPECT_EQ(param::LATERAL_RANGE.value.load(), 10);
    EXPECT_EQ(g_rangeMetres.load(), 28520u);
    EXPECT_EQ(g_airportRangeMode.load(), 1);
    flyNear(20.0);
    gf_adjustTrafficRange();
    EXPECT_EQ(param::LATERAL_RANGE.value.load(), 23);
    EXPECT_EQ(g_rangeNm.load(), 23.0);
    EXPECT_EQ(g_airportRangeMode.load(), 0);
}

TEST_F(AutoRangeApplied, AirportRangeWithAutoRangeOffLeavesTheModeClear)
{
    param::AUTO_RANGE.value = 0;
    g_userOnGround = 1;
    gf_adjustTrafficRange();
    EXPECT_EQ(g_rangeNm.load(), 10.0);
    EXPECT_EQ(g_airportRangeMode.load(), 0);
}

} // namespace
} // namespace zyn
