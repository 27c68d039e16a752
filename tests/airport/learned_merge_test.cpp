#include "airport/learned_merge.h"
#include "airport/quality_factor.h"
#include "base/units.h"
#include "settings/airport_settings.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "platform/system/full_disk.h"
#include "shown/status_line.h"
#include "tests/airport/airport_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <fmt/format.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using A = tools::Attributes;

int g_rangeAdjustments = 0;
void lf_countRangeAdjustment() { ++g_rangeAdjustments; }

class LearnedMerge : public test::AirportFixture {
protected:
    LearnedMerge()
    {
        tools::ApfSpec stock{.parameters = test::stockParameters()};
        for (int i = 1; i <= 4; ++i)
            stock.stands.push_back(test::fullStand(fmt::format("A{}", i), 50.0, 10.0 + i * 0.001, {},
                                                   {{{"reg", "TV-OLD"}, {"airl", "ZYN"}, {"type", "A320"}, {"day", "2"}, {"hh", "10,11"}}}));
        EXPECT_TRUE(gf_readApfBytes(tools::gf_apfXml(stock), "stock.xml", info, quality, stands));
        gf_setAutoRangeAdjustment(lf_countRangeAdjustment);
        g_rangeAdjustments = 0;
    }
    ~LearnedMerge() override
    {
        gf_setAutoRangeAdjustment(nullptr);
    }
    void merge(const tools::ApfSpec& learned, const std::string& airportName = "Test field")
    {
        writeApf("learned.xml", learned);
        lf_readLearned("learned.xml", airportName, stands, g_handmade);
    }
    const ParkPos& stand(const std::string& id) const
    {
        const auto it = std::ranges::find(stands, id, &ParkPos::id);
        EXPECT_NE(it, stands.end()) << id;
        return *it;
    }
};

tools::ParkposSpec lf_bare(std::string id, A extra = {}, std::vector<A> options = {})
{
    A attributes{{"id", std::move(id)}};
    attributes.insert(attributes.end(), extra.begin(), extra.end());
    return {std::move(attributes), std::move(options)};
}

TEST_F(LearnedMerge, MergesEachKindOfLearnedChange)
{
    std::vector<A> everyDay;
    for (int day = 1; day <= 7; ++day)
        everyDay.push_back({{"reg", fmt::format("TV-D{}", day)}, {"airl", "TVO"}, {"type", "B738"}, {"day", std::to_string(day)},
                            {"hh", "20"}, {"soft", day % 2 ? "true" : "false"}});
    tools::ApfSpec learned{.parameters = {{"airport_name", "Test field"}}};
    learned.stands = {
        lf_bare("A1", {{"radius_change", "true"}, {"radius", "37.04"}}),
        lf_bare("A2", {{"cargo_change", "true"}, {"cargo", "true"}}),
        lf_bare("A3", {}, everyDay),
        lf_bare("A4", {},
                {{{"reg", "TV-OLD"}, {"airl", "ZYN"}, {"type", "A320"}, {"day", "2"}, {"hh", "11,12"}},   // overlaps: dropped
                 {{"reg", "TV-OLD"}, {"airl", "ZYN"}, {"type", "A320"}, {"day", "2"}, {"hh", "30,31"}},   // disjoint: added
                 // seen under a callsign the file's own option lacks: added
                 {{"reg", "TV-OLD"}, {"airl", "ZYN"}, {"type", "A320"}, {"cs", "ZYN7"}, {"day", "2"}, {"hh", "11"}}}),
        test::fullStand("M1", 50.0, 10.02, {{"manual", "true"}, {"radius", "15.0"}},
                        {{{"reg", "TV-NEW"}, {"airl", "QKX"}, {"type", "E190"}, {"day", "5"}, {"hh", "1"}}}),
        test::fullStand("A1", 50.0, 10.03, {{"manual", "true"}}),
        test::fullStand("M3", 0.0005, 0.01, {{"manual", "true"}}),
        test::fullStand("M4", 50.0, 10.04, {{"manual", "true"}, {"radius", "0"}}),
        lf_bare("X9", {{"radius_change", "true"}, {"radius", "20"}}),
    };
    merge(learned);
    EXPECT_FALSE(g_handmade);
    EXPECT_NEAR(stand("A1").radius, 0.02, 1e-12);
    EXPECT_TRUE(stand("A1").radiusChanged);
    EXPECT_TRUE(stand("A2").cargo);
    EXPECT_TRUE(stand("A2").cargoChanged);
    EXPECT_FALSE(stand("A3").radiusChanged);
    ASSERT_EQ(stand("A3").options.size(), 8u);
    for (std::uint32_t i = 1; i < 8; ++i) {
        const auto& option = stand("A3").options[i];
        EXPECT_EQ(option.day, static_cast<std::int32_t>(i));
        EXPECT_EQ(option.number, i + 1); // after the archived option
        EXPECT_EQ(option.archived, 0u);
        EXPECT_EQ(option.real, i % 2 ? 0u : 1u);
    }
    ASSERT_EQ(stand("A4").options.size(), 3u);
    EXPECT_EQ(stand("A4").options[0].halfHours, test::slotBits({10, 11})); // the archived option is never extended
    EXPECT_EQ(stand("A4").options[0].archived, 1u);
    EXPECT_EQ(stand("A4").options[1].halfHours, test::slotBits({30, 31}));
    EXPECT_EQ(stand("A4").options[1].number, 2u);
    EXPECT_EQ(stand("A4").options[2].callsign, "ZYN7");
    EXPECT_EQ(stand("A4").options[2].number, 3u);
    ASSERT_EQ(stands.size(), 5u); // M1 only
    EXPECT_TRUE(stand("M1").manual);
    EXPECT_EQ(stand("M1").options.at(0).archived, 0u);
    EXPECT_TRUE(logHas("===> manually created standid A1 already exists in learned.xml"));
    EXPECT_TRUE(logHas("===> manually created standid M3 misses correct attributes in learned.xml"));
    EXPECT_TRUE(logHas("===> manually created standid M4 misses correct attributes in learned.xml"));
    EXPECT_TRUE(logHas("learned stand X9 in learned.xml not found?"));
    EXPECT_TRUE(logHas("Read from learned airport file: \"learned.xml\""));
}

