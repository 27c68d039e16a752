// One main-loop tick through the whole program path with 50, 150 and 300 live aircraft.
// This thread is the main loop: each tick it runs lf_workTarvo, the session's own tick (the intake
// merge, gf_updateAI, the per-second and periodic steps), and every 2 s it first plays the traffic
// reader (the parse of a full reply and its hand-over to the intake). The SimConnect thread is the
// program's SimClient against the emulator: it pumps the dispatch and drains the queues on each
// frame (60 a second). A lockstep clock lets the two threads take turns: the main loop's tick, then
// ten turns of the SimConnect thread, one per emulated millisecond, as it dispatches in the program.
// So every run interleaves them alike and nothing else runs while a tick is measured.
// Once every aircraft is in the simulator, one minute of ticks is measured: mean, 99th percentile and
// longest tick of the main loop with its heap allocations, the same for the "quiet" ticks that call
// no SimConnect function (all but the in-range request every 0.2 s and the user aircraft's every
// second, whose cost is mostly the emulator's bookkeeping of the call and its replies), and the
// SimConnect thread's work and allocations per tick (the emulator's included).
#include "base/geo.h"
#include "base/log.h"
#include "base/tick.h"
#include "base/time_util.h"
#include "bench/allocation_counter.h"
#include "bench/brief_run.h"
#include "bench/tick_stats.h"
#include "core/exit.h"
#include "core/main_loop.h"
#include "engine/ai_driver.h"
#include "engine/motion_math.h"
#include "engine/records.h"
#include "platform/simconnect/emulator.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/client.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/user_aircraft.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/livery_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/lockstep_clock.h"
#include "tools/traffic_server.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/reader.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using namespace zyn;
using namespace std::chrono_literals;

constexpr std::time_t kStartUtc = 1796601600;
constexpr LatLon kUser{47.4582, 8.5555};
constexpr double kFieldFt = 1416.0;
constexpr double kFrameRate = 60.0;
constexpr auto kTick = 10ms;
constexpr int kLinkTurnsPerTick = 10; // the SimConnect thread dispatches every millisecond
constexpr std::int64_t kPollEveryTicks = 200; // the service's default period of 2000 ms
constexpr int kMeasuredTicks = 6000;         // one minute
constexpr int kBriefMeasuredTicks = 200;
constexpr int kSettleTicks = 300;            // after the last creation: its light cycle ends
constexpr double kPathSeconds = 900.0;       // warm-up and measurement stay well inside
constexpr auto kTurnTimeout = 10s;           // the other thread's turn; longer means it hangs

const std::vector<std::pair<std::string, std::string>> kLiveries = {
    {"A320", "Airbus A320 Bench Air"}, {"B738", "Boeing 737-800 Bench Air"}, {"A21N", "Airbus A321neo Bench Air"},
    {"E190", "Embraer 190 Bench Air"}, {"B77W", "Boeing 777-300ER Bench Air"}, {"A359", "Airbus A350-900 Bench Air"},
    {"CRJ9", "CRJ-900 Bench Air"},     {"AT76", "ATR 72-600 Bench Air"},
};

// The aircraft database knows the types: without it no aircraft is created.
tools::DbaseContent lf_benchDbase()
{
    std::vector<std::string> types;
    for (const auto& [type, title] : kLiveries)
        types.push_back(type);
    tools::DbaseContent content = test::dbaseWith(types);
    content.large = {"A320", "B738", "A21N", "E190", "CRJ9", "AT76"};
    content.heavy = {"B77W", "A359"};
    return content;
}

