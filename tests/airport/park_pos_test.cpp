#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/log.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <random>

namespace zyn {
namespace {

std::uint64_t bits(std::initializer_list<int> slots)
{
    std::uint64_t b = 0;
    for (int s : slots)
        b |= std::uint64_t{1} << s;
    return b;
}

TEST(ParkPosRecord, ConstructorStoresRadiusInNmAndNegatedFlags)
{
    const ParkPos cargoRamp("A1", {}, 47.0, 8.0, 1.5, 18.52, 0, 0, 1);
    EXPECT_DOUBLE_EQ(cargoRamp.radius, 0.01);
    EXPECT_TRUE(cargoRamp.cargo);
    EXPECT_TRUE(cargoRamp.ramp);
    EXPECT_FALSE(cargoRamp.heli);
    EXPECT_EQ(cargoRamp.sid, 0u);
    EXPECT_FALSE(cargoRamp.liveOccupied);
    EXPECT_GE(cargoRamp.adjacent.capacity(), 8u);

    const ParkPos helipad("H", {}, 0, 0, 0, 0, 1, 1, 0);
    EXPECT_FALSE(helipad.cargo);
    EXPECT_FALSE(helipad.ramp);
    EXPECT_TRUE(helipad.heli);
}

TEST(ParkPosRecord, StandBySidFindsTheFirstOfThatNumber)
{
    g_stands.clear();
    g_stands.emplace_back("A", std::vector<ParkPosOption>{}, 0, 0, 0, 20, 1, 1, 1);
    g_stands.emplace_back("B", std::vector<ParkPosOption>{}, 0, 0, 0, 20, 1, 1, 1);
    g_stands.emplace_back("C", std::vector<ParkPosOption>{}, 0, 0, 0, 20, 1, 1, 1);
    g_stands[0].sid = 1;
    g_stands[1].sid = 2;
    g_stands[2].sid = 2;
    EXPECT_EQ(gf_standBySid(2)->id, "B");
    EXPECT_EQ(gf_standBySid(1)->id, "A");
    EXPECT_EQ(gf_standBySid(3), nullptr);
    EXPECT_EQ(gf_standBySid(0), nullptr);
    g_stands.clear();
}

TEST(StandList, OverlappingStandsListEachOtherInListOrder)
{
    // 30 m apart with radii 20 m and 15 m: 35 m > 1.1 x 30 m; at 32 m apart (35.2 m) they do not overlap.
    const double metreLon = 1.0 / (60.0 * kMetresPerNm); // at the equator
    const struct {
        double apartMetres;
        bool overlap;
    } rows[] = {{30.0, true}, {31.8, true}, {32.0, false}, {100.0, false}};
    for (const auto& row : rows) {
        std::vector<ParkPos> stands;
        stands.emplace_back("A", std::vector<ParkPosOption>{}, 0.0, 10.0, 0, 20, 1, 1, 1);
        stands.emplace_back("B", std::vector<ParkPosOption>{}, 0.0, 10.0 + row.apartMetres * metreLon, 0, 15, 1, 1, 1);
        gf_numberStands(stands);
        gf_linkOverlappingStands(stands);
        EXPECT_EQ(stands[0].sid, 1u);
        EXPECT_EQ(stands[1].sid, 2u);
        EXPECT_EQ(stands[0].adjacent, row.overlap ? std::vector<std::uint32_t>{2} : std::vector<std::uint32_t>{}) << row.apartMetres;
        EXPECT_EQ(stands[1].adjacent, row.overlap ? std::vector<std::uint32_t>{1} : std::vector<std::uint32_t>{}) << row.apartMetres;
    }
}

// A file of stands piled on one spot: each lists a bounded number of the others, both ways.
TEST(StandList, StandsPiledOnOneSpotListABoundedNumberEach)
{
    const test::TempDir dir;
    const test::ScopedCwd cwd{dir.path()};
    gf_openLog();
    constexpr std::size_t kStands = 8000;
    std::vector<ParkPos> stands;
    for (std::size_t i = 0; i < kStands; ++i)
        stands.emplace_back(std::to_string(i), std::vector<ParkPosOption>{}, 47.0 + 1e-7 * static_cast<double>(i % 89),
                            8.0 + 1e-7 * static_cast<double>(i % 97), 0, 30.0, 1, 1, 1);
    gf_numberStands(stands);
    gf_linkOverlappingStands(stands);
    gf_closeLog();
    std::size_t links = 0;
    for (const auto& a : stands) {
        ASSERT_LE(a.adjacent.size(), kMostAdjacentStands) << a.id;
        for (const std::uint32_t sid : a.adjacent)
            ASSERT_TRUE(std::ranges::binary_search(stands[sid - 1].adjacent, a.sid)) << a.id << " " << sid;
        links += a.adjacent.size();
    }
    EXPECT_GE(links, kStands * kMostAdjacentStands / 2);
    EXPECT_NE(test::readText(dir / "Log.txt").find(fmt::format("only {} of them are listed", kMostAdjacentStands)), std::string::npos);
}

TEST(StandList, LinksTheSamePairsAsComparingEveryPair)
{
    // Near the pole and the date line, and in rows of equal latitude as gates stand.
    for (const LatLon centre : {LatLon{89.995, 179.998}, LatLon{47.0, 8.0}}) {
        std::mt19937 random(3);
        std::uniform_real_distribution<double> spread(-0.004, 0.004);
        std::vector<ParkPos> stands;
        for (int i = 0; i < 400; ++i) {
            const double lat = centre.lat > 80.0 ? centre.lat + spread(random) * 0.5 : centre.lat + 0.001 * (i / 40);
            stands.emplace_back(std::to_string(i), std::vector<ParkPosOption>{}, lat, centre.lon + spread(random), 0,
                                5.0 + (i % 40), 1, 1, 1);
        }
        gf_numberStands(stands);
        gf_linkOverlappingStands(stands);
        std::size_t links = 0;
        for (const auto& a : stands) {
            std::vector<std::uint32_t> expected;
            for (const auto& b : stands)
                if (a.sid != b.sid &&
                    a.radius + b.radius > 1.1 * gf_distanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude}))
                    expected.push_back(b.sid);
            ASSERT_EQ(a.adjacent, expected) << a.id;
            links += expected.size();
        }
        EXPECT_GT(links, 0u);
    }
}

