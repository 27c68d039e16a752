// The static parking of a large park airport: the calculation of its whole set of statics (1000
// stands, 5000 options, 200 parked-traffic entries from the loopback stand-in) and the adjustment of
// a set that stands, including the parked-traffic request each makes.
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

#include <optional>

namespace {

using namespace zyn;

constexpr std::size_t kParkedEntries = 200;

// The airport, the stand search, the settings and a stand-in serving parked traffic at 200 stands.
class StaticParkingBench {
public:
    StaticParkingBench()
    {
        bench::gf_fillBenchStands();
        tools::TrafficScenario scenario;
        for (std::size_t i = 0; i < kParkedEntries; ++i) {
            const ParkPos& stand = g_stands[i * 5];
            scenario.parked.push_back({fmt::format("{:06x}", 0x4b0000 + i), stand.id, "A320", "",
                                       fmt::format("SWR{}", 9000 + i), stand.latitude, stand.longitude,
                                       60.0 * static_cast<double>(i % 60)});
        }
        m_server.emplace(scenario);
        m_server->start();
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

private:
    test::ScopedDbase m_dbase{test::dbaseWith({"A320"}, {"SWR", "DLH"})};
    std::optional<tools::TrafficServer> m_server;
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