// Aircraft i circles the user at its own radius (4 to 34 NM), speed and level, so that it stays in
// range for the whole run; every third one climbs and descends 1500 ft about its level as it goes round.
tools::ScenarioAircraft lf_circlingAircraft(int i)
{
    tools::ScenarioAircraft ac;
    ac.hexId = fmt::format("{:06x}", 0x3c0000 + i);
    ac.callsign = fmt::format("BNC{}", 100 + i);
    ac.type = kLiveries[static_cast<std::size_t>(i) % kLiveries.size()].first;
    ac.registration = fmt::format("D-B{:c}{:c}{:c}", 'A' + i / 676, 'A' + i / 26 % 26, 'A' + i % 26);
    const double radiusNm = 4.0 + (i * 7) % 31;
    const double kt = 160.0 + (i * 37) % 320;
    const double levelFt = 3000.0 + (i * 1300) % 36000;
    const double direction = i % 2 == 0 ? 1.0 : -1.0;
    const double stepRad = 10.0 * kDegToRad;
    const double secondsPerStep = radiusNm * stepRad / kt * 3600.0;
    double angle = i * 137.5 * kDegToRad;
    for (double t = -10.0; t <= kPathSeconds; t += secondsPerStep, angle += direction * stepRad) {
        const LatLon p = gf_destinationPoint(kUser, gf_wrapHeading(angle), radiusNm * kFeetPerNm);
        const double altitudeFt = levelFt + (i % 3 == 0 ? 1500.0 * std::sin(angle) : 0.0);
        ac.path.push_back({t, p.lat, p.lon, altitudeFt, ac.callsign, std::nullopt});
    }
    return ac;
}

// The SimConnect thread's work between two of its sleeps on the clock. Written on that thread while
// the main loop waits for it; the clock's lock orders the two.
class LinkThreadMeter : public tools::SleeperObserver {
public:
    void woke() override
    {
        m_awake = true;
        m_wokeAt = std::chrono::steady_clock::now();
        m_allocationsAtWake = bench::threadAllocationCount();
    }
    void sleeping() override
    {
        if (!m_awake)
            return;
        m_awake = false;
        m_busy += std::chrono::steady_clock::now() - m_wokeAt;
        m_allocations += bench::threadAllocationCount() - m_allocationsAtWake;
    }
    // Microseconds and allocations since the last call.
    std::pair<double, std::uint64_t> take()
    {
        const double micros = std::chrono::duration<double, std::micro>(m_busy).count();
        const std::uint64_t allocations = m_allocations;
        m_busy = {};
        m_allocations = 0;
        return {micros, allocations};
    }

private:
    bool m_awake = false;
    std::chrono::steady_clock::time_point m_wokeAt;
    std::uint64_t m_allocationsAtWake = 0;
    std::chrono::steady_clock::duration m_busy{};
    std::uint64_t m_allocations = 0;
};

struct TickFigures {
    bool quiet = false; // no SimConnect call in the main loop's tick
    double mainMicros = 0.0;
    std::uint64_t mainAllocations = 0;
    double linkMicros = 0.0;
    std::uint64_t linkAllocations = 0;
};

// A session of the program on the emulated simulator with circling traffic, from the SimConnect
// thread's start to its stop.
class FullPathRun {
public:
    explicit FullPathRun(int aircraft)
    {
        for (int i = 0; i < aircraft; ++i)
            m_traffic.push_back(lf_circlingAircraft(i));
        gf_setClock(&m_clock);
        gf_openLog();
        m_autoRange = param::AUTO_RANGE.value.load();
        m_range = param::LATERAL_RANGE.value.load();
        m_maxLive = param::MAX_LIVE.value.load();
        param::AUTO_RANGE.value = 0; // the range stays where the traffic circles
        param::MAX_LIVE.value = -1;  // every aircraft, whatever an airport's file set before
        gf_setTrafficRange(40);

        simemu::Scenario sim;
        sim.frameRate = kFrameRate;
        sim.groundAltitudeFt = kFieldFt;
        sim.userTrack = {simemu::TrackPoint{0.0, kUser.lat, kUser.lon, kFieldFt, 280.0, 0.0, true}};
        simemu::reset(sim);
        gf_resetSimLink();
        gf_resetMainLoop();
        gf_resetTrafficClients();
        gf_reserveAcContainers();
        gf_clearAcContainers();
        gf_initSimConnectQueues();
        g_tick = 0;
        g_trafficClient.setUserPosition(kUser);
        gf_setServiceUserPosition(kUser, kFieldFt);
        m_simThread = std::jthread(SimClient);
    }

