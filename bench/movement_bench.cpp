// Per-tick movement of 512 live aircraft of mixed phases: cruise, climb, descent and taxi with turns.
// Reports the mean, 99th percentile and longest tick, and heap allocations per tick (the steady
// state should have none).
#include "base/geo.h"
#include "base/tick.h"
#include "bench/allocation_counter.h"
#include "engine/motion_math.h"
#include "engine/movement.h"
#include "engine/records.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using namespace zyn;

constexpr int kMovingAircraft = 512;
constexpr int kMovementTicks = 20000;

Situation lf_report(LatLon p, double alt, double kt, std::int32_t t, double fpm)
{
    Situation s;
    s.lat = p.lat;
    s.lon = p.lon;
    s.altitude = alt;
    s.groundSpeed = kt;
    s.airspeed = kt;
    s.timeKey = t;
    s.verticalRate = fpm;
    s.airborne = alt > 0.0 ? 1 : 0;
    return s;
}

// Reports every interval ticks; the bearing changes by turnDeg every turnEvery reports.
LiveAcRecord lf_aircraft(int i, LatLon start, double kt, double alt, double fpm, std::int32_t interval, int count,
                         double turnDeg, int turnEvery)
{
    AcRecord ac;
    ac.head.callsign = "BNCH" + std::to_string(i);
    ac.hexId = 0x400000 + i;
    ac.category = static_cast<AcCategory>(i % 4);
    ac.halfWingspanNm = 0.01;
    gf_setLiveCategoryValues(ac);
    LatLon p = start;
    double bearing = (i * 37 % 360) * kDegToRad;
    LiveAcRecord a(lf_report(p, alt, kt, 1, fpm), ac, 0.0);
    for (int k = 1; k < count; ++k) {
        p = gf_destinationPoint(p, bearing, kt * kFeetPerNm * interval / kTicksPerHour);
        alt = std::max(alt > 0.0 ? 1000.0 : 0.0, alt + fpm * interval / 6000.0);
        a.stream.push_back(lf_report(p, alt, kt, 1 + k * interval, fpm));
        if (k % turnEvery == 0)
            bearing += turnDeg * kDegToRad;
    }
    a.block.lat = start.lat;
    a.block.lon = start.lon;
    a.block.altitude = a.stream[0].altitude;
    a.block.heading = gf_bearing(gf_positionOf(a.stream[0]), gf_positionOf(a.stream[1]));
    a.onGround = a.stream[0].airborne ? 0 : 1;
    a.phase = a.onGround ? MovePhase::Taxi : MovePhase::Airborne;
    a.state = ObjectState::InSim;
    a.objectId = 1000 + i;
    return a;
}

std::vector<LiveAcRecord> lf_mixedTraffic()
{
    std::vector<LiveAcRecord> list;
    list.reserve(kMovingAircraft);
    for (int i = 0; i < kMovingAircraft; ++i) {
        const LatLon start{47.0 + (i % 23) * 0.1, 8.0 + (i % 29) * 0.1};
        switch (i % 4) {
        case 0: list.push_back(lf_aircraft(i, start, 450, 35000, 0, 200, 150, 3, 10)); break;
        case 1: list.push_back(lf_aircraft(i, start, 250, 3000, 2000, 200, 150, 6, 5)); break;
        case 2: list.push_back(lf_aircraft(i, start, 280, 30000, -1500, 200, 150, -4, 7)); break;
        default: list.push_back(lf_aircraft(i, start, 12, 0, 0, 800, 40, 90, 4)); break;
        }
    }
    return list;
}

void BM_MovementOf512LiveAircraft(benchmark::State& state)
{
    std::vector<double> tickMicros;
    tickMicros.reserve(kMovementTicks);
    std::uint64_t allocations = 0;
    double stillFlying = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<LiveAcRecord> traffic = lf_mixedTraffic();
        g_tick = 1;
        for (int warm = 0; warm < 200; ++warm, ++g_tick)
            for (auto& a : traffic)
                gf_moveLiveAc(a);
        tickMicros.clear();
        const std::uint64_t before = bench::allocationCount();
        state.ResumeTiming();
        for (int t = 0; t < kMovementTicks; ++t, ++g_tick) {
            const auto start = std::chrono::steady_clock::now();
            for (auto& a : traffic)
                gf_moveLiveAc(a);
            tickMicros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
        state.PauseTiming();
        allocations += bench::allocationCount() - before;
        stillFlying = double(std::count_if(traffic.begin(), traffic.end(),
                                           [](const LiveAcRecord& a) { return a.state == ObjectState::InSim; }));
        benchmark::DoNotOptimize(traffic.data());
        state.ResumeTiming();
    }
    std::sort(tickMicros.begin(), tickMicros.end());
    double sum = 0.0;
    for (double v : tickMicros)
        sum += v;
    state.counters["mean_us"] = sum / tickMicros.size();
    state.counters["p99_us"] = tickMicros[tickMicros.size() * 99 / 100];
    state.counters["max_us"] = tickMicros.back();
    state.counters["moving_at_end"] = stillFlying;
    state.counters["allocs_per_tick"] = double(allocations) / (double(kMovementTicks) * state.iterations());
}
BENCHMARK(BM_MovementOf512LiveAircraft)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
