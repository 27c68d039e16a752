#include "core/exit.h"
#include "shown/display_state.h"
#include "tests/support/bounded_thread.h"
#include "tests/traffic/service_fixture.h"
#include "traffic/weather.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using nlohmann::json;
using tools::EndpointFault;
using Kind = QnhReading::Kind;

struct QnhCase {
    const char* name;
    json reply;
    Kind kind;
    std::int32_t value;
};

TEST(WeatherQnh, ReadsTheQnhWhateverItsForm)
{
    const QnhCase cases[] = {
        {"hPa integer", {{"data", {{"QNH", 1020}}}}, Kind::Value, 1020},
        {"inches x 100", {{"data", {{"QNH", 2992}}}}, Kind::Value, 1013},
        {"inches x 100, too low", {{"data", {{"QNH", 2700}}}}, Kind::Strange, 914},
        {"929", {{"data", {{"QNH", 929}}}}, Kind::Strange, 929},
        {"930", {{"data", {{"QNH", 930}}}}, Kind::Value, 930},
        {"1080", {{"data", {{"QNH", 1080}}}}, Kind::Value, 1080},
        {"1081 taken as inches", {{"data", {{"QNH", 1081}}}}, Kind::Strange, 366},
        {"floating point", {{"data", {{"QNH", 1013.6}}}}, Kind::Value, 1014},
        {"unsigned", {{"data", {{"QNH", 1009u}}}}, Kind::Value, 1009},
        {"numeric text", {{"data", {{"QNH", "1015"}}}}, Kind::Value, 1015},
        {"text", {{"data", {{"QNH", "high"}}}}, Kind::Unreadable, 0},
        {"boolean", {{"data", {{"QNH", true}}}}, Kind::Unreadable, 0},
        {"no data", {{"status", 200}}, Kind::Missing, 0},
        {"empty data", {{"data", json::object()}}, Kind::Missing, 0},
        {"empty QNH", {{"data", {{"QNH", ""}}}}, Kind::Missing, 0},
    };
    for (const auto& c : cases) {
        const QnhReading r = gf_readQnh(c.reply);
        EXPECT_EQ(r.kind, c.kind) << c.name;
        if (c.kind == Kind::Value || c.kind == Kind::Strange) {
            EXPECT_EQ(r.value, c.value) << c.name;
        }
    }
}

TEST(WeatherQnh, StoresChangesAndAlways1013)
{
    const QnhReading v1020{Kind::Value, 1020, {}};
    const QnhReading v1013{Kind::Value, 1013, {}};
    EXPECT_TRUE(gf_applyQnh(v1020, "r"));
    EXPECT_EQ(g_qnh.load(), 1020);
    EXPECT_EQ(g_trafficClient.qnh.load(), 1020);
    EXPECT_EQ(g_qnhDisplay.load(), 1020);
    EXPECT_FALSE(gf_applyQnh(v1020, "r")) << "unchanged: not stored again";
    EXPECT_TRUE(gf_applyQnh(v1013, "r"));
    EXPECT_TRUE(gf_applyQnh(v1013, "r")) << "1013 is stored every round";
    for (const QnhReading& unusable : {QnhReading{Kind::Missing, 0, {}}, QnhReading{Kind::Unreadable, 0, "x"},
                                       QnhReading{Kind::Strange, 914, {}}}) {
        gf_applyQnh(v1013, "r");
        EXPECT_TRUE(gf_applyQnh(v1020, "r"));
        EXPECT_FALSE(gf_applyQnh(unusable, "r"));
        EXPECT_EQ(g_qnh.load(), 1020) << "the known QNH stays";
    }
}

class WeatherReaderThreads : public test::TrafficServiceTest {
protected:
    void SetUp() override
    {
        TrafficServiceTest::SetUp();
        g_weatherClient.setGuid("g-1");
        test::setUserAircraft({52.31, 4.76}, -20.0);
    }

    // The reader thread; leaving its scope stops and joins it, within a bound.
    static test::BoundedThread startReader()
    {
        return {"the weather reader", gf_weatherReader, &g_weatherClient.stop};
    }

    static void stopReader(test::BoundedThread& reader)
    {
        g_weatherClient.stop.store(1);
        reader.join();
    }
};

