// The BGL reader on airports that crafted files make large: a parking list whose ids are each given
// twice and an airport of helipads, read whole; and the overlap lists of stands piled on one spot.
// Each at two sizes, to show how the cost grows.
#include "airport/bgl_reader.h"
#include "airport/park_pos.h"
#include "airport/scan_log.h"
#include "bench/brief_run.h"
#include "tools/bgl_writer.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace zyn;

int lf_count(const benchmark::State& state) { return bench::briefOr(static_cast<int>(state.range(0)), 200); }

// Reads the airport, the only one of its file, in every iteration.
void lf_measureRead(benchmark::State& state, const tools::BglAirportSpec& airport)
{
    const auto bytes = tools::gf_bglBytes({.airports = {airport}});
    for (auto _ : state) {
        const BglAirportList list = gf_listBglAirports(bytes, true);
        benchmark::DoNotOptimize(gf_readBglAirport(bytes, list.airports.at(0), "Bench field", "bench.bgl"));
    }
    gf_resetScanLog();
}

void BM_BglParkingIdsGivenTwice(benchmark::State& state)
{
    const int entries = lf_count(state);
    tools::BglAirportSpec airport{"EDDT", 0, {}, {{}}};
    for (int i = 0; i < entries; ++i) {
        const auto base = static_cast<std::uint32_t>(i / 2);
        airport.parkingLists[0].push_back({static_cast<std::uint8_t>(12 + base / 4096), 8, base % 4096,
                                           i % 2 == 0 ? 10.0f : 20.0f, 90.0f, 50.0 + base * 1e-5, 10.0, {}});
    }
    lf_measureRead(state, airport);
}
BENCHMARK(BM_BglParkingIdsGivenTwice)->Arg(6500)->Arg(13000)->Arg(26000)->Arg(65000)->Unit(benchmark::kMillisecond);

void BM_BglHelipads(benchmark::State& state)
{
    const int helipads = lf_count(state);
    tools::BglAirportSpec airport{"EDDT", 0, {}, {}};
    for (int i = 0; i < helipads; ++i)
        airport.helipads.push_back({40.0 + i * 1e-5, 10.0, 20.0f});
    lf_measureRead(state, airport);
}
BENCHMARK(BM_BglHelipads)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_OverlapOfStandsOnOneSpot(benchmark::State& state)
{
    const int count = lf_count(state);
    std::vector<ParkPos> stands;
    for (int i = 0; i < count; ++i)
        stands.emplace_back(std::to_string(i), std::vector<ParkPosOption>{}, 47.0 + 1e-7 * (i % 89),
                            8.0 + 1e-7 * (i % 97), 0, 30.0, 1, 1, 1);
    gf_numberStands(stands);
    for (auto _ : state)
        gf_linkOverlappingStands(stands);
}
BENCHMARK(BM_OverlapOfStandsOnOneSpot)->Arg(800)->Arg(8000)->Unit(benchmark::kMillisecond);

} // namespace