TEST_F(LearnedMerge, PerAirportSettingsAreTakenOrReset)
{
    using namespace param;
    LEARN_SOFT.value = 1;
    MAX_LIVE.value = 50;
    parking_percentage.value = 70;
    WEEK.value = 0;
    MAX_FIT.value = 47;
    gf_setTrafficRange(40);
    gf_takeUsersAirportSettings();
    const struct {
        const char* name;
        A parameters;
        std::function<void()> check;
    } rows[] = {
        {"absent: MAX_LIVE -1, parking_percentage 30, the rest unchanged", {},
         [] {
             EXPECT_EQ(MAX_LIVE.value.load(), -1);
             EXPECT_EQ(parking_percentage.value.load(), 30);
             EXPECT_TRUE(LEARN_SOFT.on());
             EXPECT_EQ(MAX_FIT.value.load(), 47);
             EXPECT_EQ(g_rangeAdjustments, 0);
         }},
        {"values taken; MAX_FIT in hours",
         {{"LEARN_SOFT", "false"}, {"MAX_LIVE", "120"}, {"WEEK", "yes"}, {"parking_percentage", "45"}, {"MAX_FIT", "5"},
          {"PARK_FAKE", "1"}, {"PARK_SOFT", "false"}, {"INITIAL_LOAD_ONLY", "true"}, {"RT_PARKTRAFFIC_ONLY", "T"}},
         [] {
             EXPECT_FALSE(LEARN_SOFT.on());
             EXPECT_EQ(MAX_LIVE.value.load(), 120);
             EXPECT_TRUE(WEEK.on());
             EXPECT_EQ(parking_percentage.value.load(), 45);
             EXPECT_EQ(MAX_FIT.value.load(), 5);
             EXPECT_FLOAT_EQ(MAX_FIT_FL.value.load(), 3.0f);
             EXPECT_TRUE(PARK_FAKE.on());
             EXPECT_FALSE(PARK_SOFT.on());
             EXPECT_TRUE(INITIAL_LOAD_ONLY.on());
             EXPECT_TRUE(RT_PARKTRAFFIC_ONLY.on());
         }},
        {"out of bounds: clamped", {{"MAX_LIVE", "999"}, {"parking_percentage", "150"}, {"MAX_FIT", "-4"}},
         [] {
             EXPECT_EQ(MAX_LIVE.value.load(), 300);
             EXPECT_EQ(parking_percentage.value.load(), 100);
             EXPECT_EQ(MAX_FIT.value.load(), 0);
         }},
        {"automatic range: adjusted, the user's own range kept", {{"LATERAL_RANGE", "25"}, {"AUTO_RANGE", "true"}},
         [] {
             EXPECT_EQ(g_rangeAdjustments, 1);
             EXPECT_EQ(gf_usersAirportSettings().lateralRange, 40);
             EXPECT_TRUE(AUTO_RANGE.on());
         }},
        {"no automatic range: the airport's range", {{"LATERAL_RANGE", "12"}, {"AUTO_RANGE", "false"}},
         [] {
             EXPECT_EQ(LATERAL_RANGE.value.load(), 12);
             EXPECT_EQ(g_rangeNm.load(), 12.0);
             EXPECT_EQ(g_rangeMetres.load(), 12u * 1852u + 10000u);
             EXPECT_FALSE(AUTO_RANGE.on());
         }},
        {"no automatic range and no range: the user's own range", {{"AUTO_RANGE", "false"}},
         [] { EXPECT_EQ(LATERAL_RANGE.value.load(), 40); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        merge({.parameters = row.parameters});
        row.check();
    }
    EXPECT_TRUE(logHas("          MAX_FIT                 : 5 (max number of half hours, is 3 hrs decimal)"));
    EXPECT_TRUE(logHas("          parking_percentage      : 150"));
    EXPECT_TRUE(logHas("===> parking_percentage 150 out of range, 100 used"));
}

TEST_F(LearnedMerge, HandmadeFileReplacesTheStandsWhateverItsValue)
{
    tools::ApfSpec handmade{.parameters = {{"handmade", "false"}}};
    handmade.stands = {test::fullStand("H1", 51.0, 11.0), test::fullStand("H2", 51.0, 11.001),
                       test::fullStand("H1", 51.0, 11.002), test::fullStand("H3", 51.0, 11.003)};
    merge(handmade);
    EXPECT_TRUE(g_handmade);
    std::vector<std::string> ids;
    for (const auto& s : stands)
        ids.push_back(s.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"H1", "H2", "H3"})); // the repeated id is skipped, the rest read
    EXPECT_TRUE(logHas("===> learned.xml: parkpos \"H1\": Parking position H1 appears more than once?, skipped"));
    EXPECT_TRUE(logHas("          handmade                : false"));
}

