#include "engine/records.h"
#include "livery/matching.h"

#include "base/log.h"
#include "base/random_util.h"
#include "core/exit.h"
#include "settings/settings.h"
#include "shown/status_line.h"
#include "sim/failed_liveries.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/livery_fixture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

namespace zyn::test {
namespace {

const std::vector<LiveryData> kFleet{
    livery("SWR", "A320", "Swiss A320 One"),
    livery("SWR", "A320", "Swiss A320 Two"),
    livery("SWR", "A320", "Swiss A320 HB-JLT", "HB-JLT"),
    livery("ZZZ", "A320", "Neutral A320"),
    livery("ZZZ", "B738", "Neutral B738"),
    livery("FDX", "B763", "FedEx B763", "", true),
    livery("DLH", "B763", "Lufthansa B763"),
    livery("DLH", "C172", "Lufthansa C172"),
    livery("DLH", "C172", "Lufthansa C172 Cargo", "", true),
    livery("ZZZ", "EC35", "Neutral EC35 FSLTL_X"),
};

class LiveryLadder : public ::testing::Test {
protected:
    void SetUp() override { gf_openLog(); }
    void TearDown() override
    {
        liveries.reset();
        gf_closeLog();
        gf_resetFailedLiveries();
        gf_resetStatusLine();
        param::MATCHING_DEPTH.value = param::MATCHING_DEPTH.defaultValue;
        param::LOG.value = param::LOG.defaultValue;
    }
    void install(const std::vector<LiveryData>& fleet, const std::vector<std::string>& regcodes = {})
    {
        liveries.emplace(fleet, regcodes);
    }
    static LiveAcRecord aircraft(std::string airline, std::string type, std::string reg = "",
                                 AcCategory category = AcCategory::Large, bool cargo = false)
    {
        LiveAcRecord a;
        a.head.airline = std::move(airline);
        a.head.type = std::move(type);
        a.head.registration = std::move(reg);
        a.head.callsign = "TST1";
        a.category = category;
        a.cargo = cargo ? 1 : 0;
        return a;
    }
    // The ladder step of one live match (0: none) and its title.
    std::pair<int, std::string> match(LiveAcRecord a)
    {
        const auto before = g_matchStepCounts;
        gf_matchLiveAcLivery(a);
        int step = 0;
        for (std::size_t k = 0; k < before.size(); ++k)
            if (g_matchStepCounts[k] != before[k])
                step = static_cast<int>(k + 1);
        return {step, std::string(a.liveryTitle)};
    }

