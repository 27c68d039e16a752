// Stand choice at a large park airport: the fit for an arriving aircraft (where it stops) and the
// choice by size and learned use, 1000 stands with 5000 options.
#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "base/geo.h"
#include "engine/records.h"
#include "engine/stand_search.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace zyn;

constexpr std::size_t kBenchStands = 1000;
constexpr std::size_t kBenchOptions = 5000;
constexpr LatLon kBenchCentre{47.0, 8.0};

// Stands in rows of 40, 80 m apart; options of random days and half hours.
void lf_fillBenchStands()
{
    std::mt19937 random(5);
    g_stands.clear();
    for (std::size_t i = 0; i < kBenchStands; ++i) {
        const LatLon at = gf_destinationPoint(gf_destinationPoint(kBenchCentre, 0.0, (i / 40) * 80.0 * 3.28084),
                                              kPi / 2, (i % 40) * 80.0 * 3.28084);
        g_stands.emplace_back("S" + std::to_string(i), std::vector<ParkPosOption>{}, at.lat, at.lon, 0.0,
                              20.0 + static_cast<double>(i % 3) * 8.0, i % 7 == 0 ? 0 : 1, i % 5 == 0 ? 0 : 1, 1);
    }
    for (std::size_t n = 0; n < kBenchOptions; ++n) {
        auto& stand = g_stands[random() % kBenchStands];
        ParkPosOption option;
        option.airline = n % 2 ? "SWR" : "DLH";
        option.type = "A320";
        option.registration = "HB-" + std::to_string(n);
        option.callsign = "SWR" + std::to_string(n);
        option.halfHours = std::uint64_t{1} << (random() % 48);
        option.number = static_cast<std::uint32_t>(stand.options.size() + 1);
        option.day = static_cast<std::int32_t>(random() % 7 + 1);
        option.real = 1;
        stand.options.push_back(std::move(option));
    }
    gf_numberStands(g_stands);
    gf_linkOverlappingStands(g_stands);
    gf_setParkAirport({"LSZH", "ZRH", kBenchCentre.lat, kBenchCentre.lon, 1400.0});
}

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
    lf_fillBenchStands();
    const AcRecord a = lf_benchArrival();
    const LatLon stop = gf_destinationPoint({g_stands[517].latitude, g_stands[517].longitude}, 1.0, 30.0);
    for (auto _ : state)
        benchmark::DoNotOptimize(gf_standFits(stop, a, 55.0 / 1852.0, true));
    g_stands.clear();
}
BENCHMARK(BM_StandFitForArrivalAt1000Stands);

void BM_StandBySizeAt1000StandsWith5000Options(benchmark::State& state)
{
    lf_fillBenchStands();
    const AcRecord a = lf_benchArrival();
    for (auto _ : state)
        benchmark::DoNotOptimize(lf_pickStandBySize({3, 20}, a, false));
    g_stands.clear();
}
BENCHMARK(BM_StandBySizeAt1000StandsWith5000Options);

} // namespace
