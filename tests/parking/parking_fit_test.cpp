#include "airport/park_pos.h"
#include "parking/parking_fit.h"
#include "settings/settings.h"
#include "shown/display_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zyn {
namespace {

TEST(ParkCount, FollowsThePercentageAndTheMaximum)
{
    struct Case {
        std::int32_t pct;
        std::uint64_t stands;
        std::int32_t maxPark;
        std::int64_t count;
        std::int32_t percent;
    };
    const Case cases[] = {
        {30, 2, -1, 1, 30},   {50, 2, -1, 1, 50},    {30, 4, -1, 1, 30},    {25, 10, -1, 3, 25},
        {30, 20, -1, 6, 30},  {0, 2, -1, 1, 0},      {0, 20, -1, 0, 0},     {30, 0, -1, 1, 30},
        {30, 1, -1, 1, 30},   {49, 3, -1, 1, 49},    {50, 3, -1, 2, 50},    {30, 20, 0, 0, 0},
        {30, 100, 10, 10, 10}, {30, 100, 500, 30, 30}, {30, 0, 5, 1, 0},    {100, 7, 3, 3, 43},
    };
    for (const Case& c : cases) {
        const ParkCount r = gf_parkCountFor(c.pct, c.stands, c.maxPark);
        EXPECT_EQ(r.count, c.count) << c.pct << "% of " << c.stands << " max " << c.maxPark;
        EXPECT_EQ(r.percent, c.percent) << c.pct << "% of " << c.stands << " max " << c.maxPark;
    }
}

ParkPos lf_stand(const std::string& id, std::vector<ParkPosOption> options = {})
{
    return ParkPos(id, std::move(options), 52.3, 4.76, 0.0, 30.0, 1, 1, 1);
}

class ParkingFit : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_resetParkingFit();
        g_stands.clear();
        s_windows.clear();
        gf_setStandSearch(lf_testSearch);
        param::MAX_FIT.value.store(47);
        param::CUSTOM_PARKING_PERCENTAGE.value.store(-1);
        param::CUSTOM_MAX_PARK.value.store(-1);
        param::parking_percentage.value.store(30);
        param::PARK_SOFT.value.store(1);
        param::PARK_FAKE.value.store(0);
    }
    void TearDown() override
    {
        gf_setStandSearch(nullptr);
        g_stands.clear();
        gf_resetParkingFit();
    }

    // Takes every free stand with an option of the kind that has the window's day and slot.
    static void lf_testSearch(WeekSlot slot, bool real, std::int32_t span, std::vector<StandCandidate>& found)
    {
        s_windows.push_back(slot);
        for (ParkPos& p : g_stands) {
            if (p.taken || p.reserved) continue;
            for (const ParkPosOption& o : p.options) {
                if (o.real != (real ? 1u : 0u) || o.day != static_cast<std::int32_t>(slot.day) ||
                    ((o.halfHours >> slot.slot) & 1u) == 0)
                    continue;
                p.taken = true;
                StandCandidate c;
                c.fitted = 1;
                c.standId = p.sid;
                c.fit = span;
                c.callsign = o.callsign;
                found.push_back(c);
                break;
            }
        }
    }

    // count stands used on day at slot, real or soft.
    void addStands(std::size_t count, std::int32_t day, std::uint32_t slot, bool real)
    {
        for (std::size_t i = 0; i < count; ++i) {
            ParkPosOption o;
            o.day = day;
            o.halfHours = std::uint64_t{1} << slot;
            o.real = real ? 1 : 0;
            o.number = 1;
            o.callsign = "S" + std::to_string(g_stands.size());
            g_stands.push_back(lf_stand(o.callsign, {o}));
        }
        gf_numberStands(g_stands);
    }

    static inline std::vector<WeekSlot> s_windows;
};

TEST_F(ParkingFit, CountIsStoredAndShown)
{
    addStands(20, 1, 10, true);
    EXPECT_EQ(lf_parkCount(), 6);
    EXPECT_EQ(g_parkCount, 6);
    EXPECT_EQ(gf_displayTexts().parking.parkCount, 6);
    param::CUSTOM_PARKING_PERCENTAGE.value.store(0);
    EXPECT_EQ(lf_parkCount(), 0) << "0 % is a percentage, not the airport's";
    param::CUSTOM_PARKING_PERCENTAGE.value.store(50);
    param::CUSTOM_MAX_PARK.value.store(4);
    EXPECT_EQ(lf_parkCount(), 4);
    EXPECT_EQ(gf_displayTexts().parking.achievedPercent, 20);
}