TEST_F(WeatherReaderThreads, RoundsFindTheStationAndKeepTheQnh)
{
    server.setQnh(1020);
    auto reader = startReader();
    ASSERT_TRUE(test::waitUntil([] { return g_qnh.load() == 1020; }));
    server.setQnh("not a number");
    const auto seen = server.requestCount("weather");
    ASSERT_TRUE(test::waitUntil([&] { return server.requestCount("weather") >= seen + 2; }));
    stopReader(reader);

    EXPECT_EQ(g_qnh.load(), 1020) << "an unreadable QNH leaves the known one";
    EXPECT_EQ(g_weatherClient.station, "EHAM");
    const auto station = server.requests("nearestmetar").at(0).form;
    EXPECT_EQ(station.at("GUID"), "g-1");
    EXPECT_EQ(station.at("lat"), "52.3100");
    EXPECT_EQ(station.at("lon"), "4.7600");
    EXPECT_EQ(station.at("toffset"), "0");
    const auto weather = server.requests("weather").at(0).form;
    EXPECT_EQ(weather.at("querytype"), "locwx");
    EXPECT_EQ(weather.at("airports"), "EHAM");
    EXPECT_EQ(weather.at("alt"), "0");
    EXPECT_TRUE(logHas("Weather Reader connected"));
    EXPECT_TRUE(logHas("QNH text is not a number"));
    EXPECT_EQ(g_weatherLight.load(), 3);
    EXPECT_EQ(g_readerError.load(), 0);
    EXPECT_EQ(g_trafficClient.stop.load(), 0);
}

TEST_F(WeatherReaderThreads, ServiceTroubleIsLoggedAndRoundsGoOn)
{
    struct Row {
        const char* endpoint;
        EndpointFault fault;
        const char* logged;
    };
    const Row rows[] = {
        {"weather", EndpointFault::withStatus(500), "===> 500 json weather status 500"},
        {"weather", EndpointFault::withStatus(406), "===> 406 json weather status 406"},
        {"weather", EndpointFault::reply(EndpointFault::Body::Empty), "===> Empty content?, no QNH to be found"},
        {"weather", EndpointFault::dropped(), "weather code_w: "},
        {"nearestmetar", EndpointFault::withStatus(406), "===> 406 json nearestmetar status 406"},
        {"nearestmetar", EndpointFault::reply(EndpointFault::Body::Custom, R"({"status":200,"data":{}})"),
         "===> nearestmetar: "},
        {"nearestmetar", EndpointFault::reply(EndpointFault::Body::NotJson), "===> nearestmetar: "},
        {"nearestmetar", EndpointFault::reply(EndpointFault::Body::Custom, R"({"status":200.5})"),
         "===> nearestmetar: reply status 200.5 is no status code"},
        {"weather", EndpointFault::reply(EndpointFault::Body::Custom, R"({"status":1e10})"),
         "===> receive: reply status 10000000000.0 is no status code"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.logged);
        g_weatherClient.stop.store(0);
        EndpointFault fault = row.fault;
        server.setFault(row.endpoint, fault.onlyFor(1));
        const auto seen = server.requestCount("weather");
        auto reader = startReader();
        ASSERT_TRUE(test::waitUntil([&] { return server.requestCount("weather") >= seen + 2; }));
        stopReader(reader);
        EXPECT_TRUE(logHas(row.logged));
        EXPECT_EQ(g_readerError.load(), 0);
    }
}

TEST_F(WeatherReaderThreads, RefusedStatusStopsBothReaders)
{
    struct Row {
        const char* endpoint;
        std::int32_t status;
        const char* logged;
        bool restart;
    };
    const Row rows[] = {
        {"nearestmetar", 401, "===> re-authentication to RT API is needed, restart Tarvo", true},
        {"nearestmetar", 400, "===> Weather RT API: parameter fault", false},
        {"weather", 403, "===> Weather RT API error: 403", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.logged);
        resetReaderOutcome();
        g_weatherClient.setGuid("g-1"); // the restart of a 401 row ended the session
        server.setFault(row.endpoint, EndpointFault::withStatus(row.status));
        auto reader = startReader();
        reader.join();
        expectRefusal(row.logged, g_trafficClient, row.restart);
    }
}

TEST_F(WeatherReaderThreads, StopDuringARequestEndsTheReaderWithoutAFailure)
{
    server.setFault("nearestmetar", EndpointFault::delayed(600000));
    auto reader = startReader();
    ASSERT_TRUE(test::waitUntil([&] { return server.requestCount("nearestmetar") >= 1; }));
    stopReader(reader);
    EXPECT_FALSE(logHas("code_w"));
    EXPECT_FALSE(logHas("RT API"));
    EXPECT_EQ(g_trafficClient.stop.load(), 0);
}

} // namespace
} // namespace zyn
