// Per-tick movement of 512, 1000 and 2000 live aircraft of mixed phases: cruise, climb, descent and taxi with turns.
// Reports the mean, 99th percentile and longest tick, and heap allocations per tick (the steady
// state should have none).
#include "base/geo.h"
#include "base/tick.h"
#include "bench/allocation_counter.h"
#include "bench/brief_run.h"
#include "bench/tick_stats.h"
#include "engine/motion_math.h"
#include "engine/movement.h"
#include "engine/records.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <fmt/format.h>

namespace {

using namespace zyn;

constexpr int kMovementTicks = 20000;
constexpr int kBriefMovementTicks = 200;

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
    // The reports of different aircraft fall at different times within the interval, as the feed's do.
    const std::int32_t first = 1 + (i * 7919) % interval;
    LiveAcRecord a(lf_report(p, alt, kt, first, fpm), ac, 0.0);
    for (int k = 1; k < count; ++k) {
        p = gf_destinationPoint(p, bearing, kt * kFeetPerNm * interval / kTicksPerHour);
        alt = std::max(alt > 0.0 ? 1000.0 : 0.0, alt + fpm * interval / 6000.0);
        a.stream.push_back(lf_report(p, alt, kt, first + k * interval, fpm));
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

std::vector<LiveAcRecord> lf_mixedTraffic(int count)
{
    std::vector<LiveAcRecord> list;
    list.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
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

std::size_t lf_stillMoving(const std::vector<LiveAcRecord>& traffic)
{
    return static_cast<std::size_t>(std::count_if(traffic.begin(), traffic.end(),
                                                  [](const LiveAcRecord& a) { return a.state == ObjectState::InSim; }));
}

void BM_MovementOfLiveAircraft(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const int ticks = bench::briefOr(kMovementTicks, kBriefMovementTicks);
    std::vector<double> tickMicros;
    tickMicros.reserve(ticks);
    std::uint64_t allocations = 0;
    std::size_t stillMoving = 0;
    std::string failed; // outlives the loop: the library may keep the text's address
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<LiveAcRecord> traffic = lf_mixedTraffic(count);
        g_tick = 1;
        for (int warm = 0; warm < 200; ++warm, ++g_tick)
            for (auto& a : traffic)
                gf_moveLiveAc(a);
        tickMicros.clear();
        const std::uint64_t before = bench::allocationCount();
        state.ResumeTiming();
        if (lf_stillMoving(traffic) != static_cast<std::size_t>(count)) {
            failed = fmt::format("{} of {} aircraft moving after the warm-up", lf_stillMoving(traffic), count);
            state.SkipWithError(failed.c_str());
            break;
        }
        for (int t = 0; t < ticks; ++t, ++g_tick) {
            const auto start = std::chrono::steady_clock::now();
            for (auto& a : traffic)
                gf_moveLiveAc(a);
            tickMicros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
        state.PauseTiming();
        allocations += bench::allocationCount() - before;
        stillMoving = lf_stillMoving(traffic);
        benchmark::DoNotOptimize(traffic.data());
        state.ResumeTiming();
        if (stillMoving != static_cast<std::size_t>(count)) {
            failed = fmt::format("{} of {} aircraft still moving after the ticks", stillMoving, count);
            state.SkipWithError(failed.c_str());
            break;
        }
    }
    bench::reportTickTimes(state, tickMicros, "");
    state.counters["moving_at_end"] = double(stillMoving);
    state.counters["allocs_per_tick"] = double(allocations) / (double(ticks) * double(state.iterations()));
}
BENCHMARK(BM_MovementOfLiveAircraft)->Arg(512)->Arg(1000)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
