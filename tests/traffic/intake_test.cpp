#include "base/tick.h"
#include "base/time_util.h"
#include "tests/traffic/live_entry.h"
#include "traffic/intake.h"
#include "traffic/reader.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

TrafficRecord lf_record(std::uint32_t hexId, double reportTime)
{
    TrafficRecord r;
    r.hexId = hexId;
    r.reportTime = reportTime;
    return r;
}

std::vector<TrafficRecord> lf_shared()
{
    std::lock_guard lock(g_intakeMutex);
    return g_sharedBatch;
}

TEST(TrafficIntake, StampsPlayTimesAroundTheMedianReportTime)
{
    struct Row {
        const char* name;
        std::vector<double> times;
        std::int32_t delay;
        std::vector<std::int32_t> keys;
    };
    const Row rows[] = {
        {"one record plays 30 s after the tick", {100.0}, 30, {3000 + 7}},
        {"1.27 s after the median plays 1.20 s later", {100.0, 101.27, 99.0}, 30, {3007, 3007 + 120, 3007 - 100}},
        {"0.05 s before the median plays at the base", {100.0, 99.95, 100.5}, 30, {3007, 3007, 3007 + 50}},
        {"two records take the later as median", {100.0, 102.0}, 30, {3007 - 200, 3007}},
        {"a snapshot 18 s ahead", {100.0}, 18, {1800 + 7}},
        {"no report time plays at the base", {0.0, 1.7e9, 1.7e9 + 1.0}, 30, {3007, 3007 - 100, 3007}},
        {"a report an hour or more away plays an hour away", {100.0, 1.7e9, 1e300}, 30,
         {3007 - 360000, 3007, 3007 + 360000}},
    };
    for (const auto& row : rows) {
        std::vector<TrafficRecord> batch;
        for (const double t : row.times) batch.push_back(lf_record(20000, t));
        gf_stampBatch(batch, row.delay, 7);
        for (std::size_t i = 0; i < batch.size(); ++i)
            EXPECT_EQ(batch[i].situation.timeKey, row.keys[i]) << row.name << " record " << i;
    }
}

TEST(TrafficIntake, TakesARegularBatchOnlyWhenEnabledAndUsedUp)
{
    TrafficClient client;
    g_tick.store(40);
    client.batch = {lf_record(20001, 100.0), lf_record(20002, 100.0)};
    client.lastReportTime.store(100.0);
    gf_mergeTrafficBatch(client, kLiveDelaySeconds);
    EXPECT_TRUE(lf_shared().empty()) << "intake disabled: dropped";
    EXPECT_TRUE(client.batch.empty());

    gf_setIntakeEnabled(true);
    client.batch = {lf_record(20001, 100.0), lf_record(20002, 100.0)};
    gf_mergeTrafficBatch(client, kLiveDelaySeconds);
    ASSERT_EQ(lf_shared().size(), 2u);
    EXPECT_EQ(lf_shared()[0].situation.timeKey, 3040);
    EXPECT_EQ(client.lastReportTime.load(), 100.0);

    client.batch = {lf_record(20003, 101.0)};
    gf_mergeTrafficBatch(client, kLiveDelaySeconds);
    EXPECT_EQ(lf_shared().size(), 2u) << "previous batch not used up: dropped";
    EXPECT_TRUE(client.batch.empty());
}

TEST(TrafficIntake, EmptyBatchResetsTheLastReportTime)
{
    TrafficClient client;
    client.lastReportTime.store(100.0);
    gf_mergeTrafficBatch(client, kLiveDelaySeconds);
    EXPECT_EQ(client.lastReportTime.load(), 0.0);
}

TEST(TrafficIntake, QueuesBufferedSnapshotsOldestAtTheEnd)
{
    TrafficClient client; // intake still disabled, as during the session start
    for (std::int32_t counter = 0; counter < 5; ++counter) {
        client.batch = {lf_record(20001, 100.0 + counter * 6), lf_record(20002, 100.0 + counter * 6)};
        gf_mergeTrafficBatch(client, counter * 6);
    }
    const auto shared = lf_shared();
    ASSERT_EQ(shared.size(), 10u);
    EXPECT_EQ(shared.back().situation.timeKey, 0);
    EXPECT_EQ(shared.front().situation.timeKey, 2400);
    for (std::size_t i = 1; i < shared.size(); ++i)
        EXPECT_GE(shared[i - 1].reportTime, shared[i].reportTime) << "taken from the end, oldest first";
}

TEST(TrafficIntake, ParsesOnlyMembersOfFortyEightValues)
{
    TrafficClient client;
    client.setUserPosition({52.3, 4.76});
    const nlohmann::json entry = test::liveEntry({52.31, 4.77});
    nlohmann::json shorter = entry;
    shorter.erase(shorter.size() - 1);
    nlohmann::json longer = entry;
    longer.push_back(0);
    nlohmann::json data = {{"a", shorter}, {"b", entry}, {"c", longer}, {"d", "text"}};
    gf_parseTrafficMembers(client, data);
    ASSERT_EQ(client.batch.size(), 1u);
    EXPECT_EQ(client.batch[0].hexId, 0x4ca7b4u);
}

} // namespace
} // namespace zyn