TEST_F(LearnedMerge, FileThatCannotBeLoadedIsKeptAndChangesNothing)
{
    const auto before = stands.size();
    const std::string broken = "<meta><info name=\"author\" value=\"Tarvo\"/></meta><parkpositions><parkpos id=\"A1\" radius_ch";
    test::writeText("airports/learned/stock/EDDT.xml", broken);
    test::writeText("airports/learned/stock/EDDT0.xml", "an older backup");
    param::MAX_LIVE.value = 77;
    lf_readLearned("airports/learned/stock/EDDT.xml", "Test field", stands, g_handmade);
    EXPECT_EQ(stands.size(), before);
    EXPECT_FALSE(stand("A1").radiusChanged);
    EXPECT_EQ(param::MAX_LIVE.value.load(), 77);
    EXPECT_EQ(test::readText("airports/learned/stock/EDDT0.xml"), broken);
    EXPECT_EQ(test::readText("airports/learned/stock/EDDT.xml"), broken);
    EXPECT_TRUE(logContains("airports/learned/stock/EDDT.xml found, but could not be loaded, saved as *.0.xml: "));
    EXPECT_EQ(gf_learnedBackupPath("a/b.c/EDDT.xml"), fs::path("a/b.c/EDDT0.xml"));
    EXPECT_EQ(gf_learnedBackupPath("a/EDDT"), fs::path());
}

