#include "base/tick.h"
#include "core/exit.h"
#include "parking/park_airport.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "shown/display_state.h"
#include "tests/support/bounded_thread.h"
#include "tests/traffic/intake_scope.h"
#include "tests/traffic/service_fixture.h"
#include "traffic/intake.h"
#include "traffic/query_box.h"
#include "traffic/reader.h"
#include "traffic/reader_status.h"
#include "traffic/service_request.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <set>

namespace zyn {
namespace {

using tools::EndpointFault;
using Body = EndpointFault::Body;
using test::gf_testScenario;

constexpr LatLon kPollUser{52.31, 4.76};

class TrafficReaderThreads : public test::TrafficServiceTest {
protected:
    void SetUp() override
    {
        TrafficServiceTest::SetUp();
        g_trafficClient.setGuid("g-1");
        test::setUserAircraft(kPollUser);
        g_trafficClient.setUserPosition(kPollUser);
        gf_updateTrafficBox();
        gf_setParkAirport({"EHAM", "AMS", 52.3086, 4.7639, -11.0});
    }

    // The reader thread; leaving its scope stops and joins it, within a bound.
    static test::BoundedThread startReader()
    {
        return {"the traffic reader", gf_trafficReader, &g_trafficClient.stop};
    }

    // Runs the reader until the stand-in has answered `polls` traffic requests, then stops it.
    void runReaderFor(std::size_t polls) { runReaderFor(polls, server); }
    static void runReaderFor(std::size_t polls, const tools::TrafficServer& standIn)
    {
        auto reader = startReader();
        EXPECT_TRUE(test::waitUntil([&] { return standIn.requestCount("traffic") >= polls; }))
            << "the stand-in saw " << standIn.requestCount("traffic") << " of " << polls << " traffic requests";
    }

    // Runs the reader until it ends by itself.
    static void runReaderToItsEnd() { startReader().join(); }

    static std::vector<TrafficRecord> sharedBatch()
    {
        std::lock_guard lock(g_intakeMutex);
        return g_sharedBatch;
    }

