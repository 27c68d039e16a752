#include "aircraft/ac_category.h"
#include "aircraft/aircraft_db.h"
#include "aircraft/category_tables.h"
#include "airport/park_pos.h"
#include "base/geo.h"
#include "engine/records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace zyn {
namespace {

TEST(CategoryTables, UnknownCodeIsAnOutOfRangeKey)
{
    for (std::uint32_t code : {6u, 7u, 0xFFFFFFFFu}) {
        EXPECT_THROW(gf_categoryName(code), std::out_of_range);
        try {
            gf_categoryConstants(code);
            ADD_FAILURE() << code;
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "invalid unordered_map<K, T> key");
        }
    }
}

TEST(CategoryValues, PitchesAreSpreadExactlyUpOrDown)
{
    const double rotation = -5.0 * kDegToRad;
    const double climb = -12.5 * kDegToRad;
    int rotationUp = 0, climbUp = 0;
    for (int i = 0; i < 200; ++i) {
        AcRecord ac;
        gf_setCategoryValues(ac, AcCategory::Heavy);
        EXPECT_EQ(ac.category, AcCategory::Heavy);
        EXPECT_EQ(ac.flareTicks, 450u);
        const bool rUp = std::abs(ac.rotationPitch - rotation * 1.025) < 1e-12;
        const bool rDown = std::abs(ac.rotationPitch - rotation * 0.975) < 1e-12;
        const bool cUp = std::abs(ac.climbPitch - climb * 1.05) < 1e-12;
        const bool cDown = std::abs(ac.climbPitch - climb * 0.95) < 1e-12;
        ASSERT_TRUE(rUp || rDown) << ac.rotationPitch;
        ASSERT_TRUE(cUp || cDown) << ac.climbPitch;
        rotationUp += rUp;
        climbUp += cUp;
    }
    EXPECT_GT(rotationUp, 0);
    EXPECT_LT(rotationUp, 200);
    EXPECT_GT(climbUp, 0);
    EXPECT_LT(climbUp, 200);
}

TEST(CategoryValues, NewAircraftTakesItsHeadAndTheValuesOfItsCategory)
{
    AcHead head;
    head.callsign = "SWR12";
    head.type = "C172";
    head.registration = "HB-ABC";
    const AcRecord ac = gf_makeAiAircraft(head);
    EXPECT_EQ(ac.head.callsign, "SWR12");
    EXPECT_EQ(ac.head.registration, "HB-ABC");
    EXPECT_EQ(ac.category, gf_aircraftCategory("C172"));
    EXPECT_EQ(ac.halfWingspanNm, gf_wingspan("C172"));
    EXPECT_EQ(ac.flareTicks, gf_categoryConstants(ac.categoryCode()).flareTicks);
    EXPECT_EQ(ac.rotationTicks, gf_categoryConstants(ac.categoryCode()).rotationTicks);
    EXPECT_LT(ac.rotationPitch, 0.0);
    EXPECT_EQ(ac.hexId, 0u);
    EXPECT_EQ(ac.turnRate, 0.0) << "live values are set by the intake";
}

TEST(CategoryValues, LiveValuesFollowTheCategory)
{
    AcRecord ac;
    ac.category = AcCategory::Rotorcraft;
    gf_setLiveCategoryValues(ac);
    EXPECT_DOUBLE_EQ(ac.turnRateBase, 0.0034906585039886587);
    EXPECT_DOUBLE_EQ(ac.turnRate, ac.turnRateBase);
    EXPECT_EQ(ac.categoryFactor, 0.75);
    EXPECT_EQ(ac.categorySpeedStep, 5.0);
}

AcRecord aircraft(std::string callsign, std::string reg, std::string from, std::string to)
{
    AcRecord ac;
    ac.head.callsign = std::move(callsign);
    ac.head.registration = std::move(reg);
    ac.head.origin = std::move(from);
    ac.head.destination = std::move(to);
    ac.head.type = "B738";
    ac.head.airline = "KLM";
    return ac;
}

TEST(AircraftDescriptions, PaddedFieldsForLogLines)
{
    const AcRecord routed = aircraft("KLM1234", "PH-BXA", "AMS", "LHR");
    EXPECT_EQ(gf_acDescriptionLong(routed), "KLM1234  PH-BXA   AMS->LHR");
    EXPECT_EQ(gf_acDescription(routed), "KLM1234  PH-BXA   AMS->LHR B738 KLM ");
    EXPECT_EQ(gf_acDescription3(routed), "KLM1234  PH-BXA B738 KLM ");
    EXPECT_EQ(gf_acTextWithSuffix(routed), "B738 KLM  PH-BXA");

    const AcRecord bare = aircraft("X1", "", "", "");
    EXPECT_EQ(gf_acDescriptionLong(bare), "X1" + std::string(24, ' ')); // route blanks keep the columns
}

