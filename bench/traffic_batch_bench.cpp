// A full traffic reply (384 entries, the batch's reserve) must parse and reach the intake well within
// one poll period; the hand-over moves the batch's storage instead of copying the records.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "tools/traffic_server.h"
#include "traffic/intake.h"
#include "traffic/reader.h"

namespace {

constexpr int kEntries = 384;

nlohmann::json lf_reply()
{
    zyn::tools::ScenarioAircraft ac;
    ac.type = "B738";
    ac.registration = "PH-ABC";
    ac.altitudeFt = 20000;
    ac.groundSpeedKt = 400;
    nlohmann::json data = nlohmann::json::object();
    for (int i = 0; i < kEntries; ++i) {
        ac.hexId = fmt::format("{:06x}", 0x400000 + i);
        ac.callsign = fmt::format("TST{}", i);
        ac.lat = 52.0 + (i % 20) * 0.01;
        ac.lon = 4.5 + (i / 20) * 0.01;
        data[ac.hexId] = zyn::tools::gf_scenarioEntry(ac, 1796601600.0, 1796601600.0 + i % 7);
    }
    return data;
}

void BM_ParseAndHandOverFullReply(benchmark::State& state)
{
    const nlohmann::json reply = lf_reply();
    zyn::TrafficClient client;
    client.setUserPosition({52.1, 4.6});
    zyn::gf_setIntakeEnabled(true);
    for (auto _ : state) {
        nlohmann::json data = reply;
        zyn::gf_parseTrafficMembers(client, data);
        zyn::gf_mergeTrafficBatch(client, zyn::kLiveDelaySeconds);
        std::lock_guard lock(zyn::g_intakeMutex);
        benchmark::DoNotOptimize(zyn::g_sharedBatch.size());
        zyn::g_sharedBatch.clear();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ParseAndHandOverFullReply)->Unit(benchmark::kMillisecond);

} // namespace