    void expectStoppedCleanly()
    {
        EXPECT_EQ(g_trafficLight.load(), 3);
        EXPECT_EQ(g_readerError.load(), 0);
        EXPECT_EQ(g_weatherClient.stop.load(), 0);
        EXPECT_FALSE(logHas("RT API"));
    }
};

TEST_F(TrafficReaderThreads, BufferedFirstRequestThenRegularPolls)
{
    runReaderFor(3);
    const auto requests = server.requests("traffic");
    const QueryBox box = g_trafficClient.queryBox();
    const auto& first = requests[0].form;
    EXPECT_EQ(first.at("buffercount"), "5");
    EXPECT_EQ(first.at("buffertime"), "6");
    EXPECT_EQ(first.at("GUID"), "g-1");
    EXPECT_EQ(first.at("querytype"), "locationtraffic");
    EXPECT_EQ(first.at("toffset"), "0");
    EXPECT_EQ(first.at("top"), fmt::format("{:.2f}", box.top));
    EXPECT_EQ(first.at("left"), fmt::format("{:.2f}", box.left));
    EXPECT_EQ(requests[1].form.count("buffercount"), 0u);
    EXPECT_EQ(g_trafficClient.ready.load(), 1);

    // Intake disabled: only the five snapshots wait, the oldest at the end where the main loop takes.
    const auto batch = sharedBatch();
    const auto perSnapshot = gf_testScenario().aircraft.size();
    ASSERT_EQ(batch.size(), 5 * perSnapshot);
    EXPECT_EQ(batch.back().situation.timeKey, g_tick.load());
    EXPECT_EQ(batch.front().situation.timeKey, g_tick.load() + 2400);
    EXPECT_LT(batch.back().reportTime, batch.front().reportTime);
    EXPECT_TRUE(logHas("Traffic Reader connected"));
    expectStoppedCleanly();
}

TEST_F(TrafficReaderThreads, RegularPollsWaitInTheIntakeBehindEachOther)
{
    const test::IntakeScope intake;
    struct RangeBack {
        std::int32_t nm = param::LATERAL_RANGE.value.load();
        ~RangeBack() { gf_setTrafficRange(nm); }
    } rangeBack;
    gf_setTrafficRange(40); // every aircraft of the stand-in in range, in every poll
    resetReaderOutcome();
    g_trafficClient.batch.clear(); // nothing parsed before belongs to these polls
    gf_setIntakeEnabled(true);
    g_tick.store(500);
    server.setFault("traffic", EndpointFault::withStatus(406).onlyFor(1));
    auto reader = startReader();
    ASSERT_TRUE(test::waitUntil([] { return !sharedBatch().empty(); }));
    const std::size_t polled = server.requestCount("traffic");
    ASSERT_TRUE(test::waitUntil([&] { return server.requestCount("traffic") >= polled + 2; }));
    g_trafficClient.stop.store(1);
    reader.join();
    // Nothing was taken meanwhile: every poll waits whole, the oldest at the end where the main loop takes.
    const auto batch = sharedBatch();
    const std::size_t perPoll = gf_testScenario().aircraft.size();
    EXPECT_GE(batch.size(), 2 * perPoll);
    EXPECT_EQ(batch.size() % perPoll, 0u);
    for (const auto& r : batch) EXPECT_EQ(r.situation.timeKey, 3000 + 500);
    for (std::size_t i = 1; i < batch.size(); ++i) EXPECT_GE(batch[i - 1].reportTime, batch[i].reportTime);
    EXPECT_TRUE(logHas("===>  buffer traffic msg status 406"));
    EXPECT_TRUE(logHas("===> buffer failed 406"));
    EXPECT_GT(g_trafficClient.recordCount.load(), 0);
    expectStoppedCleanly();
}

struct RefusalCase {
    std::int32_t status;
    const char* logged;
    bool restart;
};

TEST_F(TrafficReaderThreads, RefusedPollStopsBothReadersAndTellsTheCore)
{
    const RefusalCase cases[] = {
        {400, "===> Traffic RT API: parameter fault", false},
        {401, "===> re-authentication to RT API is needed, restart Tarvo", true},
        {503, "===> Traffic RT API error: 503", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        resetReaderOutcome();
        g_trafficClient.setGuid("g-1"); // the restart of a 401 row ended the session
        server.setFault("traffic", EndpointFault::withStatus(c.status));
        runReaderToItsEnd();
        EXPECT_EQ(g_trafficLight.load(), 3);
        expectRefusal(c.logged, g_weatherClient, c.restart);
    }
}

TEST_F(TrafficReaderThreads, NoSessionStopsTheReaderAtOnce)
{
    g_trafficClient.setGuid({});
    runReaderToItsEnd();
    EXPECT_EQ(server.requestCount("traffic"), 0u);
    EXPECT_TRUE(logHas("===> Traffic RT API error: 0"));
    EXPECT_EQ(g_readerError.load(), 1);
}

struct TransientCase {
    const char* name;
    EndpointFault fault;
    const char* logged;
};

TEST_F(TrafficReaderThreads, TransientFaultsAreLoggedAndPollingGoesOn)
{
    g_serviceTransferTimeoutMs.store(300);
    const TransientCase cases[] = {
        {"dropped connection", EndpointFault::dropped(), "curl traffic code_t: "},
        {"stalled reply", EndpointFault::delayed(5000), "curl traffic code_t: Timeout"},
        {"empty body", EndpointFault::reply(Body::Empty), "===> traffic receive: empty content"},
        {"not JSON", EndpointFault::reply(Body::NotJson), "===> receive: "},
        {"status as text", EndpointFault::reply(Body::Custom, R"({"status":"200"})"),
         "===> receive: reply status \"200\" is no status code"},
        {"status beyond any code", EndpointFault::reply(Body::Custom, R"({"status":1e10})"),
         "===> receive: reply status 10000000000.0 is no status code"},
        {"status not whole", EndpointFault::reply(Body::Custom, R"({"status":200.5})"),
         "===> receive: reply status 200.5 is no status code"},
        {"406", EndpointFault::withStatus(406), "===> curl traffic msg status 406"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A stand-in of the row's own: a poll that the last row's reader sent as it was stopped, taken
        // late by a loaded stand-in, cannot take this row's fault from the first poll.
        tools::TrafficServer rowServer(gf_testScenario());
        rowServer.start();
        url.emplace("TARVO_TRAFFIC_URL", rowServer.baseUrl());
        g_trafficClient.stop.store(0);
        EndpointFault fault = c.fault;
        rowServer.setFault("traffic", fault.onlyFor(2)); // the buffered request and the first poll
        runReaderFor(3, rowServer);
        EXPECT_TRUE(logHas(c.logged));
        expectStoppedCleanly();
    }
    url.emplace("TARVO_TRAFFIC_URL", server.baseUrl());
    g_serviceTransferTimeoutMs.store(30000);
}

TEST_F(TrafficReaderThreads, StopDuringARequestEndsTheReaderWithoutAFailure)
{
    server.setFault("traffic", EndpointFault::delayed(600000));
    auto reader = startReader();
    ASSERT_TRUE(test::waitUntil([&] { return server.requestCount("traffic") >= 1; }));
    g_trafficClient.stop.store(1);
    reader.join(); // fails after its bound when the transfer ignores the stop flag
    EXPECT_FALSE(logHas("code_t"));
    expectStoppedCleanly();
}

TEST_F(TrafficReaderThreads, AbsurdPeriodsAreKeptInBounds)
{
    struct Row {
        std::int64_t reply;
        std::int32_t period;
    };
    for (const Row& row : {Row{0, kMinPeriodMs}, Row{-5, kMinPeriodMs}, Row{2000, 2000},
                           Row{1000000000000, kMaxPeriodMs}})
        EXPECT_EQ(gf_periodFromReply(row.reply), row.period) << row.reply;
    server.setFault("traffic", EndpointFault::reply(Body::Custom, R"({"status":200,"rrl":0,"data":{}})"));
    runReaderFor(3);
    EXPECT_EQ(g_trafficClient.rrl.load(), kMinPeriodMs);
    expectStoppedCleanly();
}

} // namespace
} // namespace zyn
