// Static parking's share of the main loop at a large airport: 1000 stands with their overlaps, 500
// statics, 300 live aircraft (100 of them taxiing between the stand rows). In a round of 100 ticks two
// ticks work: one parks a static (with the livery match) and runs the per-second collision checks
// (every live aircraft against the user's path, every taxiing one against the statics, as a copy, as
// the main loop passes it), one 0.5 s later parks the next static; the ticks between do no static
// parking work. Each working tick is timed on its own: "park_and_checks_tick_us" and "park_tick_us"
// are their means, "longest_tick_us" the longest of both; the target is below 200 us.
#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/tick.h"
#include "engine/ai_driver.h"
#include "engine/queues.h"
#include "engine/records.h"
#include "parking/session_calls.h"
#include "parking/static_park.h"
#include "sim/user_aircraft.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/livery_fixture.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace {

using namespace zyn;

constexpr LatLon kParkBenchApron{47.45, 8.56};
constexpr int kParkBenchColumns = 40;
constexpr int kParkBenchStands = 1000;
constexpr int kParkBenchStatics = 500;
constexpr int kParkBenchLive = 300;
constexpr int kParkBenchTaxiing = 100;
constexpr int kParkBenchTicks = 100;
constexpr double kParkBenchHalfSpanNm = 0.0092; // an A320

LatLon lf_parkBenchPoint(double northM, double eastM)
{
    return gf_destinationPoint(gf_destinationPoint(kParkBenchApron, 0.0, northM / 0.3048), kPi / 2, eastM / 0.3048);
}

// Rows of 40 stands 45 m apart, each overlapping its neighbours in the row; rows 120 m apart.
void lf_parkBenchStands()
{
    g_stands.clear();
    for (int i = 0; i < kParkBenchStands; ++i) {
        const LatLon at = lf_parkBenchPoint(120.0 * (i / kParkBenchColumns), 45.0 * (i % kParkBenchColumns));
        g_stands.emplace_back(fmt::format("S{}", i), std::vector<ParkPosOption>{}, at.lat, at.lon, 0.0, 28.0, 1, 1, 1);
    }
    gf_numberStands(g_stands);
    gf_linkOverlappingStands(g_stands);
}

// An A320 of the airline with its callsign and hex id.
AcRecord lf_parkBenchAircraft(const char* airline, std::string callsign, std::uint32_t hexId)
{
    AcHead head;
    head.airline = airline;
    head.type = "A320";
    head.callsign = std::move(callsign);
    AcRecord ac = gf_makeAiAircraft(head);
    ac.halfWingspanNm = kParkBenchHalfSpanNm;
    ac.hexId = hexId;
    return ac;
}

// Statics on the first 20 stands of every row.
void lf_parkBenchStatics()
{
    g_staticAircraft.clear();
    for (int i = 0; i < kParkBenchStands && static_cast<int>(g_staticAircraft.size()) < kParkBenchStatics; ++i) {
        if (i % kParkBenchColumns >= 20)
            continue;
        const ParkPos& stand = g_stands[static_cast<std::size_t>(i)];
        const AcRecord ac = lf_parkBenchAircraft("SWR", fmt::format("SWR{}*", i), static_cast<std::uint32_t>(i + 1));
        AiAcRecord& s = g_staticAircraft.emplace_back(ac, stand.sid, stand.latitude, stand.longitude, 0.0, 0);
        s.state = ObjectState::InSim;
        s.objectId = 1000 + static_cast<std::uint32_t>(i);
    }
}

// Taxiing aircraft between the rows (clear of the statics), parked ones at the far ends of the
// rows, the rest airborne around the airport.
void lf_parkBenchLive()
{
    g_liveAircraft.clear();
    for (int i = 0; i < kParkBenchLive; ++i) {
        Situation s;
        LiveAcRecord a(s, lf_parkBenchAircraft("DLH", fmt::format("DLH{}", i), 0x400000 + static_cast<std::uint32_t>(i)),
                       0.0);
        for (int k = 0; k < 20; ++k)
            a.stream.push_back(s);
        const int row = i % 25;
        if (i < kParkBenchTaxiing) {
            const LatLon at = lf_parkBenchPoint(120.0 * row + 60.0, 45.0 * (i / 25) * 4);
            a.block.lat = at.lat;
            a.block.lon = at.lon;
            a.onGround = 1;
            a.phase = MovePhase::Taxi;
        } else if (i < kParkBenchTaxiing + 50) {
            const ParkPos& stand = g_stands[static_cast<std::size_t>(row * kParkBenchColumns + 36 + i % 4)];
            a.block.lat = stand.latitude;
            a.block.lon = stand.longitude;
            a.standId = stand.sid;
            a.onGround = 1;
            a.phase = MovePhase::Parked;
        } else {
            const LatLon at = gf_destinationPoint(kParkBenchApron, i * 0.1, (5.0 + i % 30) * kFeetPerNm);
            a.block.lat = at.lat;
            a.block.lon = at.lon;
            a.block.altitude = 3000.0 + 30.0 * i;
            a.block.heading = i * 0.3;
            a.phase = MovePhase::Airborne;
        }
        a.state = ObjectState::InSim;
        a.objectId = 5000 + static_cast<std::uint32_t>(i);
        g_liveAircraft.push_back(std::move(a));
    }
}