// The copy of a file that was not taken is the only one left of it: a disk that fills while it is
// made leaves the older copy whole instead of a cut one.
TEST_F(LearnedMerge, CopyOfAFileNotTakenNeverCutsTheOlderCopy)
{
    const std::string broken = "<meta><info name=\"author\" value=\"Tarvo\"/></meta><parkpositions><parkpos id=\"A1\" radius_ch";
    test::writeText("airports/learned/stock/EDDT.xml", broken);
    test::writeText("airports/learned/stock/EDDT0.xml", "an older backup");
    gf_setFullDisk(FullDisk{"airports/learned/stock", 10});
    lf_readLearned("airports/learned/stock/EDDT.xml", "Test field", stands, g_handmade);
    gf_setFullDisk(std::nullopt);
    EXPECT_EQ(test::readText("airports/learned/stock/EDDT0.xml"), "an older backup");
    EXPECT_EQ(test::readText("airports/learned/stock/EDDT.xml"), broken);
    EXPECT_EQ(std::distance(fs::directory_iterator("airports/learned/stock"), {}), 2);
    EXPECT_TRUE(logContains("copy_file"));
}

TEST_F(LearnedMerge, FileOfAnotherMakerOrAirportIsReported)
{
    tools::ApfSpec foreign{.meta = false, .parameters = {{"MAX_LIVE", "12"}}};
    foreign.stands = {lf_bare("A1", {{"radius_change", "true"}, {"radius", "30"}})};
    param::MAX_LIVE.value = 77;
    merge(foreign);
    EXPECT_TRUE(logHas("===> meta data incorrect?"));
    EXPECT_EQ(param::MAX_LIVE.value.load(), 77);
    EXPECT_FALSE(stand("A1").radiusChanged);

    merge({.parameters = {{"airport_name", "Other field"}}});
    EXPECT_EQ(gf_statusMessage(),
              "Warning: learned file airport name: \"Other field\" differs from archived file airport name: \"Test field\"");
}

// What static parking saves (archived options dropped, learned state kept) reads back as it was.
TEST_F(LearnedMerge, SavedLearnedStateReadsBackOverTheStockStands)
{
    std::vector<ParkPos> learnedState = stands;
    learnedState[0].radius = 33.0 * kNmPerMetre;
    learnedState[0].radiusChanged = true;
    learnedState[1].cargo = true;
    learnedState[1].cargoChanged = true;
    auto learnedOption = test::makeOption("TV-LRN", "TVO", "B738", 6, {40, 41}, false);
    learnedOption.number = 2;
    learnedOption.archived = 0;
    learnedOption.callsign = "TVO12";
    learnedOption.callsign2 = "TVO13";
    learnedState[2].options.push_back(learnedOption);
    learnedState.push_back(test::makeStand("MAN", 50.01, 10.0, 12.0, {test::makeOption("TV-MAN", "QKX", "E190", 1, {2})}));
    learnedState.back().manual = true;
    learnedState.back().options[0].archived = 0;
    std::vector<ParkPos> toSave = learnedState;
    for (auto& s : toSave)
        std::erase_if(s.options, [](const ParkPosOption& o) { return o.archived == 1; });
    ASSERT_TRUE(gf_writeApf({.airportName = "Test field", .publisher = "stock", .stands = toSave}, "learned.xml",
                            ApfMode::Learned));
    lf_readLearned("learned.xml", "Test field", stands, g_handmade);
    ASSERT_EQ(stands.size(), learnedState.size());
    for (std::size_t i = 0; i < stands.size(); ++i) {
        SCOPED_TRACE(stands[i].id);
        EXPECT_EQ(stands[i].id, learnedState[i].id);
        EXPECT_NEAR(stands[i].radius, learnedState[i].radius, 0.05 * kNmPerMetre);
        EXPECT_EQ(stands[i].radiusChanged, learnedState[i].radiusChanged);
        EXPECT_EQ(stands[i].cargo, learnedState[i].cargo);
        EXPECT_EQ(stands[i].cargoChanged, learnedState[i].cargoChanged);
        EXPECT_EQ(stands[i].manual, learnedState[i].manual);
        ASSERT_EQ(stands[i].options.size(), learnedState[i].options.size());
        for (std::size_t o = 0; o < stands[i].options.size(); ++o) {
            const auto& r = stands[i].options[o];
            const auto& w = learnedState[i].options[o];
            EXPECT_EQ(std::tie(r.registration, r.airline, r.type, r.callsign, r.callsign2, r.day, r.halfHours, r.real,
                               r.number, r.archived),
                      std::tie(w.registration, w.airline, w.type, w.callsign, w.callsign2, w.day, w.halfHours, w.real,
                               w.number, w.archived));
        }
    }
}

} // namespace
} // namespace zyn
