// Stand choice at a large park airport: the fit for an arriving aircraft (where it stops) and the
// choice by size and learned use, 1000 stands with 5000 options.
#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "base/geo.h"
#include "bench/bench_stands.h"
#include "engine/records.h"
#include "engine/stand_search.h"

#include <benchmark/benchmark.h>


namespace {

using namespace zyn;

AcRecord lf_benchArrival()
{
    AcRecord a;
    a.head.callsign = "SWR77";
    a.head.airline = "SWR";
    a.head.type = "A320";
    a.head.registration = "HB-JXA";
    a.halfWingspanNm = 17.0 / 1852.0;
    return a;
}

void BM_StandFitForArrivalAt1000Stands(benchmark::State& state)
{
    bench::gf_fillBenchStands();
    const AcRecord a = lf_benchArrival();
    const LatLon stop = gf_destinationPoint({g_stands[517].latitude, g_stands[517].longitude}, 1.0, 30.0);
    for (auto _ : state)
        benchmark::DoNotOptimize(gf_standFits(stop, a, 55.0 / 1852.0, true));
    g_stands.clear();
}
BENCHMARK(BM_StandFitForArrivalAt1000Stands);

void BM_StandBySizeAt1000StandsWith5000Options(benchmark::State& state)
{
    bench::gf_fillBenchStands();
    const AcRecord a = lf_benchArrival();
    for (auto _ : state)
        benchmark::DoNotOptimize(lf_pickStandBySize({3, 20}, a, false));
    g_stands.clear();
}
BENCHMARK(BM_StandBySizeAt1000StandsWith5000Options);

} // namespace
