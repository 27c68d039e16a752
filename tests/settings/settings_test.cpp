#include "settings/settings.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace zyn {
namespace {

TEST(SettingsParameters, EveryControlHasItsOwnId)
{
    using namespace param;
    const std::vector<const ParameterControl*> controls{
        &MSFS_2020, &ALWAYS_ON_TOP, &LOG, &SCAN_LIVERIES, &LIG_AUTOMATIC, &LIG_PRIORITIZE, &SUPPRESS_STUB,
        &SCAN_AIRPORTS, &LEARN_SOFT, &NAV_LIGHTS_WHILE_PARKED, &GUID_CHANGES, &CALLSIGN_OBJECTIDS,
        &LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT, &AUTO_RANGE, &SIM_TIME, &COLLISION_USER_AIR,
        &COLLISION_USER_GND, &COLLISION_LIVE_PARKED_GND, &KEEP_SIM_TIME_PAR, &STRAIGHT_PBS_ONLY,
        &INITIAL_LOAD_ONLY, &PARK_SOFT, &PARK_FAKE, &WEEK, &RT_PARKTRAFFIC_ONLY, &AI_PACKAGE_ORDER,
        &MATCHING_DEPTH, &LATERAL_RANGE, &AUTO_RANGE_ABOVE_HEIGHT, &TIME_SHIFT_HOURS, &TIME_SHIFT_DAYS,
        &TIME_SHIFT_MINS, &MAX_LIVE, &CUSTOM_MAX_PARK, &AIRPORT_RANGE, &AIRPORT_HEIGHT, &parking_percentage,
        &MAX_FIT, &MAX_FIT_FL, &ALL_INSTALL_PATH, &CALLSIGN_2_OBJECTID, &BLOCK_CALLSIGN, &DESTINATION,
        &UNBLOCK_BUTTON, &REREAD_BUTTON, &FLUSH_STATIC_BUTTON};
    std::set<std::uint16_t> ids;
    for (const auto* control : controls)
        EXPECT_TRUE(ids.insert(control->controlId).second) << control->controlId;
    EXPECT_EQ(ids.size(), 48u);
}

} // namespace
} // namespace zyn
