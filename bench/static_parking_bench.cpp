// The static parking of a large park airport: the calculation of its whole set of statics (1000
// stands, 5000 options, 200 parked-traffic entries from the loopback stand-in), the adjustment of a set
// that stands as it is, and the adjustment of one in which a tenth of the statics leave and as many
// arrive, including the parked-traffic request each makes.
#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "bench/bench_stands.h"
#include "engine/records.h"
#include "engine/stand_search.h"
#include "parking/parking_fit.h"
#include "parking/session_calls.h"
#include "parking/static_park.h"
#include "parking/static_parking.h"
#include "settings/settings.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/scoped_env.h"
#include "tools/traffic_server.h"
#include "traffic/client.h"
#include "traffic/parked_traffic.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

using namespace zyn;

constexpr std::size_t kParkedEntries = 200;
// Entries that leave the parked traffic and as many that arrive at other stands: a tenth of the
// statics of the calculation (about 600).
constexpr std::size_t kChangedEntries = 60;

tools::ParkedAircraft lf_parkedAt(const ParkPos& stand, std::uint32_t hexId, std::string callsign, double ageSeconds)
{
    return {fmt::format("{:06x}", hexId), stand.id, "A320", "", std::move(callsign), stand.latitude, stand.longitude,
            ageSeconds};
}

// The airport, the stand search, the settings and a stand-in serving parked traffic at 200 stands.
class StaticParkingBench {
public:
    StaticParkingBench()
    {
        bench::gf_fillBenchStands();
        tools::TrafficScenario scenario, changed;
        for (std::size_t i = 0; i < kParkedEntries; ++i) {
            const double age = 60.0 * static_cast<double>(i % 60);
            const auto n = static_cast<std::uint32_t>(i);
            scenario.parked.push_back(lf_parkedAt(g_stands[i * 5], 0x4b0000 + n, fmt::format("SWR{}", 9000 + i), age));
            // The changed traffic: every third of the first entries gone, one at the stand beside instead.
            if (i % 3 == 0 && i / 3 < kChangedEntries)
                changed.parked.push_back(lf_parkedAt(g_stands[i * 5 + 2], 0x4c0000 + n, fmt::format("EDW{}", 100 + i), age));
            else
                changed.parked.push_back(scenario.parked.back());
        }
        m_server.emplace(scenario);
        m_server->start();
        m_changedServer.emplace(changed);
        m_changedServer->start();
        m_url.emplace("TARVO_TRAFFIC_URL", m_server->baseUrl());
        g_trafficClient.setGuid("bench");
        gf_setStandSearch(lf_searchStands);
        g_nowWeekSlot = WeekSlot{3, 20};
        param::MAX_FIT.value.store(47);
        param::CUSTOM_PARKING_PERCENTAGE.value.store(60);
        param::CUSTOM_MAX_PARK.value.store(-1);
        param::RT_PARKTRAFFIC_ONLY.value.store(0);
        param::PARK_SOFT.value.store(0);
        param::PARK_FAKE.value.store(0);
    }
    ~StaticParkingBench()
    {
        g_staticAircraft.clear();
        gf_resetStaticParking();
        gf_setStandSearch(nullptr);
        g_trafficClient.setGuid("");
        g_trafficClient.parkedList.clear();
        g_stands.clear();
        gf_setParkAirport({});
        param::CUSTOM_PARKING_PERCENTAGE.value.store(-1);
    }

    // The candidates of a calculation, standing as statics.
    void parkCandidates()
    {
        g_staticAircraft.clear();
        std::uint32_t objectId = 1;
        for (const StandCandidate& c : g_standCandidates) {
            const ParkPos& stand = *gf_standBySid(c.standId);
            AiAcRecord s;
            s.head.airline = c.airline;
            s.head.type = c.type;
            s.head.callsign = c.callsign + "*";
            s.head.text1 = c.callsign;
            s.head.registration = c.registration;
            s.feedKind = c.fitted;
            s.parkedHexId = c.hexId;
            s.standId = stand.sid;
            s.initLat = stand.latitude;
            s.initLon = stand.longitude;
            s.weekSlot = gf_windowStart(g_nowWeekSlot.load(), c.fit);
            s.state = ObjectState::InSim;
            s.objectId = objectId++;
            g_staticAircraft.push_back(std::move(s));
        }
        g_standCandidates.clear();
    }

