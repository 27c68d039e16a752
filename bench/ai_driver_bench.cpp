// One engine tick (gf_updateAI) with 512, 1000 and 2000 live aircraft of mixed phases against the emulator
// (its object limit, the simulator's 1000, raised to the count for the largest): the
// commands of the in-range replies, the movement, the position sets, the cadences. Reports the
// mean, 99th percentile and longest tick and the heap allocations of the tick; the emulator's own
// frame (the position sets it receives, its replies) runs between the ticks and is not counted.
// The "quiet_" figures leave out the ticks that call the emulator (the in-range request every 0.2 s,
// the user aircraft every second), whose cost is mostly the emulator's bookkeeping of the call.
#include "base/geo.h"
#include "base/tick.h"
#include "bench/allocation_counter.h"
#include "bench/brief_run.h"
#include "bench/emulated_link.h"
#include "bench/tick_stats.h"
#include "engine/ai_driver.h"
#include "engine/motion_math.h"
#include "engine/records.h"
#include "platform/simconnect/emulator.h"
#include "platform/system/clock.h"
#include "sim/dispatch.h"
#include "sim/link_state.h"
#include "sim/queues.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace zyn;

constexpr int kTicks = 6000;
constexpr int kBriefTicks = 200;
constexpr std::int32_t kReportEvery = 200;
constexpr int kReports = 60;

struct Leg {
    double kt, altitudeFt, fpm, turnDegPerReport;
};

// Cruise, climb, descent near the ground (so that ground data comes back), taxi with turns.
constexpr Leg kLegs[] = {{450, 35000, 0, 0.5}, {250, 3000, 1500, 2}, {160, 2400, -700, 0}, {14, 0, 0, 30}};

void lf_addAircraft(int i, std::uint32_t objectId)
{
    const Leg& leg = kLegs[i % 4];
    AcHead head;
    head.callsign = "BN" + std::to_string(i);
    head.type = "A320";
    AcRecord ac = gf_makeAiAircraft(head);
    ac.hexId = 0x500000 + static_cast<std::uint32_t>(i);
    gf_setLiveCategoryValues(ac);
    Situation s;
    s.lat = 47.0 + (i % 16) * 0.05;
    s.lon = 8.0 + (i / 16) * 0.05;
    s.altitude = leg.altitudeFt;
    s.airborne = leg.altitudeFt > 0.0;
    s.groundSpeed = s.airspeed = leg.kt;
    s.verticalRate = leg.fpm;
    s.timeKey = 1;
    LiveAcRecord a(s, ac, 0.0);
    double bearing = (i * 41 % 360) * kDegToRad;
    for (int k = 1; k < kReports; ++k) {
        const LatLon next = gf_destinationPoint({s.lat, s.lon}, bearing, leg.kt * kFeetPerNm * kReportEvery / kTicksPerHour);
        s.lat = next.lat;
        s.lon = next.lon;
        s.altitude = std::max(s.airborne ? 500.0 : 0.0, s.altitude + leg.fpm * kReportEvery / 6000.0);
        s.timeKey += kReportEvery;
        a.stream.push_back(s);
        bearing = gf_wrapHeading(bearing + leg.turnDegPerReport * kDegToRad);
    }
    a.block.lat = a.stream[0].lat;
    a.block.lon = a.stream[0].lon;
    a.block.altitude = a.stream[0].altitude;
    a.block.heading = gf_bearing(gf_positionOf(a.stream[0]), gf_positionOf(a.stream[1]));
    a.onGround = s.airborne ? 0 : 1;
    a.phase = s.airborne ? MovePhase::Airborne : MovePhase::Taxi;
    a.state = ObjectState::InSim;
    a.objectId = objectId;
    g_liveAircraft.push_back(std::move(a));
}

// The objects are made here, not through the link's creation queue, so they carry a request id of
// their own: the link does not take them for creations of its own that it never sent.
constexpr SIMCONNECT_DATA_REQUEST_ID kBenchCreation = 9104;