    ~FullPathRun()
    {
        m_clock.setObserver(nullptr);
        m_simThread.request_stop();
        m_simThread.join();
        gf_setIntakeEnabled(false);
        gf_clearAcContainers();
        g_tick = 0;
        simemu::reset();
        gf_resetSimLink();
        gf_resetMainLoop();
        gf_resetTrafficClients();
        param::AUTO_RANGE.value = m_autoRange;
        param::MAX_LIVE.value = m_maxLive;
        gf_setTrafficRange(m_range);
        gf_closeLog();
        gf_setClock(nullptr);
    }

    FullPathRun(const FullPathRun&) = delete;
    FullPathRun& operator=(const FullPathRun&) = delete;

    // The session's wait for the simulator runs on a thread of its own, as in the program, while
    // time moves whenever both threads sleep. Then the main loop starts taking traffic.
    bool connect()
    {
        std::atomic<bool> done{false};
        bool connected = false;
        std::jthread waiter([&] {
            connected = gf_requestAcGndAir();
            done = true;
        });
        const auto giveUp = std::chrono::steady_clock::now() + 4 * kTurnTimeout;
        while (!done && std::chrono::steady_clock::now() < giveUp)
            if (m_clock.waitForSleepers(2, 20ms) && m_clock.advance(kTick, 2, kTurnTimeout))
                m_elapsed += kTick;
        if (!done)
            g_exitRequested = 1; // the session's wait ends early only on an exit
        waiter.join();
        if (g_exitRequested.exchange(0) != 0 || !connected || !m_clock.waitForSleepers(1, kTurnTimeout))
            return false;
        gf_setIntakeEnabled(true);
        g_nowWeekSlot = gf_weekdayAndSlot();
        m_clock.setObserver(&m_meter);
        return true;
    }

    // A poll when one is due, one main-loop tick, then the SimConnect thread's ten turns. False when
    // the tick ends the loop or the SimConnect thread hangs.
    bool tick(TickFigures& figures)
    {
        if (m_ticks++ % kPollEveryTicks == 0)
            poll();
        figures.quiet = g_tick % kInRangeEveryTicks != 0;
        const std::uint64_t allocationsBefore = bench::threadAllocationCount();
        const auto start = std::chrono::steady_clock::now();
        const bool goOn = lf_workTarvo();
        figures.mainMicros = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        figures.mainAllocations = bench::threadAllocationCount() - allocationsBefore;
        for (int ms = 0; ms < kLinkTurnsPerTick; ++ms)
            if (!m_clock.advance(1ms, 1, kTurnTimeout))
                return false;
        m_elapsed += kTick;
        if (!m_clock.waitForSleepers(1, kTurnTimeout))
            return false;
        std::tie(figures.linkMicros, figures.linkAllocations) = m_meter.take();
        return goOn;
    }

    int inSimulator() const
    {
        return static_cast<int>(std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                              [](const LiveAcRecord& a) { return a.state == ObjectState::InSim; }));
    }

private:
    // What the traffic reader does with a reply: every aircraft's entry, with report times spread
    // over the second before the poll, parsed and handed over.
    void poll()
    {
        const double now = double(kStartUtc) + std::chrono::duration<double>(m_elapsed).count();
        nlohmann::json data = nlohmann::json::object();
        for (std::size_t i = 0; i < m_traffic.size(); ++i)
            data[m_traffic[i].hexId] = tools::gf_scenarioEntry(m_traffic[i], double(kStartUtc), now - 0.2 * double(i % 5));
        gf_parseTrafficMembers(g_trafficClient, data);
        gf_mergeTrafficBatch(g_trafficClient, kLiveDelaySeconds);
    }

    test::ScopedDbase m_dbase{lf_benchDbase()};
    test::InstalledLiveries m_liveries{test::genericLiveries(kLiveries)}; // built on the real clock, as at start-up
    test::TempDir m_folder;
    test::ScopedCwd m_cwd{m_folder.path()};
    tools::LockstepClock m_clock{kStartUtc};
    LinkThreadMeter m_meter;
    std::vector<tools::ScenarioAircraft> m_traffic;
    std::jthread m_simThread;
    std::chrono::milliseconds m_elapsed{0};
    std::int64_t m_ticks = 0;
    std::uint8_t m_autoRange = 1;
    std::int32_t m_range = 40;
    std::int32_t m_maxLive = -1;
};