TEST(ParkingWindow, StepsBackOverDaysAndTheWeek)
{
    EXPECT_EQ(gf_windowStart({1, 0}, 1), (WeekSlot{7, 47})) << "Monday slot 0 goes back to Sunday 47";
    EXPECT_EQ(gf_windowStart({3, 5}, 3), (WeekSlot{3, 2}));
    EXPECT_EQ(gf_windowStart({2, 2}, 47), (WeekSlot{1, 3}));
    EXPECT_EQ(gf_windowStart({4, 20}, 0), (WeekSlot{4, 20}));
    EXPECT_TRUE(gf_parkedAtOrBefore({7, 47}, {1, 0})) << "Sunday before a Monday window";
    EXPECT_FALSE(gf_parkedAtOrBefore({1, 0}, {7, 47})) << "Monday after a Sunday window";
    EXPECT_TRUE(gf_parkedAtOrBefore({3, 4}, {3, 4}));
    EXPECT_FALSE(gf_parkedAtOrBefore({3, 5}, {3, 4}));
    EXPECT_TRUE(gf_parkedAtOrBefore({2, 40}, {3, 4}));
    EXPECT_TRUE(gf_parkedBefore({7, 47}, {1, 0})) << "the same week rule";
    EXPECT_FALSE(gf_parkedBefore({1, 0}, {7, 47}));
    EXPECT_FALSE(gf_parkedBefore({3, 4}, {3, 4})) << "parked at the window's start is in it";
    EXPECT_TRUE(gf_parkedBefore({3, 3}, {3, 4}));
}

TEST_F(ParkingFit, WidensTheWindowUntilEnoughStandsAreTaken)
{
    addStands(2, 3, 10, true); // Wednesday 05:00
    addStands(3, 3, 7, true);  // three half hours earlier
    std::vector<StandCandidate> found;
    EXPECT_TRUE(lf_fitStands({3, 10}, true, 4, found));
    EXPECT_EQ(s_windows, (std::vector<WeekSlot>{{3, 10}, {3, 9}, {3, 8}, {3, 7}}));
    EXPECT_EQ(g_realFitSteps, 3);
    EXPECT_EQ(g_softFitSteps, -1);
    EXPECT_EQ(g_standCandidates.size(), 2u) << "earlier steps are listed";
    EXPECT_EQ(found.size(), 3u) << "the last step's stands are left to the caller";
    EXPECT_EQ(found[0].fit, 3);
}

TEST_F(ParkingFit, GivesUpAfterMaxFitSteps)
{
    addStands(3, 7, 40, true); // Sunday 20:00
    param::MAX_FIT.value.store(0);
    std::vector<StandCandidate> found;
    EXPECT_FALSE(lf_fitStands({1, 6}, true, 1, found));
    EXPECT_EQ(s_windows.size(), 1u) << "MAX_FIT 0 tries step 0 only";
    param::MAX_FIT.value.store(47);
    s_windows.clear();
    EXPECT_FALSE(lf_fitStands({1, 0}, true, 10, found));
    ASSERT_EQ(s_windows.size(), 48u);
    EXPECT_EQ(s_windows[1], (WeekSlot{7, 47}));
    EXPECT_EQ(g_standCandidates.size(), 3u) << "what the steps found stays";
}

TEST_F(ParkingFit, FillsUpToTheWantedNumberBesideParkedTraffic)
{
    addStands(12, 2, 20, true);
    for (std::uint32_t i = 0; i < 3; ++i) { // three stands placed from parked traffic
        g_stands[i].taken = true;
        g_standCandidates.push_back({0x400000u + i, 0, g_stands[i].sid, 0, "KLM", "A320", "", "", "", 1});
    }
    lf_fitRealThenSoft({2, 20}, 10, 3);
    EXPECT_EQ(g_standCandidates.size(), 10u);
    EXPECT_EQ(g_standCandidates[0].hexId, 0x400000u) << "parked traffic keeps its place";
}

TEST_F(ParkingFit, LeavesRoomForPositionsHeldElsewhere)
{
    addStands(12, 2, 20, true);
    g_standCandidates.push_back({0x400000u, 0, 99, 0, "KLM", "A320", "", "", "", 1});
    // 1 candidate, 4 live parked or staying statics: room for 5 more of 10.
    lf_fitRealThenSoft({2, 20}, 10, 5);
    EXPECT_EQ(g_standCandidates.size(), 6u);
}

TEST_F(ParkingFit, SoftPassWhenRealOptionsFallShort)
{
    addStands(2, 5, 30, true);
    addStands(3, 5, 30, false);
    lf_fitRealThenSoft({5, 30}, 4, 0);
    EXPECT_EQ(g_standCandidates.size(), 4u);
    EXPECT_EQ(g_softFitSteps, 0);
    EXPECT_TRUE(gf_displayTexts().parking.softParking);

    TearDown();
    SetUp();
    addStands(2, 5, 30, true);
    addStands(3, 5, 30, false);
    param::PARK_SOFT.value.store(0);
    lf_fitRealThenSoft({5, 30}, 4, 0);
    EXPECT_EQ(g_standCandidates.size(), 2u) << "no soft parking: the real stands only";
    EXPECT_FALSE(gf_displayTexts().parking.softParking);
}

} // namespace
} // namespace zyn
