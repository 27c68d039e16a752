// The parked-traffic reply of a large airport read into its list: 200 entries parsed, aged, sorted and
// cut to one per stand and callsign, as the parking calculation does before it places them.
#include "tests/support/dbase_fixture.h"
#include "traffic/client.h"
#include "traffic/parked_traffic.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace {

using namespace zyn;

constexpr int kParkedEntries = 200;

std::string lf_parkedReplyOf(int entries)
{
    nlohmann::json data = nlohmann::json::object();
    for (int i = 0; i < entries; ++i) {
        const double reportTime = 1796601600.0 + 60.0 * (i % 90);
        data[fmt::format("{:06x}", 0x480000 + i)] = nlohmann::json::array(
            {52.30 + 0.0001 * (i % 50), 4.76 + 0.0001 * (i / 50), fmt::format("G{}", i % 180),
             i % 3 == 0 ? "B747" : "A320", "null", reportTime, fmt::format("KLM{}", i % 170)});
    }
    return nlohmann::json{{"status", 200}, {"data", std::move(data)}}.dump();
}

void BM_ParkedReplyOf200Entries(benchmark::State& state)
{
    const test::ScopedDbase dbase{test::dbaseWith({"A320", "B744"})};
    const std::string body = lf_parkedReplyOf(kParkedEntries);
    TrafficClient client;
    for (auto _ : state) {
        std::int32_t status = 0;
        if (!gf_readParkedReply(client, body, status) || client.parkedList.size() != kParkedEntries) {
            state.SkipWithError("the reply was not read whole");
            break;
        }
        gf_keepYoungestParked(client.parkedList, 47);
        benchmark::DoNotOptimize(client.parkedList.data());
    }
}
BENCHMARK(BM_ParkedReplyOf200Entries)->Unit(benchmark::kMicrosecond);

} // namespace