TEST(AircraftDescriptions, AirlinePrefixNeedsThreeLettersAndADigit)
{
    const struct {
        const char* callsign;
        std::optional<std::string> prefix;
    } rows[] = {
        {"AB1", std::nullopt},   {"abc1", "ABC"},        {"ab12", std::nullopt},
        {"KLM1234", "KLM"},      {"N123AB", std::nullopt}, {"KLMA", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(gf_airlinePrefix(row.callsign), row.prefix) << row.callsign;
}

TEST(AircraftDescriptions, SameKeyPairComparesAirlineAndType)
{
    const AcRecord a = aircraft("A", "", "", "");
    ParkPosOption option;
    option.airline = "KLM";
    option.type = "B738";
    EXPECT_TRUE(gf_sameKeyPair(a, option));
    option.type = "B737";
    EXPECT_FALSE(gf_sameKeyPair(a, option));
    AcRecord other = a;
    other.head.callsign = "B";
    EXPECT_TRUE(gf_sameKeyPair(a, other));
}

TEST(WeekSlotsBack, StepsBackOverMidnightAndTheWeek)
{
    std::vector<WeekSlot> slots;
    gf_weekSlotsBack({1, 0}, 3, slots);
    EXPECT_EQ(slots, (std::vector<WeekSlot>{{1, 0}, {7, 47}, {7, 46}}));
    slots.clear();
    gf_weekSlotsBack({4, 2}, 2, slots);
    EXPECT_EQ(slots, (std::vector<WeekSlot>{{4, 2}, {4, 1}}));
}

TEST(LiveAircraftRecord, StartsNewWithItsFirstReport)
{
    AcRecord ac = aircraft("KLM1", "PH-A", "", "");
    ac.hexId = 0x484B4C;
    Situation first;
    first.lat = 52.3;
    const LiveAcRecord a(first, ac, 1700000000.5);
    EXPECT_EQ(a.head.callsign, "KLM1");
    EXPECT_EQ(a.hexId, 0x484B4Cu);
    EXPECT_EQ(a.state, ObjectState::New);
    EXPECT_EQ(a.phase, MovePhase::New);
    EXPECT_EQ(a.previousPhase, MovePhase::New);
    EXPECT_EQ(a.lastThrottle, 5u);
    EXPECT_EQ(a.lastFlaps, 4u);
    EXPECT_EQ(a.feedKind, 1u);
    ASSERT_EQ(a.stream.size(), 1u);
    EXPECT_EQ(a.stream.front().lat, 52.3);
    EXPECT_EQ(a.lastFeedTime, 1700000000.5);
    EXPECT_EQ(a.windowBack, 1000);
    EXPECT_EQ(a.windowAhead, 1000);
    EXPECT_EQ(a.phaseCounter, 1);
    EXPECT_EQ(a.heightAboveGroundFt, 2500.0);
    EXPECT_FALSE(a.curve.active());
    EXPECT_TRUE(std::isnan(a.curve.originLat));
}

// The live list moves its records when it grows and when it is compacted: each keeps its stream
// (front and the rest, also after its ring has wrapped) and its motion values.
TEST(LiveAircraftRecord, MovesKeepTheStreamAndTheMotion)
{
    std::vector<LiveAcRecord> list;
    for (int i = 0; i < 4; ++i) {
        Situation s;
        s.timeKey = 100 * i;
        LiveAcRecord a(s, aircraft("KLM" + std::to_string(i), "", "", ""), 0.0);
        for (int k = 1; k < 6 + 5 * i; ++k) {
            s.timeKey = 100 * i + k;
            a.stream.push_back(s);
            if (k % 2 == 0)
                a.stream.pop_front(); // the ring wraps
        }
        a.block.lat = 50.0 + i;
        a.latPerTick = 0.001 * i;
        a.phase = MovePhase::Taxi;
        list.push_back(std::move(a));
    }
    std::vector<std::vector<std::int32_t>> keys;
    for (const auto& a : list) {
        keys.emplace_back();
        for (const Situation& s : a.stream)
            keys.back().push_back(s.timeKey);
    }
    list.reserve(list.capacity() * 4); // grows: every record moves
    list.erase(list.begin() + 1);      // compacts: the later ones move down
    keys.erase(keys.begin() + 1);
    ASSERT_EQ(list.size(), 3u);
    const int kept[] = {0, 2, 3};
    for (std::size_t n = 0; n < list.size(); ++n) {
        const LiveAcRecord& a = list[n];
        std::vector<std::int32_t> now;
        for (const Situation& s : a.stream)
            now.push_back(s.timeKey);
        EXPECT_EQ(now, keys[n]) << a.head.callsign;
        EXPECT_EQ(a.head.callsign, "KLM" + std::to_string(kept[n]));
        EXPECT_EQ(a.block.lat, 50.0 + kept[n]);
        EXPECT_EQ(a.latPerTick, 0.001 * kept[n]);
        EXPECT_EQ(a.phase, MovePhase::Taxi);
    }
}

} // namespace
} // namespace zyn
