#include "airport/quality_factor.h"
#include "tests/airport/airport_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using test::makeOption;
using test::makeStand;

TEST(QualityFactor, MatchesHandWorkedValues)
{
    auto invalid = makeOption("R0", "ZYN", "A320", 1, {1});
    auto allDay = [](std::int32_t day) {
        std::vector<int> slots(48);
        for (int i = 0; i < 48; ++i)
            slots[i] = i;
        auto option = makeOption("R" + std::to_string(day), "ZYN", "A320", day, {});
        for (int s : slots)
            option.halfHours |= std::uint64_t{1} << s;
        return option;
    };
    std::vector<ParkPosOption> everyDay;
    for (std::int32_t day = 1; day <= 7; ++day)
        everyDay.push_back(allDay(day));
    const struct {
        const char* name;
        std::vector<ParkPos> stands;
        std::int32_t real;
        std::int32_t soft;
    } rows[] = {
        {"no stands", {}, -1, -1},
        {"stands without options", {makeStand("A", 47, 8, 20), makeStand("B", 47, 8.1, 20)}, -1, -1},
        // (12.5 x 2 + 20 + 10000 + 100 + 2 x 2) x 0.3 / 0.3 x 0.00625 = 63.43
        {"small stand, one real option", {makeStand("A", 47, 8, 5, {makeOption("R1", "ZYN", "A320", 3, {16, 17})})}, 63, 0},
        // 10134.5 x 1.0 / 1.3 x 0.00625 = 48.72: the stand without options still weighs
        {"stand without options counts in the weight",
         {makeStand("S", 47, 8, 5), makeStand("L", 47, 8.1, 20, {makeOption("R1", "ZYN", "A320", 1, {10})})}, 49, 0},
        // (37.5 + 20 + 10000 + 100 + 6) x 0.00625 = 63.52, weight 1.5 for 8 m
        {"middling stand, one soft option",
         {makeStand("M", 47, 8, 8, {makeOption("R1", "ZYN", "A320", 2, {1, 2, 3}, false)})}, 0, 64},
        // day 0 counts in n and p, not in d: (12.5 + 20 + 10000 + 2) x 0.00625 = 62.72
        {"option of no particular day", {makeStand("A", 47, 8, 20, {makeOption("R1", "ZYN", "A320", 0, {5})})}, 63, 0},
        // (12.5 x 48 + 140 + 10000 + 700 + 2 x 336) x 0.00625 = 75.7
        {"every half hour of every day", {makeStand("A", 47, 8, 20, everyDay)}, 76, 0},
        // two options of no day: h = 8, p = 10: (100 + 40 + 10000 + 20) x 0.00625 = 63.5, a half rounds up
        {"half rounds away from zero",
         {makeStand("A", 47, 8, 20,
                    {makeOption("R1", "ZYN", "A320", 0, {0, 1, 2, 3, 4, 5, 6, 7}), makeOption("R2", "ZYN", "A320", 0, {0, 1})})},
         64, 0},
    };
    for (const auto& row : rows) {
        const std::uint64_t pair = gf_qualityFactor(row.stands);
        EXPECT_EQ(gf_qualityReal(pair), row.real) << row.name;
        EXPECT_EQ(gf_qualitySoft(pair), row.soft) << row.name;
    }
    // An invalid option makes the stand count as described, but adds nothing.
    std::vector<ParkPos> onlyInvalid{makeStand("A", 47, 8, 20, {invalid})};
    onlyInvalid[0].options[0].number = 0;
    EXPECT_EQ(gf_qualityFactor(onlyInvalid), gf_qualityPair(0, 0));
}

TEST(QualityFactor, PairTextShowsTheSoftFactorOnlyBelow45)
{
    const struct {
        std::int32_t real;
        std::int32_t soft;
        const char* text;
    } rows[] = {{-1, -1, "  "}, {12, -1, "12/-1"}, {44, 3, "44/ 3"}, {5, 5, " 5/ 5"}, {45, 10, "45"}, {100, 0, "100"}};
    for (const auto& row : rows)
        EXPECT_EQ(lf_qualityPairText(gf_qualityPair(row.real, row.soft)), row.text);
}

TEST(QualityFactor, BitCountCountsEveryBit)
{
    const struct {
        std::uint64_t bits;
        std::uint32_t count;
    } cases[] = {{0, 0},
                 {1, 1},
                 {0x8000000000000000u, 1},
                 {0xffffffffffffffffu, 64},
                 {(std::uint64_t{1} << kSlotsPerDay) - 1, 48},
                 {0x5555555555555555u, 32},
                 {0x00ff00000000f00fu, 16},
                 {0b10110, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(gf_bitCount(c.bits), c.count) << c.bits;
}

} // namespace
} // namespace zyn
