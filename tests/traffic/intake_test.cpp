#include "base/tick.h"
#include "base/time_util.h"
#include "tests/traffic/intake_scope.h"
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

TEST(TrafficIntake, QueuesARegularPollBehindWhatWaitsWhenItIsTakenInTime)
{
    const test::IntakeScope intake;
    // The main loop takes two records a tick: 6000 records are taken within the 30 s delay.
    struct Row {
        const char* name;
        bool enabled;
        std::size_t waiting; // records the main loop has not taken yet
        std::size_t poll;
        bool queued;
    };
    const Row rows[] = {
        {"intake closed", false, 0, 2, false},
        {"nothing waits", true, 0, 2, true},
        {"behind a poll not yet used up", true, 2, 1, true},
        {"behind the first fill, its last record taken in the last tick in time", true, 5998, 2, true},
        {"its last record would be taken a tick after it is due", true, 5999, 2, false},
    };
    for (const auto& row : rows) {
        gf_clearIntake();
        gf_setIntakeEnabled(row.enabled);
        {
            std::lock_guard lock(g_intakeMutex);
            g_sharedBatch.assign(row.waiting, lf_record(20001, 100.0));
        }
        TrafficClient client;
        g_tick.store(40);
        client.batch.assign(row.poll, lf_record(20002, 101.0));
        client.lastReportTime.store(101.0);
        gf_mergeTrafficBatch(client, kLiveDelaySeconds);
        EXPECT_TRUE(client.batch.empty()) << row.name;
        const auto shared = lf_shared();
        ASSERT_EQ(shared.size(), row.waiting + (row.queued ? row.poll : 0)) << row.name;
        if (!row.queued)
            continue;
        // Taken from the end: what waited first, then the poll, which plays 30 s after its tick.
        EXPECT_EQ(shared.front().hexId, 20002u) << row.name;
        EXPECT_EQ(shared.front().situation.timeKey, 3040) << row.name;
        if (row.waiting > 0) {
            EXPECT_EQ(shared.back().hexId, 20001u) << row.name;
        }
        EXPECT_EQ(client.lastReportTime.load(), 101.0) << row.name;
    }
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
    const test::IntakeScope intake;
    g_tick.store(0);
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
