#include "base/geo.h"
#include "platform/system/clock.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/traffic_server.h"
#include "traffic/service_request.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using nlohmann::json;
using tools::TrafficServer;

constexpr double kNow = 1796601600.0;

tools::TrafficScenario lf_scenario()
{
    tools::TrafficScenario s;
    s.startTime = kNow;
    s.aircraft = {{"4ca7b4", "RYR4TK", "B738", "EI-DCL", "EHAM", "LEPA", "A3", "adsb_icao", 52.3, 4.7, 10000, 360,
                   90.0, 1200, 300},
                  {"a00002", "KLM1", "B77W", "PH-BVA", "", "", "A5", "mlat", 48.0, 2.0, 0, 0, 0, 0, -1}};
    return s;
}

std::map<std::string, std::string> lf_box(double top, double bottom, double left, double right)
{
    return {{"top", std::to_string(top)},
            {"bottom", std::to_string(bottom)},
            {"left", std::to_string(left)},
            {"right", std::to_string(right)}};
}

TEST(TrafficServer, DecodesFormBodies)
{
    const auto form = tools::gf_decodeForm("license=a%26b%3Dc%2Bd%25e+f&GUID=x&empty=&flag");
    EXPECT_EQ(form.at("license"), "a&b=c+d%e f");
    EXPECT_EQ(form.at("GUID"), "x");
    EXPECT_EQ(form.at("empty"), "");
    EXPECT_EQ(form.at("flag"), "");
}

TEST(TrafficServer, EntriesCarryFortyEightValuesAndMoveWithTime)
{
    const auto ac = lf_scenario().aircraft[0];
    const json start = tools::gf_scenarioEntry(ac, kNow, kNow);
    const json later = tools::gf_scenarioEntry(ac, kNow, kNow + 600);
    ASSERT_EQ(start.size(), 48u);
    EXPECT_EQ(start[0], "4ca7b4");
    EXPECT_TRUE(start[1].is_number_float());
    EXPECT_EQ(start[10].get<double>(), kNow);
    EXPECT_EQ(start[13], "RYR4TK");
    EXPECT_EQ(start[28], "A3");
    const LatLon a{start[1].get<double>(), start[2].get<double>()};
    const LatLon b{later[1].get<double>(), later[2].get<double>()};
    EXPECT_NEAR(gf_distanceNm(a, b), 60.0, 0.01); // 360 kt for 10 min
    EXPECT_NEAR(later[2].get<double>() - start[2].get<double>(), 1.63, 0.02) << "eastwards";
    EXPECT_EQ(later[4].get<double>(), 10000 + 12000);
}

TEST(TrafficServer, TrafficRepliesHonourTheBoxAndTheBuffer)
{
    TrafficServer server(lf_scenario());
    const json one = server.trafficReply(lf_box(53, 52, 4, 5), kNow);
    EXPECT_EQ(one["status"], 200);
    ASSERT_EQ(one["data"].size(), 1u);
    EXPECT_TRUE(one["data"].contains("4ca7b4"));
    EXPECT_TRUE(server.trafficReply(lf_box(10, 9, 4, 5), kNow)["data"].empty());
    EXPECT_EQ(server.trafficReply({}, kNow)["data"].size(), 2u) << "no box: everything";

    auto buffered = lf_box(53, 52, 4, 5);
    buffered["buffercount"] = "5";
    buffered["buffertime"] = "6";
    const json data = server.trafficReply(buffered, kNow)["data"];
    ASSERT_EQ(data.size(), 5u);
    for (int k = 0; k < 5; ++k) {
        const auto key = "buffer_" + std::to_string(k);
        EXPECT_EQ(data[key]["4ca7b4"][10].get<double>(), kNow - 6 * k) << key;
    }
}

class TrafficServerThreads : public ::testing::Test {
protected:
    void TearDown() override { gf_setClock(nullptr); }
    ManualClock clock{static_cast<std::time_t>(kNow)};
};