    TempDir dir;
    ScopedCwd cwd{dir.path()};
    std::optional<InstalledLiveries> liveries;
};

TEST_F(LiveryLadder, EachStepAtEachDepth)
{
    install(kFleet);
    struct Case {
        const char* name;
        std::int32_t depth;
        LiveAcRecord aircraft;
        int step;
        std::set<std::string> titles; // empty: no livery
    };
    const Case cases[] = {
        {"registration at depth 1", 1, aircraft("DLH", "B738", "HB-JLT"), 1, {"Swiss A320 HB-JLT"}},
        {"only registrations at depth 1", 1, aircraft("SWR", "A320"), 0, {}},
        {"airline and type", 2, aircraft("SWR", "A320"), 2, {"Swiss A320 One", "Swiss A320 Two", "Swiss A320 HB-JLT"}},
        {"private aircraft take a neutral livery at depth 2", 2, aircraft("PVT", "B738"), 4, {"Neutral B738"}},
        {"no neutral livery at depth 2", 2, aircraft("RYR", "B738"), 0, {}},
        {"neutral only for small categories at depth 3", 3, aircraft("RYR", "B738"), 0, {}},
        {"neutral for a light aircraft at depth 3", 3, aircraft("RYR", "B738", "", AcCategory::Light), 4, {"Neutral B738"}},
        {"neutral for every category at depth 4", 4, aircraft("RYR", "B738"), 4, {"Neutral B738"}},
        {"no airline goes to the fallbacks", 4, aircraft("", "A320"), 4, {"Neutral A320"}},
        {"no airline at depth 2", 2, aircraft("", "A320"), 0, {}},
        {"any airline's livery of the type", 3, aircraft("KLM", "C172", "", AcCategory::Light), 5, {"Lufthansa C172"}},
        {"large aircraft get no other airline's livery", 4, aircraft("KLM", "B763"), 0, {}},
        {"cargo aircraft take passenger liveries of their airline", 2,
         aircraft("DLH", "B763", "", AcCategory::Heavy, true), 2, {"Lufthansa B763"}},
        {"passenger aircraft never take cargo liveries", 4, aircraft("FDX", "B763"), 0, {}},
        {"cargo aircraft take only cargo liveries of any airline", 3,
         aircraft("KLM", "C172", "", AcCategory::Light, true), 5, {"Lufthansa C172 Cargo"}},
    };
    for (const auto& c : cases) {
        param::MATCHING_DEPTH.value = c.depth;
        const auto [step, title] = match(c.aircraft);
        EXPECT_EQ(step, c.step) << c.name;
        if (c.titles.empty())
            EXPECT_EQ(title, "") << c.name;
        else
            EXPECT_TRUE(c.titles.contains(title)) << c.name << ": " << title;
    }
}

// The steps that ask the aircraft database: registration spellings and records, similar types of
// the airline, stand-in types of a category.
TEST_F(LiveryLadder, StepsThatAskTheAircraftDatabase)
{
    auto content = dbaseWith({"A320", "A321", "B738", "B763", "C172", "C152", "EC35"}, {"SWR", "EDW", "DLH"},
                             {{"HB-IJK", {"SWR", "A320", "EDW", false}}});
    // A type in no class list is light: B738 must be listed, or it would stand in for light aircraft.
    content.large = {"A320", "A321", "B738"};
    content.heavy = {"B763"};
    content.rotorcraft = {"EC35"};
    content.similar = {{"A320", "A321"}};
    ScopedDbase dbase(content);
    install(kFleet);
    const std::set<std::string> swiss{"Swiss A320 One", "Swiss A320 Two", "Swiss A320 HB-JLT"};
    EXPECT_EQ(match(aircraft("SWR", "B738", "HBJLT")), (std::pair<int, std::string>{1, "Swiss A320 HB-JLT"}))
        << "the spelling with a dash";
    const auto byRecord = match(aircraft("XXX", "A320", "HB-IJK"));
    EXPECT_EQ(byRecord.first, 2) << "the airline of the registration's record";
    EXPECT_TRUE(swiss.contains(byRecord.second));
    const auto similar = match(aircraft("SWR", "A321"));
    EXPECT_EQ(similar.first, 3);
    EXPECT_TRUE(swiss.contains(similar.second));
    EXPECT_EQ(match(aircraft("SWR", "A321", "", AcCategory::Heavy)).first, 0) << "a similar type of another category";
    EXPECT_EQ(match(aircraft("KLM", "C152", "", AcCategory::Light)), (std::pair<int, std::string>{6, "Lufthansa C172"}));

    auto parkedHeavy = AiAcRecord(aircraft("SWR", "A321", "", AcCategory::Heavy), 1, 0.0, 0.0, 0.0, 0);
    EXPECT_TRUE(gf_matchParkedAcLivery(parkedHeavy, ParkPos{"A1", {}, 47.0, 8.0, 0.0, 30.0, 1, 1, 1}))
        << "parked aircraft take similar types of any category";
    EXPECT_TRUE(swiss.contains(std::string(parkedHeavy.liveryTitle)));
}

TEST_F(LiveryLadder, SpecialLiveriesAreWornOnlyByTheirOwnAircraft)
{
    // One registration on a line makes its livery special; so do several with "#".
    auto fleet = kFleet;
    fleet.push_back(livery("EIN", "B738", "Aer Lingus B738"));
    install(fleet, {"Swiss A320 One;HB-AAA", "Swiss A320 Two;HB-BBB,HB-CCC;#", "Aer Lingus B738;EI-ABC"});
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(match(aircraft("SWR", "A320")).second, "Swiss A320 HB-JLT");
    EXPECT_EQ(match(aircraft("SWR", "A320", "HB-CCC")), (std::pair<int, std::string>{1, "Swiss A320 Two"}));
    EXPECT_EQ(match(aircraft("EIN", "B738")), (std::pair<int, std::string>{4, "Neutral B738"})) << "all special";
}

TEST_F(LiveryLadder, TitleTheSimulatorCouldNotCreateCountsNothing)
{
    install(kFleet);
    AcHead failed;
    failed.type = "B738";
    gf_liveryCreateFailed(failed, "Neutral B738");
    EXPECT_EQ(match(aircraft("RYR", "B738")), (std::pair<int, std::string>{0, ""}));
}

TEST_F(LiveryLadder, FsltlFlagFollowsTheTitleAndTheMatchIsLogged)
{
    install(kFleet);
    param::LOG.value = 1;
    auto heli = aircraft("REGA", "EC35", "HB-ZRX", AcCategory::Rotorcraft);
    gf_matchLiveAcLivery(heli);
    EXPECT_EQ(heli.fsltlTitle, 1);
    auto swiss = aircraft("SWR", "A320", "HB-JLT");
    swiss.fsltlTitle = 1;
    gf_matchLiveAcLivery(swiss);
    EXPECT_EQ(swiss.fsltlTitle, 0);
    const auto lines = readLines("Log.txt");
    const std::string expected = "          " + gf_acDescription(swiss) + " =1= Swiss A320 HB-JLT";
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());
}

TEST_F(LiveryLadder, OneNumberIsDrawnPerChoiceAndNoneForASingleCandidate)
{
    install(kFleet);
    const std::mt19937 before = gf_randomEngine();
    EXPECT_EQ(match(aircraft("DLH", "B763")).second, "Lufthansa B763");
    EXPECT_EQ(gf_randomEngine(), before);
    EXPECT_EQ(match(aircraft("SWR", "A320")).first, 2);
    std::mt19937 oneDraw = before;
    oneDraw.discard(1);
    EXPECT_EQ(gf_randomEngine(), oneDraw);
}

class ParkedLivery : public LiveryLadder {
protected:
    static AiAcRecord parked(std::string airline, std::string type, std::string reg = "")
    {
        return AiAcRecord(aircraft(std::move(airline), std::move(type), std::move(reg)), 1, 0.0, 0.0, 0.0, 0);
    }
    ParkPos stand{"A12", {}, 47.0, 8.0, 0.0, 30.0, 1, 1, 1};
    ParkPos cargoStand{"C3", {}, 47.0, 8.0, 0.0, 30.0, 0, 1, 1};
};

TEST_F(ParkedLivery, KeepsItsTitleTakesTheStandsCargoFlagAndCountsNoLiveMatch)
{
    install(kFleet);
    const auto before = g_matchStepCounts;
    auto kept = parked("SWR", "A320");
    kept.liveryTitle = "Kept";
    EXPECT_TRUE(gf_matchParkedAcLivery(kept, stand));
    EXPECT_EQ(kept.liveryTitle, "Kept");
    auto onCargoStand = parked("DLH", "C172");
    EXPECT_TRUE(gf_matchParkedAcLivery(onCargoStand, cargoStand));
    EXPECT_EQ(onCargoStand.cargo, 1);
    EXPECT_EQ(onCargoStand.liveryTitle, "Lufthansa C172 Cargo");
    auto freighterAtGate = parked("FDX", "B763");
    freighterAtGate.cargo = 1;
    EXPECT_FALSE(gf_matchParkedAcLivery(freighterAtGate, stand));
    EXPECT_EQ(g_matchStepCounts, before);

    install({livery("", "A320", "Unnamed A320")});
    auto noAirline = parked("", "A320");
    EXPECT_TRUE(gf_matchParkedAcLivery(noAirline, stand)) << "the airline step runs with an empty airline";
    EXPECT_EQ(noAirline.liveryTitle, "Unnamed A320");
}

TEST_F(ParkedLivery, UnmatchedAndNotCreatableAircraftStayWithoutLivery)
{
    install(kFleet);
    param::LOG.value = 1;
    auto unknown = parked("RYR", "B38M");
    EXPECT_FALSE(gf_matchParkedAcLivery(unknown, stand));
    const auto lines = readLines("Log.txt");
    const std::string expected = fmt::format("{:8}: {} no livery match ...", "A12", gf_acDescription3(unknown));
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());