void lf_createTraffic(HANDLE h, int count)
{
    for (int i = 0; i < count; ++i) {
        SIMCONNECT_DATA_INITPOSITION at{47.0 + (i % 16) * 0.05, 8.0 + (i / 16) * 0.05, 3000, 0, 0, 0, 0, 0};
        SimConnect_AICreateNonATCAircraft(h, "Title", ("BN" + std::to_string(i)).c_str(), at, kBenchCreation);
    }
    int i = 0;
    for (const auto& o : simemu::objects())
        if (!o.isUser)
            lf_addAircraft(i++, o.id);
}

std::size_t lf_inSimulator()
{
    return static_cast<std::size_t>(std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                                  [](const LiveAcRecord& a) { return a.state == ObjectState::InSim; }));
}

void BM_UpdateAIWithLiveAircraft(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const int ticks = bench::briefOr(kTicks, kBriefTicks);
    ManualClock clock;
    gf_setClock(&clock);
    simemu::Scenario scenario = bench::instantScenario();
    scenario.frameRate = 100.0;
    scenario.maxObjects = std::max(scenario.maxObjects, count);
    scenario.userTrack = {simemu::TrackPoint{0.0, 47.4, 8.4, 1400.0, 0.0, 0.0, true}};
    const HANDLE h = bench::openEmulatedLink(scenario);
    gf_reserveAcContainers();
    g_liveAircraft.reserve(static_cast<std::size_t>(count));
    std::vector<double> tickMicros, quietMicros;
    tickMicros.reserve(ticks);
    quietMicros.reserve(ticks);
    std::uint64_t allocations = 0, quietAllocations = 0, quietTicks = 0;
    std::size_t inSimAtEnd = 0;
    std::string failed; // outlives the loop: the library may keep the text's address
    for (auto _ : state) {
        state.PauseTiming();
        gf_clearAcContainers();
        lf_createTraffic(h, count);
        g_tick = 0;
        tickMicros.clear();
        quietMicros.clear();
        state.ResumeTiming();
        if (lf_inSimulator() != static_cast<std::size_t>(count)) {
            failed = fmt::format("{} of {} aircraft in the simulator at the start", lf_inSimulator(), count);
            state.SkipWithError(failed.c_str());
            break;
        }
        for (int t = 0; t < ticks; ++t) {
            const bool quiet = g_tick % 20 != 0; // no request to the simulator in this tick
            const std::uint64_t before = bench::allocationCount();
            const auto start = std::chrono::steady_clock::now();
            gf_updateAI();
            tickMicros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            const std::uint64_t made = bench::allocationCount() - before;
            allocations += made;
            if (quiet && t >= 100) {
                quietMicros.push_back(tickMicros.back());
                quietAllocations += made;
                ++quietTicks;
            }
            clock.advance(std::chrono::milliseconds(10));
            SimConnect_CallDispatch(h, gf_dispatch, nullptr);
        }
        state.PauseTiming();
        inSimAtEnd = lf_inSimulator();
        state.ResumeTiming();
        if (inSimAtEnd != static_cast<std::size_t>(count)) {
            failed = fmt::format("{} of {} aircraft left in the simulator after the ticks", inSimAtEnd, count);
            state.SkipWithError(failed.c_str());
        }
    }
    bench::reportTickTimes(state, tickMicros, "");
    bench::reportTickTimes(state, quietMicros, "quiet_");
    state.counters["allocs_per_tick"] = double(allocations) / (double(ticks) * double(state.iterations()));
    state.counters["allocs_per_quiet_tick"] = quietTicks ? double(quietAllocations) / double(quietTicks) : 0.0;
    state.counters["in_sim_at_end"] = double(inSimAtEnd);
    gf_clearAcContainers();
    SimConnect_Close(h);
    gf_resetSimLink();
    gf_setClock(nullptr);
}
BENCHMARK(BM_UpdateAIWithLiveAircraft)->Arg(512)->Arg(1000)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