TEST_F(TrafficServerThreads, LoadsScenarioFilesAndServesOverHttp)
{
    test::TempDir dir;
    test::writeText(dir / "scenario.json", R"({"start_time": 1796601600, "rrl": 1500, "station": "EGLL",
        "qnh": 1002, "licenses": ["L1"],
        "aircraft": [{"hex": "4ca7b4", "callsign": "RYR4TK", "type": "B738", "registration": "EI-DCL",
                      "lat": 51.47, "lon": -0.45, "altitude_ft": 3000, "ground_speed_kt": 180, "track_deg": 270}]})");
    const auto scenario = tools::gf_loadTrafficScenario(dir / "scenario.json");
    EXPECT_EQ(scenario.rrl, 1500);
    EXPECT_EQ(scenario.station, "EGLL");
    ASSERT_EQ(scenario.aircraft.size(), 1u);
    EXPECT_EQ(scenario.aircraft[0].lon, -0.45);
    test::writeText(dir / "broken.json", "{\"aircraft\": [{\"lat\": 1}]}");
    EXPECT_THROW(tools::gf_loadTrafficScenario(dir / "broken.json"), std::runtime_error);
    EXPECT_THROW(tools::gf_loadTrafficScenario(dir / "missing.json"), std::runtime_error);

    gf_setClock(&clock);
    TrafficServer server(scenario);
    const int port = server.start();
    EXPECT_GT(port, 0);
    EXPECT_EQ(server.baseUrl(), "http://127.0.0.1:" + std::to_string(port));
    test::ScopedEnv url("TARVO_TRAFFIC_URL", server.baseUrl());
    const auto post = [](const char* endpoint, const FormFields& form) {
        const ServiceReply reply = gf_postToService(endpoint, gf_formBody(form), nullptr);
        EXPECT_TRUE(reply.ok()) << reply.errorText;
        return json::parse(reply.body);
    };
    EXPECT_EQ(post("auth", {{"license", "L1"}})["rrl"], 1500);
    EXPECT_EQ(post("auth", {{"license", "L2"}})["status"], 401);
    // "toffset" moves the traffic back in time by its minutes.
    const json traffic = post("traffic", {{"GUID", "g"}, {"toffset", "10"}});
    EXPECT_EQ(traffic["data"]["4ca7b4"][10].get<double>(), kNow - 600);
    EXPECT_EQ(post("nearestmetar", {})["data"][0]["ICAO"], "EGLL");
    EXPECT_EQ(post("weather", {})["data"]["QNH"], 1002);
    EXPECT_EQ(post("deauth", {})["status"], 200);

    server.setFault("weather", tools::EndpointFault::withStatus(503).onlyFor(1));
    EXPECT_EQ(post("weather", {})["status"], 503);
    EXPECT_EQ(post("weather", {})["status"], 200) << "the fault applied once";
    server.setFault("traffic", tools::EndpointFault::dropped());
    EXPECT_FALSE(gf_postToService("traffic", "", nullptr).ok());
    EXPECT_EQ(server.requestCount("traffic"), 2u);
    server.stop();
}

// Set but empty is unset (a run command that read no address must not make one up); a trailing
// slash goes, since the endpoints are appended after one.
TEST(ServiceAddress, ComesFromTheEnvironmentOnlyWhenItNamesOne)
{
    std::string service;
    {
        test::ScopedEnv unset("TARVO_TRAFFIC_URL", std::nullopt);
        service = gf_trafficServiceBase();
    }
    EXPECT_TRUE(service.starts_with("https://"));
    const std::pair<std::string, std::string> cases[] = {
        {"", service}, {"http://127.0.0.1:9", "http://127.0.0.1:9"}, {"http://127.0.0.1:9/", "http://127.0.0.1:9"}};
    for (const auto& [value, base] : cases) {
        test::ScopedEnv url("TARVO_TRAFFIC_URL", value);
        EXPECT_EQ(gf_trafficServiceBase(), base) << value;
    }
}

} // namespace
} // namespace zyn