    AcHead failed;
    failed.type = "B763";
    gf_liveryCreateFailed(failed, "Lufthansa B763");
    const std::size_t logged = readLines("Log.txt").size();
    auto refused = parked("DLH", "B763");
    EXPECT_FALSE(gf_matchParkedAcLivery(refused, stand));
    EXPECT_TRUE(refused.liveryTitle.empty());
    EXPECT_EQ(readLines("Log.txt").size(), logged) << "no line for a refused title";
}

// The ladder reads nothing but its arguments: a catalogue built here, with no installed livery and no
// aircraft database behind it. One title per entry, so no draw decides.
TEST(LiveryLadderFunction, ReadsOnlyItsArguments)
{
    const std::array<TextMap<TypeTitles>, 2> byAirlineType{
        TextMap<TypeTitles>{{"SWR", TypeTitles{{"A320", {"Swiss A320"}}}}, {"ZZZ", TypeTitles{{"B738", {"Neutral B738"}}}}},
        TextMap<TypeTitles>{}};
    const std::array<TypeTitles, 2> genericByType{TypeTitles{{"C172", {"Any C172"}}}, TypeTitles{}};
    const TextMap<std::string_view> regcodes{{"HB-JLT", "Swiss HB-JLT"}};
    const std::vector<std::string_view> special{"Swiss HB-JLT"};
    const std::vector<std::string> none, a320{"A320"}, c172{"C172"};
    const LiveryCatalogue catalogue{
        byAirlineType,
        genericByType,
        regcodes,
        special,
        [&](std::string_view airline, std::string_view type) -> const std::vector<std::string>& {
            return airline == "SWR" && type == "A321" ? a320 : none;
        },
        [&](std::string_view type) -> const std::vector<std::string>& { return type == "C152" ? c172 : none; },
        [](std::string_view type) { return type == "C172" || type == "C152" ? AcCategory::Light : AcCategory::Large; },
        [](std::string_view reg) { return std::string(reg == "HB-IJK" ? "EDW" : ""); },
        [](std::string_view reg) { return std::string(reg == "HB-IJK" ? "SWR" : ""); }};
    const struct {
        const char* name;
        std::int32_t depth;
        const char *airline, *type, *reg;
        AcCategory category;
        int step;
        const char* title;
    } cases[] = {
        {"registration", 4, "DLH", "B738", "HBJLT", AcCategory::Large, 1, "Swiss HB-JLT"},
        {"airline and type", 2, "SWR", "A320", "", AcCategory::Large, 2, "Swiss A320"},
        {"airline of the registration", 2, "XXX", "A320", "HB-IJK", AcCategory::Large, 2, "Swiss A320"},
        {"similar type of the airline", 3, "SWR", "A321", "", AcCategory::Large, 3, "Swiss A320"},
        {"airline-neutral", 4, "RYR", "B738", "", AcCategory::Large, 4, "Neutral B738"},
        {"any airline's type", 3, "RYR", "C172", "", AcCategory::Light, 5, "Any C172"},
        {"stand-in type", 3, "RYR", "C152", "", AcCategory::Light, 6, "Any C172"},
        {"registrations only at depth 1", 1, "SWR", "A320", "", AcCategory::Large, 0, ""},
    };
    std::mt19937 random(7);
    for (const auto& c : cases) {
        AcRecord a;
        a.head.airline = c.airline;
        a.head.type = c.type;
        a.head.registration = c.reg;
        a.category = c.category;
        const LiveryMatch match = gf_matchLivery(a, LadderRules{c.depth}, catalogue, random);
        EXPECT_EQ(match.step, c.step) << c.name;
        EXPECT_EQ(match.title, c.title) << c.name;
    }
}

} // namespace
} // namespace zyn::test