// Ticks until every aircraft is in the simulator and its light cycle is over; false when that
// does not happen within the time the creations need (one every 0.5 s after the 30 s delay) and a minute.
bool lf_warmUp(FullPathRun& run, int aircraft)
{
    const int limit = 3000 + aircraft * 50 + 6000;
    int settled = 0;
    TickFigures ignored;
    for (int t = 0; t < limit && settled < kSettleTicks; ++t) {
        if (!run.tick(ignored))
            return false;
        settled = run.inSimulator() == aircraft ? settled + 1 : 0;
    }
    return settled >= kSettleTicks;
}

// The run's set-up and warm-up; an error text when it could not start.
std::string lf_startRun(FullPathRun& run, int aircraft)
{
    if (!run.connect())
        return "the session did not connect to the emulated simulator";
    if (!lf_warmUp(run, aircraft))
        return fmt::format("{} of {} aircraft in the simulator after the warm-up", run.inSimulator(), aircraft);
    return {};
}

// The measured ticks, reported as counters.
class MeasuredTicks {
public:
    MeasuredTicks()
    {
        m_main.reserve(kMeasuredTicks);
        m_quiet.reserve(kMeasuredTicks);
        m_link.reserve(kMeasuredTicks);
    }
    void add(const TickFigures& f)
    {
        m_main.push_back(f.mainMicros);
        m_link.push_back(f.linkMicros);
        m_mainAllocations += f.mainAllocations;
        m_linkAllocations += f.linkAllocations;
        if (f.quiet) {
            m_quiet.push_back(f.mainMicros);
            m_quietAllocations += f.mainAllocations;
        }
    }
    void report(benchmark::State& state, int inSimAtEnd)
    {
        const auto perTick = [](std::uint64_t count, const std::vector<double>& ticks) {
            return ticks.empty() ? 0.0 : double(count) / double(ticks.size());
        };
        state.counters["allocs_per_tick"] = perTick(m_mainAllocations, m_main);
        state.counters["quiet_allocs_per_tick"] = perTick(m_quietAllocations, m_quiet);
        state.counters["link_allocs_per_tick"] = perTick(m_linkAllocations, m_link);
        state.counters["in_sim_at_end"] = inSimAtEnd;
        bench::reportTickTimes(state, m_main, "");
        bench::reportTickTimes(state, m_quiet, "quiet_");
        bench::reportTickTimes(state, m_link, "link_");
    }

private:
    std::vector<double> m_main, m_quiet, m_link;
    std::uint64_t m_mainAllocations = 0, m_quietAllocations = 0, m_linkAllocations = 0;
};

void BM_FullPathTick(benchmark::State& state)
{
    const int aircraft = static_cast<int>(state.range(0));
    MeasuredTicks measured;
    int inSimAtEnd = 0;
    std::string failed; // outlives the loop: the library may keep the text's address
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<FullPathRun>(aircraft);
        failed = lf_startRun(*run, aircraft);
        state.ResumeTiming();
        if (!failed.empty()) {
            state.SkipWithError(failed.c_str());
            break;
        }
        for (int t = 0; t < bench::briefOr(kMeasuredTicks, kBriefMeasuredTicks); ++t) {
            TickFigures f;
            if (!run->tick(f)) {
                failed = "the main loop ended or the SimConnect thread hung";
                state.SkipWithError(failed.c_str());
                break;
            }
            measured.add(f);
        }
        state.PauseTiming();
        inSimAtEnd = run->inSimulator();
        run.reset();
        state.ResumeTiming();
        if (failed.empty() && inSimAtEnd != aircraft) {
            failed = fmt::format("{} of {} aircraft left in the simulator after the measured ticks", inSimAtEnd, aircraft);
            state.SkipWithError(failed.c_str());
        }
    }
    measured.report(state, inSimAtEnd);
}
BENCHMARK(BM_FullPathTick)->Arg(50)->Arg(150)->Arg(300)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
