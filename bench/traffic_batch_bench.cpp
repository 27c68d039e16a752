// A full traffic reply of 500 entries, from its bytes as received to the records waiting for the
// main loop (the parse, every entry, the hand-over), must take a small part of one poll period.
// Beside it the bare parse of the same bytes into a JSON tree, the floor of any reader built on it.
#include "bench/allocation_counter.h"
#include "tools/traffic_server.h"
#include "traffic/intake.h"
#include "traffic/reader.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <string>

namespace {

using namespace zyn;

constexpr int kEntries = 500;
constexpr LatLon kReplyCentre{52.1, 4.6};

// As the service sends it: status, period and the entries keyed by hex id.
std::string lf_replyBytes()
{
    tools::ScenarioAircraft ac;
    ac.type = "B738";
    ac.registration = "PH-ABC";
    ac.origin = "EHAM";
    ac.destination = "LEMD";
    ac.altitudeFt = 20000;
    ac.groundSpeedKt = 400;
    nlohmann::json data = nlohmann::json::object();
    for (int i = 0; i < kEntries; ++i) {
        ac.hexId = fmt::format("{:06x}", 0x400000 + i);
        ac.callsign = fmt::format("TST{}", i);
        ac.lat = kReplyCentre.lat - 0.1 + (i % 20) * 0.01;
        ac.lon = kReplyCentre.lon - 0.1 + (i / 20) * 0.01;
        data[ac.hexId] = tools::gf_scenarioEntry(ac, 1796601600.0, 1796601600.0 + i % 7);
    }
    return nlohmann::json{{"status", 200}, {"rrl", 2000}, {"data", std::move(data)}}.dump();
}

void BM_BareParseOfFullReply(benchmark::State& state)
{
    const std::string bytes = lf_replyBytes();
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        const std::uint64_t before = bench::allocationCount();
        nlohmann::json reply = nlohmann::json::parse(bytes);
        allocations += bench::allocationCount() - before;
        benchmark::DoNotOptimize(reply.size());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.counters["allocs_per_entry"] =
        benchmark::Counter(double(allocations) / kEntries, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_BareParseOfFullReply)->Unit(benchmark::kMillisecond);

// The records the reply handed over; the main loop's side, emptied for the next reply.
std::size_t lf_takeHandedOver()
{
    std::lock_guard lock(g_intakeMutex);
    const std::size_t handedOver = g_sharedBatch.size();
    g_sharedBatch.clear();
    return handedOver;
}

void BM_ParseAndHandOverFullReply(benchmark::State& state)
{
    const std::string bytes = lf_replyBytes();
    TrafficClient client;
    client.setUserPosition(kReplyCentre);
    gf_setIntakeEnabled(true);
    std::int32_t status = 0;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        const std::uint64_t before = bench::allocationCount();
        const bool goOn = gf_readTrafficReply(client, bytes, status);
        allocations += bench::allocationCount() - before;
        if (!goOn || lf_takeHandedOver() != kEntries) {
            state.SkipWithError("the reply did not reach the intake whole");
            break;
        }
    }
    gf_setIntakeEnabled(false);
    state.SetItemsProcessed(state.iterations() * kEntries);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.counters["allocs_per_entry"] =
        benchmark::Counter(double(allocations) / kEntries, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ParseAndHandOverFullReply)->Unit(benchmark::kMillisecond);

} // namespace
