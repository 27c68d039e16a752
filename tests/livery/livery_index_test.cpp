#include "livery/livery_index.h"

#include "platform/win32/window.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "shown/display_state.h"
#include "shown/windows.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/download_fixture.h"
#include "tests/support/livery_fixture.h"

#include <fmt/format.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace zyn::test {
namespace {

// Every type counts as Light until the aircraft database is loaded.
class LiveryIndex : public DownloadFixture {
protected:
    ~LiveryIndex() override
    {
        gf_resetLiveryIndex();
        param::HELICOPTERS.value = param::HELICOPTERS.defaultValue;
        param::HIGH_PERF_AIRCRAFT.value = param::HIGH_PERF_AIRCRAFT.defaultValue;
    }
    static std::vector<std::string> titlesOf(const TitleViews& views) { return {views.begin(), views.end()}; }
};

TEST_F(LiveryIndex, GroupsByAirlineTypeAndKindWhateverTheInputOrder)
{
    gf_buildLiveryIndex({livery("SWR", "A320", "Swiss b"), livery("FDX", "B763", "FedEx", "", true),
                         livery("SWR", "A320", "Swiss a"), livery("DLH", "B763", "Lufthansa"),
                         livery("DLH", "B763", "Lufthansa Cargo", "", true)});
    EXPECT_EQ(titlesOf(g_liveriesByAirlineType[kPassenger].at("SWR").at("A320")),
              (std::vector<std::string>{"Swiss a", "Swiss b"}));
    EXPECT_FALSE(g_liveriesByAirlineType[kPassenger].contains("FDX")) << "only cargo liveries";
    EXPECT_TRUE(g_liveriesByAirlineType[kCargo].contains("FDX"));
    EXPECT_EQ(g_genericLiveriesByType[kPassenger].at("B763").size(), 1u);
    EXPECT_EQ(g_genericLiveriesByType[kCargo].at("B763").size(), 2u);
    EXPECT_TRUE(logHas("3 airlines, 2 pax aircraft models and 1 cargo aircraft models"));
    EXPECT_TRUE(logHas("No generic liveries"));
    EXPECT_TRUE(logHas("Category Light: 3 pax liveries and 2 cargo liveries"));
    EXPECT_TRUE(logHas("  A320,B763"));
    EXPECT_EQ(g_categoryTypePools[0], (std::vector<std::string>{"A320", "B763"}));
    EXPECT_EQ(g_liveryCount.load(), 5u);

    EXPECT_TRUE(gf_hasLiveryForAirlineType("DLH", "B763"));
    EXPECT_FALSE(gf_hasLiveryForAirlineType("DLH", "A320"));
    EXPECT_TRUE(gf_hasGenericLivery("B763"));
    EXPECT_FALSE(gf_hasGenericLivery("B738"));
    EXPECT_EQ(gf_findLiveryByTitle("FedEx"), "FedEx");
    EXPECT_EQ(gf_findLiveryByTitle("fedex"), "");
}

TEST_F(LiveryIndex, GenericModelsAreListedTwentyToALine)
{
    std::vector<LiveryData> liveries;
    for (int i = 0; i < 21; ++i)
        liveries.push_back(livery("ZZZ", fmt::format("T{:02}", i), fmt::format("Neutral {}", i)));
    gf_buildLiveryIndex(liveries);
    const auto lines = logLines();
    const auto at = std::find(lines.begin(), lines.end(), "21 models have a generic livery");
    ASSERT_NE(at, lines.end());
    ASSERT_GE(lines.end() - at, 3);
    EXPECT_EQ(std::count(at[1].begin(), at[1].end(), ','), 19);
    EXPECT_EQ(at[2], "  T20");
}

TEST_F(LiveryIndex, CategoriesWithoutLiveriesAreSwitchedOffAndSaved)
{
    param::HELICOPTERS.value = 1;
    param::HIGH_PERF_AIRCRAFT.value = 0;
    gf_buildLiveryIndex({livery("SWR", "A320", "Swiss")});
    EXPECT_FALSE(param::HELICOPTERS.on());
    EXPECT_EQ(savedValue("HELICOPTERS"), "false");
    EXPECT_TRUE(logHas("Category Rotorcraft: No livery found"));
    EXPECT_TRUE(logHas("HELICOPTERS temporary switched off because you do not have Helicopters installed"));
    EXPECT_TRUE(logHas("Category HighPerf: No livery found"));
    EXPECT_EQ(savedValue("HIGH_PERF_AIRCRAFT"), "") << "an off setting is not saved again";
}

TEST_F(LiveryIndex, CategoryLinesPoolsAndCheckBoxesFollowTheInstalledLiveries)
{
    auto content = dbaseWith({"LJ35", "EC35", "A320"});
    content.buzjet = {"LJ35"};
    content.rotorcraft = {"EC35"};
    content.large = {"A320"};
    ScopedDbase dbase(content);
    const auto box = [] { return CreateWindowExW(0, TEXT("BUTTON"), TEXT(""), 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr); };
    const HWND heliBox = box();
    const HWND highPerfBox = box();
    EnableWindow(heliBox, FALSE);
    gf_setControlWindow(param::HELICOPTERS.controlId, heliBox);
    gf_setControlWindow(param::HIGH_PERF_AIRCRAFT.controlId, highPerfBox);
    param::HELICOPTERS.value = 1;
    param::HIGH_PERF_AIRCRAFT.value = 1;

    gf_buildLiveryIndex({livery("FDX", "LJ35", "Jet one", "", true), livery("UPS", "LJ35", "Jet two", "", true),
                         livery("ZZZ", "LJ35", "Jet three", "", true), livery("REG", "EC35", "Rega"),
                         livery("SWR", "A320", "Swiss")});
    EXPECT_TRUE(logHas("Category Buzjets: 0 pax liveries and 3 cargo liveries"));
    EXPECT_TRUE(logHas("Category Rotorcraft: 1 pax liverie"));
    EXPECT_TRUE(logHas("Category Large: 1 pax liverie"));
    EXPECT_TRUE(logHas("1 model have a generic livery"));
    EXPECT_EQ(g_categoryTypePools[1], std::vector<std::string>{"LJ35"});
    EXPECT_EQ(g_categoryTypePools[2], std::vector<std::string>{"EC35"});
    EXPECT_TRUE(g_categoryTypePools[0].empty());
    EXPECT_TRUE(param::HELICOPTERS.on());
    EXPECT_TRUE(IsWindowEnabled(heliBox));
    EXPECT_FALSE(param::HIGH_PERF_AIRCRAFT.on());
    EXPECT_TRUE(logHas("HIGH_PERF_AIRCRAFT temporary switched off because you do not have High Perf aircraft installed"));
    EXPECT_FALSE(IsWindowEnabled(highPerfBox));

    gf_setControlWindow(param::HELICOPTERS.controlId, nullptr);
    gf_setControlWindow(param::HIGH_PERF_AIRCRAFT.controlId, nullptr);
    DestroyWindow(heliBox);
    DestroyWindow(highPerfBox);
}

TEST_F(LiveryIndex, RestartKeepsTheIndexAndARescanBuildsItAgain)
{
    int reads = 0;
    const auto reader = [&reads](std::string title) {
        return [&reads, title] {
            ++reads;
            return std::vector<LiveryData>{livery("SWR", "A320", title)};
        };
    };
    gf_processScannedLiveries(reader("First"));
    gf_processScannedLiveries(reader("Second"));
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(logHas("Processing scanned liveries skipped; already done in previous start-up"));
    EXPECT_EQ(gf_findLiveryByTitle("First"), "First");

    gf_clearLiveries();
    EXPECT_FALSE(g_liveriesProcessed.load());
    EXPECT_EQ(gf_findLiveryByTitle("First"), "First") << "still in use until the restart";
    gf_processScannedLiveries(reader("Second"));
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(gf_findLiveryByTitle("First"), "");
    EXPECT_EQ(gf_findLiveryByTitle("Second"), "Second");
}

TEST_F(LiveryIndex, FailingReaderLeavesTheIndexUnbuilt)
{
    EXPECT_THROW(gf_processScannedLiveries([]() -> std::vector<LiveryData> { throw std::runtime_error("no file"); }),
                 std::runtime_error);
    EXPECT_FALSE(g_liveriesProcessed.load());
    EXPECT_TRUE(g_liveryTitlesByAirline.empty());
}

} // namespace
} // namespace zyn::test