TEST(HourListText, WritesSetSlotsInAscendingOrder)
{
    std::string all;
    for (int n = 0; n < 48; ++n)
        all += (n ? "," : "") + std::to_string(n);
    const struct {
        std::uint64_t set;
        std::string text;
    } rows[] = {
        {0, ""},
        {bits({0}), "0"},
        {bits({16, 17, 40}), "16,17,40"},
        {(std::uint64_t{1} << 48) - 1, all},
        {bits({47}) | bits({50}), "47"}, // bits above 47 are never written
    };
    for (const auto& row : rows)
        EXPECT_EQ(gf_hoursText(row.set), row.text) << row.text;
}

class HourListParse : public ::testing::Test {
protected:
    void SetUp() override { gf_openLog(); }
    void TearDown() override { gf_closeLog(); }
    std::vector<std::string> logLinesAfterHeader()
    {
        auto lines = test::readLines("Log.txt");
        return {lines.begin() + 1, lines.end()};
    }
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
};

TEST_F(HourListParse, KeepsValidSlotsAndLogsEachBadPiece)
{
    const struct {
        std::string text;
        std::uint64_t set;
        std::vector<std::string> logged;
    } rows[] = {
        {"", 0, {}},
        {"3,47", bits({3, 47}), {}},
        {"3,48,x", bits({3}), {"gf_hours2bitset invalid hour \"48\" in 3,48,x", "gf_hours2bitset invalid hour \"x\" in 3,48,x"}},
        {"5,", bits({5}), {"gf_hours2bitset invalid hour \"\" in 5,"}},
        {" 7", 0, {"gf_hours2bitset invalid hour \" 7\" in  7"}},
        {"12x,-0", bits({0, 12}), {}},
        {"-3,1,,2", bits({1, 2}), {"gf_hours2bitset invalid hour \"-3\" in -3,1,,2", "gf_hours2bitset invalid hour \"\" in -3,1,,2"}},
        {"99999999999,4", bits({4}), {"gf_hours2bitset invalid hour \"99999999999\" in 99999999999,4"}},
        {"07,10", bits({7, 10}), {}},
        {"123", 0, {"gf_hours2bitset invalid hour \"123\" in 123"}},
    };
    std::vector<std::string> expectedLog;
    for (const auto& row : rows) {
        // As a text and as the file readers hand it over: the same set and the same lines.
        EXPECT_EQ(gf_hours2bitset(row.text), row.set) << row.text;
        EXPECT_EQ(gf_hours2bitset(row.text.c_str()), row.set) << row.text;
        for (int i = 0; i < 2; ++i)
            expectedLog.insert(expectedLog.end(), row.logged.begin(), row.logged.end());
    }
    EXPECT_EQ(logLinesAfterHeader(), expectedLog);
}

TEST(HourListRoundTrip, ParsingTheTextGivesTheSetBack)
{
    std::mt19937_64 random(7);
    for (int i = 0; i < 500; ++i) {
        const std::uint64_t set = random() & ((std::uint64_t{1} << 48) - 1);
        EXPECT_EQ(gf_hours2bitset(gf_hoursText(set)), set);
        EXPECT_EQ(gf_hours2bitset(gf_hoursText(set).c_str()), set);
    }
}

} // namespace
} // namespace zyn