// Two candidates of a round, on free stands of a row (the second beside a live parked aircraft in
// some rounds, refused then).
void lf_parkBenchCandidates(int round)
{
    g_standCandidates.clear();
    for (int k = 0; k < 2; ++k) {
        StandCandidate c;
        c.fitted = 1;
        c.standId = g_stands[static_cast<std::size_t>((round % 25) * kParkBenchColumns + 24 + 11 * k)].sid;
        c.airline = "SWR";
        c.type = "A320";
        c.callsign = fmt::format("SWR{}", 9000 + k);
        c.slotMatch = 1;
        g_standCandidates.push_back(std::move(c));
    }
}

// The main loop's per-second checks, with the user airborne and clear of everyone.
void lf_parkBenchSecond()
{
    for (auto& a : g_liveAircraft)
        if (gf_avoidUserCollision(a))
            break;
    for (const auto& a : g_liveAircraft)
        if (a.onGround != 0 && a.phase == MovePhase::Taxi && a.inSim())
            lf_removeForCollisionAvoidance(a);
}

std::size_t lf_parkBenchInSim(const std::vector<AiAcRecord>& list)
{
    return static_cast<std::size_t>(std::count_if(list.begin(), list.end(), [](const AiAcRecord& s) { return s.inSim(); }));
}

void BM_StaticParkingAndCollisionsPerTick(benchmark::State& state)
{
    const test::ScopedDbase dbase{test::dbaseWith({"A320"}, {"SWR", "DLH"})};
    const test::InstalledLiveries liveries{std::vector<LiveryData>{test::livery("SWR", "A320", "Swiss A320")}};
    gf_reserveAcContainers();
    gf_clearAcContainers();
    gf_resetStaticParking();
    lf_parkBenchStands();
    lf_parkBenchStatics();
    lf_parkBenchLive();
    UserAcData user;
    const LatLon far = gf_destinationPoint(kParkBenchApron, 0.0, 30.0 * kFeetPerNm);
    user.lat = far.lat;
    user.lon = far.lon;
    user.altitude = 9000.0;
    user.aboveGround = 7600.0;
    g_userAc.set(user);
    double parkAndChecksUs = 0.0, parkUs = 0.0, longestUs = 0.0;
    int round = 0;
    std::string failed; // outlives the loop: the library may keep the text's address
    for (auto _ : state) {
        state.PauseTiming();
        g_staticAircraft.resize(kParkBenchStatics);
        g_staticCreationQueue.clear();
        lf_parkBenchCandidates(round);
        g_tick = round * kParkBenchTicks;
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        lf_parkStatic();
        lf_parkBenchSecond();
        const double first = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        g_tick += kParkBenchTicks / 2; // the creation pacing's next turn
        start = std::chrono::steady_clock::now();
        lf_parkStatic();
        const double second = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        parkAndChecksUs += first;
        parkUs += second;
        longestUs = std::max({longestUs, first, second});
        ++round;
        state.PauseTiming();
        const std::size_t parked = g_staticAircraft.size() - kParkBenchStatics;
        const std::size_t inSim = lf_parkBenchInSim(g_staticAircraft);
        state.ResumeTiming();
        if (parked < 1 || g_staticCreationQueue.size() != parked || inSim != kParkBenchStatics) {
            failed = fmt::format("round {}: {} parked, {} requests, {} statics left in the simulator", round, parked,
                                 g_staticCreationQueue.size(), inSim);
            state.SkipWithError(failed.c_str());
            break;
        }
    }
    if (round > 0) {
        state.counters["park_and_checks_tick_us"] = parkAndChecksUs / round;
        state.counters["park_tick_us"] = parkUs / round;
        state.counters["longest_tick_us"] = longestUs;
    }
    gf_clearAcContainers();
    g_standCandidates.clear();
    gf_resetStaticParking();
    g_userAc.reset();
    g_tick = 0;
}
BENCHMARK(BM_StaticParkingAndCollisionsPerTick)->Unit(benchmark::kMicrosecond);

} // namespace