    // The parked traffic from now on: the changed one, or the one of the start.
    void serveChangedTraffic(bool changed)
    {
        m_url.reset();
        m_url.emplace("TARVO_TRAFFIC_URL", (changed ? m_changedServer : m_server)->baseUrl());
    }

private:
    test::ScopedDbase m_dbase{test::dbaseWith({"A320"}, {"SWR", "DLH"})};
    std::optional<tools::TrafficServer> m_server;
    std::optional<tools::TrafficServer> m_changedServer;
    std::optional<test::ScopedEnv> m_url;
};

void BM_StaticParkingCalculation1000Stands(benchmark::State& state)
{
    StaticParkingBench bench;
    for (auto _ : state) {
        lf_calculateStaticParking();
        if (g_standCandidates.size() < kParkedEntries) {
            state.SkipWithError("the parked traffic was not placed");
            break;
        }
    }
    state.counters["statics"] = static_cast<double>(g_standCandidates.size());
}
BENCHMARK(BM_StaticParkingCalculation1000Stands)->Unit(benchmark::kMillisecond);

void BM_StaticParkingAdjustment1000Stands(benchmark::State& state)
{
    StaticParkingBench bench;
    lf_calculateStaticParking();
    bench.parkCandidates();
    const std::vector<AiAcRecord> standing = g_staticAircraft;
    if (standing.size() < kParkedEntries)
        state.SkipWithError("the parked traffic was not placed");
    for (auto _ : state) {
        state.PauseTiming();
        g_staticAircraft = standing;
        state.ResumeTiming();
        gf_parkingAdjustments(false);
    }
    state.counters["statics"] = static_cast<double>(standing.size());
}
BENCHMARK(BM_StaticParkingAdjustment1000Stands)->Unit(benchmark::kMillisecond);

std::size_t lf_removalsRequested()
{
    return static_cast<std::size_t>(std::count_if(g_staticAircraft.begin(), g_staticAircraft.end(), [](const AiAcRecord& s) {
        return s.state == ObjectState::RemovalRequested;
    }));
}

// The same set of statics, adjusted to parked traffic in which a tenth of them left and as many arrived:
// the leavers are removed, the arrivals become candidates.
void BM_StaticParkingAdjustmentOfATenth1000Stands(benchmark::State& state)
{
    StaticParkingBench bench;
    lf_calculateStaticParking();
    bench.parkCandidates();
    const std::vector<AiAcRecord> standing = g_staticAircraft;
    bench.serveChangedTraffic(true);
    std::size_t removed = 0, added = 0;
    std::string failed; // outlives the loop: the library may keep the text's address
    for (auto _ : state) {
        state.PauseTiming();
        g_staticAircraft = standing;
        state.ResumeTiming();
        gf_parkingAdjustments(false);
        state.PauseTiming();
        removed = lf_removalsRequested();
        added = g_standCandidates.size();
        state.ResumeTiming();
        if (standing.size() < kParkedEntries || removed < kChangedEntries || added < kChangedEntries) {
            failed = fmt::format("{} statics: {} removed and {} added, not at least {} each", standing.size(), removed,
                                 added, kChangedEntries);
            state.SkipWithError(failed.c_str());
            break;
        }
    }
    state.counters["statics"] = static_cast<double>(standing.size());
    state.counters["removed"] = static_cast<double>(removed);
    state.counters["added"] = static_cast<double>(added);
}
BENCHMARK(BM_StaticParkingAdjustmentOfATenth1000Stands)->Unit(benchmark::kMillisecond);

// The request alone, as each of the two above makes it: the share of the service's answer.
void BM_StaticParkingRequestOf200Entries(benchmark::State& state)
{
    StaticParkingBench bench;
    for (auto _ : state) {
        if (!gf_requestParkedTraffic() || g_trafficClient.parkedList.size() != kParkedEntries) {
            state.SkipWithError("the parked traffic was not fetched");
            break;
        }
    }
}
BENCHMARK(BM_StaticParkingRequestOf200Entries)->Unit(benchmark::kMillisecond);

} // namespace
