// Geodesy runs per aircraft per tick; keep an eye on its cost.
#include "base/geo.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DistanceNm(benchmark::State& state)
{
    zyn::LatLon a{47.45, 8.56}, b{47.46, 8.57};
    for (auto _ : state) {
        benchmark::DoNotOptimize(zyn::gf_distanceNm(a, b));
        a.lon += 1e-9;
    }
}
BENCHMARK(BM_DistanceNm);

void BM_DestinationPoint(benchmark::State& state)
{
    zyn::LatLon a{47.45, 8.56};
    for (auto _ : state)
        benchmark::DoNotOptimize(zyn::gf_destinationPoint(a, 1.2, 150.0));
}
BENCHMARK(BM_DestinationPoint);

} // namespace
