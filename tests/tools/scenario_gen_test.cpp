// The demonstration scenario and the scripted paths of the traffic stand-in that carry it.
#include "base/geo.h"
#include "parking/parking_fit.h"
#include "platform/simconnect/emulator_scenario.h"
#include "platform/system/clock.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/scenario_gen.h"
#include "tools/traffic_server.h"
#include "traffic/service_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace zyn {
namespace {

using nlohmann::json;
using tools::ScenarioAircraft;

constexpr double kStart = 1796601600.0;
constexpr double kStep = 2.0; // seconds between the samples of a path, as often as the service is polled

ScenarioAircraft lf_pathAircraft(const json& path)
{
    return tools::gf_trafficScenarioFromJson({{"aircraft", {{{"hex", "aa0001"}, {"callsign", "ONE"}, {"path", path}}}}})
        .aircraft.at(0);
}

std::optional<ScenarioAircraft> lf_at(const ScenarioAircraft& ac, double seconds)
{
    return tools::gf_scenarioAircraftAt(ac, kStart, kStart + seconds);
}

TEST(ScenarioPath, ReportedOnlyFromItsFirstPointToItsLast)
{
    const auto ac = lf_pathAircraft(json::parse(R"([{"t": 10, "lat": 47, "lon": 8}, {"t": 70, "lat": 47.1}])"));
    for (const auto& [seconds, reported] : std::vector<std::pair<double, bool>>{
             {9.9, false}, {10, true}, {40, true}, {70, true}, {70.1, false}})
        EXPECT_EQ(lf_at(ac, seconds).has_value(), reported) << seconds;
}

TEST(ScenarioPath, MovesAlongEachLegWithItsSpeedClimbAndTrack)
{
    // 0.1 degrees north in 60 s (6 nm: 360 kt) climbing 3000 ft, then standing still.
    const auto ac = lf_pathAircraft(json::parse(
        R"([{"t": 0, "lat": 47, "lon": 8, "altitude_ft": 1000}, {"t": 60, "lat": 47.1, "altitude_ft": 4000}, {"t": 90}])"));
    const auto mid = lf_at(ac, 30);
    ASSERT_TRUE(mid);
    EXPECT_NEAR(mid->lat, 47.05, 1e-7);
    EXPECT_NEAR(mid->lon, 8.0, 1e-7);
    EXPECT_NEAR(mid->altitudeFt, 2500.0, 1e-6);
    EXPECT_NEAR(mid->groundSpeedKt, gf_distanceNm({47, 8}, {47.1, 8}) * 60.0, 1e-6);
    EXPECT_NEAR(mid->verticalRateFpm, 3000.0, 1e-6);
    EXPECT_NEAR(mid->trackDeg, 0.0, 1e-6);
    const auto standing = lf_at(ac, 80);
    ASSERT_TRUE(standing);
    EXPECT_NEAR(standing->lat, 47.1, 1e-9);
    EXPECT_EQ(standing->groundSpeedKt, 0.0);
    EXPECT_NEAR(standing->trackDeg, 0.0, 1e-6) << "a stop keeps the track it came with";
}

TEST(ScenarioPath, GivenTrackHoldsUntilTheNextPointAndCallsignChangesAtItsPoint)
{
    // Pushed back southwards with the nose north, then taxiing east under a new callsign.
    const auto ac = lf_pathAircraft(json::parse(R"([{"t": 0, "lat": 47, "lon": 8, "track_deg": 0},
        {"t": 60, "lat": 46.999}, {"t": 120, "lon": 8.01, "callsign": "TWO"}, {"t": 180, "lon": 8.02}])"));
    EXPECT_NEAR(lf_at(ac, 30)->trackDeg, 0.0, 1e-6);
    EXPECT_NEAR(lf_at(ac, 90)->trackDeg, 90.0, 0.1);
    EXPECT_EQ(lf_at(ac, 119)->callsign, "ONE");
    EXPECT_EQ(lf_at(ac, 120)->callsign, "TWO");
    EXPECT_EQ(lf_at(ac, 150)->callsign, "TWO");
}

TEST(ScenarioPath, RefusesPathsWithoutTimesOrGoingBack)
{
    for (const char* path : {R"([{"lat": 1}])", R"([{"t": 5}, {"t": 4}])", R"([{"t": "5"}])"})
        EXPECT_THROW(lf_pathAircraft(json::parse(path)), std::runtime_error) << path;
}

// Every aircraft of the generated scenario sampled at the polling interval.
struct Sampled {
    std::string hex;
    std::string registration;
    std::vector<std::pair<double, ScenarioAircraft>> reports;
};

std::vector<Sampled> lf_sampleAll(const tools::TrafficScenario& scenario)
{
    std::vector<Sampled> out;
    for (const auto& ac : scenario.aircraft) {
        Sampled s{ac.hexId, ac.registration, {}};
        for (double t = -180.0; t <= 1500.0; t += kStep)
            if (auto at = lf_at(ac, t)) s.reports.emplace_back(t, *at);
        out.push_back(std::move(s));
    }
    return out;
}

// Moving on the ground against its nose at some moment.
bool lf_pushedBack(const Sampled& s)
{
    for (std::size_t i = 1; i < s.reports.size(); ++i) {
        const auto& a = s.reports[i - 1].second;
        const auto& b = s.reports[i].second;
        const double moved = std::abs(gf_angleDiff(b.trackDeg * kDegToRad, gf_bearing({a.lat, a.lon}, {b.lat, b.lon})));
        if (b.altitudeFt == 0.0 && gf_distanceNm({a.lat, a.lon}, {b.lat, b.lon}) > 0.0005 && moved > 2.5)
            return true;
    }
    return false;
}

class ScenarioGen : public ::testing::Test {
protected:
    tools::GeneratedScenario generated = tools::gf_generateScenario(7);
    tools::TrafficScenario scenario = tools::gf_trafficScenarioFromJson(generated.traffic);
    std::vector<Sampled> sampled = lf_sampleAll(scenario);
};

TEST_F(ScenarioGen, AroundThirtyAircraftWithinTenMinutesNearTheAirport)
{
    EXPECT_GE(scenario.aircraft.size(), 25u);
    EXPECT_LE(scenario.aircraft.size(), 35u);
    std::set<std::string> hexes;
    const auto user = simemu::gf_parseScenario(generated.sim.dump()).userTrack.front();
    for (const auto& s : sampled) {
        EXPECT_TRUE(hexes.insert(s.hex).second) << s.hex;
        ASSERT_FALSE(s.reports.empty()) << s.hex;
        EXPECT_LT(s.reports.front().first, tools::kScenarioSeconds) << s.hex;
        const auto& first = s.reports.front().second;
        EXPECT_LT(gf_distanceNm({user.lat, user.lon}, {first.lat, first.lon}), 45.0) << s.hex;
    }
}

TEST_F(ScenarioGen, NoReportMovesFurtherThanItsSpeedAllows)
{
    for (const auto& s : sampled)
        for (std::size_t i = 1; i < s.reports.size(); ++i) {
            const auto& [t0, a] = s.reports[i - 1];
            const auto& [t1, b] = s.reports[i];
            const double fastest = std::max(a.groundSpeedKt, b.groundSpeedKt);
            EXPECT_LE(gf_distanceNm({a.lat, a.lon}, {b.lat, b.lon}), fastest * (t1 - t0) / 3600.0 * (1.0 + 1e-9) + 1e-9)
                << s.hex << " at " << t1;
            EXPECT_LE(b.groundSpeedKt, 500.0) << s.hex;
            EXPECT_GE(b.altitudeFt, 0.0) << s.hex;
        }
}

TEST_F(ScenarioGen, HoldsEveryKindOfTrafficTheDemonstrationShows)
{
    const auto user = simemu::gf_parseScenario(generated.sim.dump()).userTrack.front();
    const auto fromUser = [&](const ScenarioAircraft& a) { return gf_distanceNm({user.lat, user.lon}, {a.lat, a.lon}); };
    int departures = 0, arrivals = 0, overflights = 0, pushbacks = 0, stops = 0, outOfRange = 0, earlyLiftOffs = 0;
    std::map<std::string, std::set<std::string>> hexesByRegistration;
    std::set<std::pair<std::string, std::string>> callsignChanges;
    for (const auto& s : sampled) {
        const auto& first = s.reports.front().second;
        const auto& last = s.reports.back().second;
        hexesByRegistration[s.registration].insert(s.hex);
        if (first.altitudeFt == 0.0 && last.altitudeFt > 5000.0) ++departures;
        if (first.altitudeFt > 1000.0 && last.altitudeFt == 0.0 && last.groundSpeedKt == 0.0) ++arrivals;
        if (first.altitudeFt >= 12000.0) ++overflights;
        if (first.altitudeFt >= 12000.0 && s.reports.back().first < 400.0) ++stops;
        if (fromUser(first) < 10.0 && fromUser(last) > 60.0) ++outOfRange; // still reported beyond the range
        for (std::size_t i = 1; i < s.reports.size(); ++i) {
            const auto& a = s.reports[i - 1].second;
            const auto& b = s.reports[i].second;
            if (b.callsign != first.callsign) callsignChanges.emplace(first.callsign, b.callsign);
            if (a.altitudeFt == 0.0 && b.altitudeFt > 0.0 && s.reports[i].first < 60.0) ++earlyLiftOffs;
        }
        pushbacks += lf_pushedBack(s) ? 1 : 0;
    }
    EXPECT_GE(departures, 8);
    EXPECT_GE(arrivals, 6);
    EXPECT_GE(overflights, 6);
    EXPECT_GE(pushbacks, 6);
    EXPECT_EQ(stops, 1) << "one overflight stops reporting overhead";
    EXPECT_EQ(outOfRange, 1) << "one climbs out of every range the program uses";
    EXPECT_GE(earlyLiftOffs, 1) << "a take-off within the first minute";
    EXPECT_EQ(callsignChanges.size(), 1u);
    EXPECT_EQ(std::ranges::count_if(hexesByRegistration, [](const auto& e) { return e.second.size() == 2; }), 2)
        << "the duplicate and the ghost share a registration with their twin";
}

TEST_F(ScenarioGen, GhostFliesBesideTheAircraftItEchoes)
{
    const auto find = [&](const std::string& callsign) {
        return std::ranges::find_if(sampled, [&](const Sampled& s) { return s.reports.front().second.callsign == callsign; });
    };
    const auto real = find("ABC1");
    const auto ghost = find("ABC1_");
    ASSERT_NE(real, sampled.end());
    ASSERT_NE(ghost, sampled.end());
    int together = 0;
    for (const auto& [t, g] : ghost->reports)
        for (const auto& [u, r] : real->reports)
            if (t == u) {
                EXPECT_LT(gf_distanceNm({g.lat, g.lon}, {r.lat, r.lon}), 0.2) << t;
                ++together;
            }
    EXPECT_GT(together, 30);
}

TEST_F(ScenarioGen, SameSeedSameScenarioAndTheSimulatorSideParses)
{
    EXPECT_EQ(tools::gf_generateScenario(7).traffic, generated.traffic);
    EXPECT_NE(tools::gf_generateScenario(8).traffic, generated.traffic);
    const auto sim = simemu::gf_parseScenario(generated.sim.dump());
    ASSERT_TRUE(sim.installedTitles);
    EXPECT_GE(sim.installedTitles->size(), 3u);
    EXPECT_TRUE(sim.userTrack.front().onGround);
}

TEST_F(ScenarioGen, SimulatorsAirportHoldsTheStandsDeparturesPushFromAndTheirRunway)
{
    const auto airport = simemu::gf_parseScenario(generated.sim.dump()).airport;
    ASSERT_EQ(airport.runways.size(), 1u);
    const auto& [west, east] = airport.runways[0].ends;
    int fromStands = 0;
    for (const auto& s : sampled) {
        if (!lf_pushedBack(s)) continue;
        const auto& first = s.reports.front().second;
        const auto stand = std::ranges::min_element(airport.stands, {}, [&](const simemu::AirportStand& a) {
            return gf_distanceNm(a.at, {first.lat, first.lon});
        });
        ASSERT_NE(stand, airport.stands.end());
        EXPECT_LT(gf_distanceNm(stand->at, {first.lat, first.lon}) * kMetresPerNm, 1.0) << s.hex << " " << stand->name;
        EXPECT_FALSE(stand->name.empty());
        ++fromStands;
        // Its take-off roll ends on the runway, between its ends.
        const auto lift = std::ranges::find_if(s.reports, [](const auto& r) { return r.second.altitudeFt > 0.0; });
        ASSERT_NE(lift, s.reports.end()) << s.hex;
        EXPECT_GT(lift->second.lon, std::min(west.lon, east.lon)) << s.hex;
        EXPECT_LT(lift->second.lon, std::max(west.lon, east.lon)) << s.hex;
        EXPECT_LT(std::abs(lift->second.lat - west.lat) * 60.0 * kMetresPerNm, 30.0) << s.hex;
    }
    EXPECT_GE(fromStands, 6);
}

// Live aircraft at stands count towards the field's parking count: beside the most that stand at once
// the aircraft the service reports parked keep their statics, and live ones stand at stands all along.
TEST_F(ScenarioGen, LiveAircraftAtStandsLeaveRoomForStaticsWithinTheParkingCount)
{
    const tools::DemoAirport airport = tools::gf_demoAirport();
    const auto atStand = [&](const ScenarioAircraft& r) {
        return r.altitudeFt == 0.0 && r.groundSpeedKt == 0.0 && std::ranges::any_of(airport.stands, [&](const auto& s) {
                   return gf_distanceNm({r.lat, r.lon}, {s.lat, s.lon}) * kMetresPerNm < 5.0;
               });
    };
    std::size_t most = 0;
    std::vector<double> noneAtStands;
    for (double t = 0.0; t <= tools::kScenarioSeconds; t += kStep) {
        std::size_t standing = 0;
        for (const auto& s : sampled) {
            // Its last report so far: an arrival stays at its stand once its reports end.
            const auto after = std::ranges::upper_bound(s.reports, t, {}, [](const auto& r) { return r.first; });
            standing += after != s.reports.begin() && atStand(std::prev(after)->second) ? 1 : 0;
        }
        most = std::max(most, standing);
        if (standing == 0) noneAtStands.push_back(t);
    }
    EXPECT_TRUE(noneAtStands.empty()) << "no live aircraft at a stand from " << noneAtStands.front() << " s";
    EXPECT_LE(most + scenario.parked.size(), gf_parkCountFor(airport.parkingPercentage, airport.stands.size(), -1).count)
        << most << " live aircraft at stands at once";
}

class ScenarioGenThreads : public ::testing::Test {
protected:
    void TearDown() override { gf_setClock(nullptr); }
    ManualClock clock{static_cast<std::time_t>(kStart)};
};

TEST_F(ScenarioGenThreads, WrittenFilesServeTheBufferedFillOverHttp)
{
    test::TempDir dir;
    tools::gf_writeScenarioFiles(tools::gf_generateScenario(7), dir / "scenario");
    EXPECT_NO_THROW(simemu::gf_loadScenarioFile(dir / "scenario" / tools::kSimScenarioFile));
    gf_setClock(&clock);
    tools::TrafficServer server(tools::gf_loadTrafficScenario(dir / "scenario" / tools::kTrafficScenarioFile));
    server.start();
    test::ScopedEnv url("TARVO_TRAFFIC_URL", server.baseUrl());
    const ServiceReply reply = gf_postToService(
        "traffic", gf_formBody({{"GUID", "g"}, {"buffercount", "5"}, {"buffertime", "6"}}), nullptr);
    ASSERT_TRUE(reply.ok()) << reply.errorText;
    const json data = json::parse(reply.body)["data"];
    ASSERT_EQ(data.size(), 5u);
    for (const auto& [name, snapshot] : data.items()) {
        EXPECT_GE(snapshot.size(), 15u) << name;
        EXPECT_FALSE(snapshot.contains("7cf0a1")) << "the ghost appears only later";
    }
    clock.advance(std::chrono::seconds(120));
    const json later = json::parse(gf_postToService("traffic", gf_formBody({{"GUID", "g"}}), nullptr).body)["data"];
    EXPECT_TRUE(later.contains("7cf0a1"));
    server.stop();
}

TEST(DemoScenario, ParkedTrafficStandsAtFreeStandsOfTheAirport)
{
    const tools::TrafficScenario scenario = tools::gf_trafficScenarioFromJson(tools::gf_generateScenario(7).traffic);
    ASSERT_FALSE(scenario.parked.empty());
    const tools::DemoAirport airport = tools::gf_demoAirport();
    std::set<std::string> stands;
    for (const tools::ParkedAircraft& ac : scenario.parked) {
        const auto stand = std::ranges::find(airport.stands, ac.stand, &tools::DemoStand::name);
        ASSERT_NE(stand, airport.stands.end()) << ac.stand;
        EXPECT_LT(gf_distanceNm({ac.lat, ac.lon}, {stand->lat, stand->lon}), 0.001) << ac.stand;
        EXPECT_NE(ac.stand, airport.stands.at(10).name) << "the user's stand";
        EXPECT_TRUE(stands.insert(ac.stand).second) << ac.stand;
        EXPECT_GT(ac.ageSeconds, 0.0);
    }
}

} // namespace
} // namespace zyn
