#include "livery/matching_summary.h"

#include "base/log.h"
#include "engine/spawn.h"
#include "livery/matching.h"
#include "settings/settings.h"
#include "shown/status_line.h"
#include "sim/failed_liveries.h"
#include "tests/support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace zyn::test {
namespace {

class MatchingSummary : public ::testing::Test {
protected:
    MatchingSummary() { gf_openLog(); }
    ~MatchingSummary() override
    {
        gf_closeLog();
        gf_resetFailedLiveries();
        gf_resetStatusLine();
        g_aircraftWithoutLivery.clear();
        g_matchStepCounts = saved;
        param::LOG.value = param::LOG.defaultValue;
    }
    // The log after its header line, each written line split at its line feeds.
    std::vector<std::string> logged() const
    {
        auto lines = readLines("Log.txt");
        lines.erase(lines.begin());
        return lines;
    }

    TempDir dir;
    ScopedCwd cwd{dir.path()};
    std::array<std::int32_t, 6> saved = g_matchStepCounts;
};

TEST_F(MatchingSummary, CountsPerStepAndFailedLiveriesBetweenBanners)
{
    g_matchStepCounts = {3, 0, 0, 7, 0, 1};
    gf_liveryMatchingSummary();
    std::vector<std::string> expected{"", fmt::format("{0} live traffic livery matching summary {0}", std::string(31, '*')),
                                      "Matches at step: ", "  1: 3", "  2: 0", "  3: 0", "  4: 7", "  5: 0", "  6: 1",
                                      std::string(100, '*'), ""};
    EXPECT_EQ(logged(), expected);

    AcHead head;
    head.type = "B738";
    head.airline = "RYR";
    gf_liveryCreateFailed(head, "Ryanair");
    gf_liveryMatchingSummary();
    expected.insert(expected.end() - 2, {"", "Could not be created by MSFS:", "  B738 RYR"});
    const auto lines = logged();
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector(lines.end() - static_cast<std::ptrdiff_t>(expected.size()), lines.end()), expected);
}

TEST_F(MatchingSummary, NoMatchListOnlyWithLogOn)
{
    g_aircraftWithoutLivery = {"B738 RYR EI-ABC", "A320 SWR HB-JLT"};
    param::LOG.value = 0;
    gf_logNoMatchList();
    EXPECT_TRUE(logged().empty());
    param::LOG.value = 1;
    gf_logNoMatchList();
    EXPECT_EQ(logged(), (std::vector<std::string>{"", "No match found for: ", "A320 SWR HB-JLT", "B738 RYR EI-ABC", ""}));
}

} // namespace
} // namespace zyn::test
