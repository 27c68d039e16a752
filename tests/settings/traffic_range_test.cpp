#include "settings/settings.h"
#include "settings/traffic_range.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

TEST(TrafficRange, StartsAtTheSettingsDefault)
{
    EXPECT_EQ(g_rangeNm, param::LATERAL_RANGE.defaultValue);
    EXPECT_EQ(g_rangeMetres, static_cast<std::uint32_t>(param::LATERAL_RANGE.defaultValue) * 1852 + 10000);
}

TEST(TrafficRange, SetterClampsAndKeepsTheThreeValuesInStep)
{
    struct Case {
        std::int32_t nm;
        std::int32_t range;
        std::uint32_t metres;
    };
    const Case cases[] = {{40, 40, 84080}, {10, 10, 28520}, {100, 100, 195200}, {2, 2, 13704},
                          {1, 2, 13704},   {-5, 2, 13704},  {101, 100, 195200}, {1000000, 100, 195200}};
    for (const auto& c : cases) {
        gf_setTrafficRange(c.nm);
        EXPECT_EQ(param::LATERAL_RANGE.value, c.range) << c.nm;
        EXPECT_EQ(g_rangeNm, c.range) << c.nm;
        EXPECT_EQ(g_rangeMetres, c.metres) << c.nm;
    }
}

} // namespace
} // namespace zyn
