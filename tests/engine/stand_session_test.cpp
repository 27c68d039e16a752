// Whole sessions of generated traffic at a park airport of 48 stands (stand_session_traffic.h), run tick
// by tick against the emulated simulator on the manual clock: the real live list, stand search, claims,
// phases, removals and respawns, the main loop's per-second work, the statics that static parking places,
// and a restart. After every tick:
// - a stand marked occupied by live traffic is held by exactly one live record, and no two hold one;
// - a live record parked at or taxiing to a stand holds it, and that stand is marked;
// - no static stands on a stand a live aircraft holds, nor on an overlapping one within reach of it;
// - every AI object of ours in the simulator belongs to one live or static record, and goes within the
//   removal's own delay once its record is removed or ended;
// and at the end at least 90 % of the arrivals whose reports reach a free stand parked on a stand.
// A failure names the seed, the tick, the stand and the records, so that the session can be repeated.
// By hand, TARVO_SOAK_SEEDS=n runs n more seeds (from TARVO_SOAK_FIRST_SEED, default 1000):
//   build/tarvo_tests --gtest_also_run_disabled_tests --gtest_filter='StandSessions.DISABLED_Soak'
#include "airport/park_airport_state.h"
#include "airport/stand_lookup.h"
#include "base/tick.h"
#include "core/main_loop.h"
#include "engine/ai_driver.h"
#include "engine/commands.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/parking_queries.h"
#include "engine/queues.h"
#include "engine/stand_candidates.h"
#include "parking/parking_count.h"
#include "parking/static_park.h"
#include "requests/main_loop_requests.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/dispatch.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/registration.h"
#include "sim/sim_command.h"
#include "tests/engine/driver_fixture.h"
#include "tests/engine/stand_session_traffic.h"
#include "traffic/intake.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zyn::test {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers multiply the cost: there one shorter session, restart and all, looks for memory faults.
constexpr std::uint32_t kSessionSeeds[] = {1};
constexpr int kSessionMinutes = 40;
#else
constexpr std::uint32_t kSessionSeeds[] = {1, 2, 3};
constexpr int kSessionMinutes = 125;
#endif
constexpr std::int32_t kSessionFirstTick = 3200;
constexpr std::int32_t kHandOverAhead = 3000; // the traffic client hands reports over 30 s before they play
constexpr int kRestartTicks = 600;            // the exit sequence and the new session's start
constexpr std::int32_t kCreatingTicks = 100;  // an object waits this long for its creation answer
constexpr std::int32_t kRemovingTicks = 300;  // and this long for its removal, beyond the removal queue
constexpr double kParkedShare = 0.9;

std::string lf_describe(const LiveAcRecord& a)
{
    return fmt::format("live {} {:06X} state {} phase {} stand {} object {}{}{}", a.head.callsign, a.hexId,
                       static_cast<int>(a.state), static_cast<int>(a.phase), a.standId, a.objectId,
                       a.gone ? " gone" : "", a.removeWhenCreated ? " removed when created" : "");
}

std::string lf_describe(const AiAcRecord& s)
{
    return fmt::format("static {} state {} stand {} object {}{}", s.head.callsign, static_cast<int>(s.state),
                       s.standId, s.objectId, s.erase ? " erased" : "");
}

std::string lf_describe(const ParkPos& stand)
{
    return fmt::format("stand {} (sid {}, marked {})", stand.id, stand.sid, stand.liveOccupied ? 1 : 0);
}

// The rule the session holds the engine to: a live aircraft holds its stand while it taxis to it or is
// parked at it, and until it is removed or its record ends.
bool lf_holding(const LiveAcRecord& a)
{
    return a.standId != 0 && (a.phase == MovePhase::TaxiToStand || a.phase == MovePhase::Parked) && !a.gone &&
           !a.erase && !a.removeWhenCreated && a.state != ObjectState::RemovalRequested;
}

bool lf_staticThere(const AiAcRecord& s)
{
    return s.standId != 0 && !s.erase && !s.removeWhenCreated &&
           (s.state == ObjectState::CreationRequested || s.state == ObjectState::InSim);
}

bool lf_leaving(const AiAcRecord& a)
{
    return a.state == ObjectState::RemovalRequested || a.state == ObjectState::RespawnPending || a.removeWhenCreated;
}

// The checks of one tick; the waits of objects are remembered from tick to tick.
class StandWatch {
public:
    std::string afterTick()
    {
        std::string failure = lf_stands();
        if (failure.empty())
            failure = lf_objects();
        return failure;
    }

private:
    std::string lf_stands()
    {
        m_holders.assign(g_stands.size() + 1, nullptr);
        for (const LiveAcRecord& a : g_liveAircraft) {
            if (!lf_holding(a))
                continue;
            if (a.standId >= m_holders.size() || !gf_standBySid(a.standId))
                return "holds a stand the airport does not have: " + lf_describe(a);
            if (const LiveAcRecord* other = m_holders[a.standId])
                return fmt::format("two live records hold {}: {} and {}", lf_describe(*gf_standBySid(a.standId)),
                                   lf_describe(*other), lf_describe(a));
            m_holders[a.standId] = &a;
        }
        for (const ParkPos& stand : g_stands) {
            const LiveAcRecord* holder = m_holders[stand.sid];
            if (stand.liveOccupied && !holder)
                return "marked occupied, but no live record holds it: " + lf_describe(stand) + lf_recordsOn(stand.sid);
            if (!stand.liveOccupied && holder)
                return fmt::format("held but not marked: {} by {}", lf_describe(stand), lf_describe(*holder));
        }
        for (const AiAcRecord& s : g_staticAircraft) {
            if (!lf_staticThere(s) || s.standId >= m_holders.size())
                continue;
            const ParkPos* at = gf_standBySid(s.standId);
            if (const LiveAcRecord* holder = m_holders[s.standId])
                return fmt::format("a static and a live aircraft on {}: {} and {}", lf_describe(*at), lf_describe(s),
                                   lf_describe(*holder));
            for (const std::uint32_t sid : at->adjacent) {
                const LiveAcRecord* holder = sid < m_holders.size() ? m_holders[sid] : nullptr;
                const ParkPos* next = gf_standBySid(sid);
                if (holder && (holder->halfWingspanNm + s.halfWingspanNm) * 1.1 >=
                                  gf_distanceNm({at->latitude, at->longitude}, {next->latitude, next->longitude}))
                    return fmt::format("a static on {} within reach of a live aircraft on {}: {} and {}",
                                       lf_describe(*at), lf_describe(*next), lf_describe(s), lf_describe(*holder));
            }
        }
        return {};
    }

    static std::string lf_recordsOn(std::uint32_t sid)
    {
        std::string out;
        for (const LiveAcRecord& a : g_liveAircraft)
            if (a.standId == sid)
                out += "; " + lf_describe(a);
        return out;
    }

    // One object id's owner in this tick (stamped, so that nothing is cleared between ticks).
    struct Held {
        std::uint32_t stamp = 0;
        std::uint32_t heldStamp = 0; // the simulator holds it
        bool leaving = false;
        const LiveAcRecord* live = nullptr;
        const AiAcRecord* parked = nullptr;
    };

    Held& lf_slot(std::uint32_t id)
    {
        if (id >= m_slots.size())
            m_slots.resize(id + 256);
        return m_slots[id];
    }

    // Notes the record's object; false when another record has it too.
    bool lf_own(std::uint32_t id, bool leaving, const LiveAcRecord* live, const AiAcRecord* parked)
    {
        Held& h = lf_slot(id);
        if (h.stamp == m_stamp)
            return false;
        h.stamp = m_stamp;
        h.leaving = leaving;
        h.live = live;
        h.parked = parked;
        return true;
    }

    // Every object of ours belongs to one record; one that belongs to none, or whose record is on its way
    // out, goes within the creation's or the removal's own delay.
    std::string lf_objects()
    {
        const std::int32_t now = g_tick;
        ++m_stamp;
        for (const LiveAcRecord& a : g_liveAircraft)
            if (a.objectId != 0 && !lf_own(a.objectId, lf_leaving(a), &a, nullptr))
                return fmt::format("object {} belongs to {} and {}", a.objectId, lf_whose(lf_slot(a.objectId)),
                                   lf_describe(a));
        for (const AiAcRecord& s : g_staticAircraft)
            if (s.objectId != 0 && !lf_own(s.objectId, lf_leaving(s), nullptr, &s))
                return fmt::format("object {} belongs to {} and {}", s.objectId, lf_whose(lf_slot(s.objectId)),
                                   lf_describe(s));
        const std::int32_t queued = static_cast<std::int32_t>(g_removalQueue.size()) * kRemovalEveryTicks;
        m_waits.swap(m_lastWaits);
        m_waits.clear();
        for (const SIMCONNECT_OBJECT_ID id : simemu::heldObjectIds()) {
            Held& h = lf_slot(id);
            h.heldStamp = m_stamp;
            const bool owned = h.stamp == m_stamp;
            if ((owned && !h.leaving) || (!owned && lf_lighting(id)))
                continue; // a static's object is its record's once its light cycle ends
            const std::int32_t since = lf_since(id, now);
            m_waits.push_back({id, since});
            if (!owned && now - since > kCreatingTicks + queued)
                return fmt::format("object {} belongs to no record since tick {}", id, since);
            if (owned && now - since > kRemovingTicks + queued)
                return fmt::format("object {} stays since tick {}, its record ended: {}", id, since, lf_whose(h));
        }
        for (const LiveAcRecord& a : g_liveAircraft)
            if (a.inSim() && lf_slot(a.objectId).heldStamp != m_stamp)
                return "in the simulator without its object: " + lf_describe(a);
        return {};
    }

    static std::string lf_whose(const Held& h) { return h.live ? lf_describe(*h.live) : lf_describe(*h.parked); }

    static bool lf_lighting(std::uint32_t id)
    {
        return std::any_of(g_lightCycle.begin(), g_lightCycle.end(),
                           [id](const LightCycleEntry& e) { return e.objectId == id && e.counter >= 0; });
    }

    // Since when the object has waited for its record or for its removal.
    std::int32_t lf_since(std::uint32_t id, std::int32_t now) const
    {
        for (const auto& [waiting, since] : m_lastWaits)
            if (waiting == id)
                return since;
        return now;
    }

    std::vector<const LiveAcRecord*> m_holders;
    std::vector<Held> m_slots; // by object id
    std::uint32_t m_stamp = 0;
    std::vector<std::pair<std::uint32_t, std::int32_t>> m_waits, m_lastWaits;
};

struct SessionFigures {
    std::uint32_t seed = 0;
    std::int64_t ticks = 0;
    int aircraft = 0;
    int arrivals = 0;
    int parked = 0;
    std::string failure;
};

// An A320 as large aircraft of its real wingspan: stands, reach and clearances as at a real airport.
tools::DbaseContent lf_sessionDbase()
{
    tools::DbaseContent content = dbaseWith({"A320"});
    content.large = {"A320"};
    content.wingspans = {{"A320", 35.8}};
    return content;
}

class StandSessions : public DriverRun {
protected:
    StandSessions()
    {
        m_checkEveryStep = false;
        m_scenario.frameRate = 30.0; // the position sets go to the simulator once a frame
        const SessionStand user = gf_sessionStands().back();
        m_scenario.userTrack = {simemu::TrackPoint{0.0, user.at.lat, user.at.lon, kSessionFieldFt, 0.0, 0.0, true}};
        m_scenario.groundAltitudeFt = kSessionFieldFt;
    }
    void SetUp() override
    {
        DriverRun::SetUp();
        param::GUID_CHANGES.value = 1;
        param::LOG.value = 0;
        gf_setTrafficRange(static_cast<std::int32_t>(kSessionRangeNm));
        gf_installParkingQueries();
        gf_resetStaticParking();
        gf_resetMainLoop();
    }
    void TearDown() override
    {
        gf_setParkingQueries({});
        gf_resetStaticParking();
        gf_resetMainLoop();
        param::BLOCK_CALLSIGN.setValue("");
        gf_setTrafficRange(static_cast<std::int32_t>(param::LATERAL_RANGE.defaultValue));
        gf_clearAcContainers();
        gf_setParkAirport({});
        gf_publishStands(g_stands);
        g_parkAirportLoaded = 0;
        DriverRun::TearDown();
    }

    SessionFigures run(std::uint32_t seed, int minutes)
    {
        SessionFigures figures;
        figures.seed = seed;
        const SessionTraffic traffic = gf_sessionTraffic(seed, minutes, kSessionFirstTick);
        figures.aircraft = traffic.aircraft;
        lf_loadAirport();
        std::unordered_map<std::uint32_t, SessionArrival> waiting;
        for (const SessionArrival& a : traffic.arrivals)
            if (a.reachTick < traffic.endTick - 6000)
                waiting[a.hexId] = a;
        figures.arrivals = static_cast<int>(waiting.size());
        std::size_t next = 0, statics = 0, blocks = 0;
        bool restarted = false;
        StandWatch watch;
        while (g_tick < traffic.endTick) {
            if (!restarted && g_tick >= traffic.restartTick) {
                lf_restart();
                restarted = true;
                while (next < traffic.reports.size() && traffic.reports[next].playTick < g_tick)
                    ++next; // played while no session ran
            }
            for (; next < traffic.reports.size() && traffic.reports[next].playTick - kHandOverAhead <= g_tick; ++next)
                lf_handOver(traffic.reports[next].record);
            for (; statics < traffic.statics.size() && traffic.statics[statics].tick <= g_tick; ++statics)
                lf_addStatics(traffic.statics[statics].stands);
            for (; blocks < traffic.blocks.size() && traffic.blocks[blocks].tick <= g_tick; ++blocks) {
                param::BLOCK_CALLSIGN.setValue(traffic.blocks[blocks].callsign);
                g_blockChangedRequest = 1;
            }
            step();
            if (g_oneSecondFlag.exchange(0) != 0)
                lf_everySecond();
            if (g_tick % 1500 == 0)
                gf_expireLiveParked(); // static parking's adjustment every 15 s
            ++figures.ticks;
            figures.failure = watch.afterTick();
            if (!figures.failure.empty()) {
                figures.failure = fmt::format("seed {}, tick {}: {}", seed, g_tick.load(), figures.failure);
                return figures;
            }
            if (g_tick % 100 == 0)
                figures.parked += lf_countParked(waiting);
        }
        return figures;
    }

    // Fails unless every check held and enough arrivals parked (returned); the figures go to the output.
    static bool expectSound(const SessionFigures& f)
    {
        std::printf("seed %u: %lld ticks checked, %d aircraft, %d of %d arrivals parked\n", f.seed,
                    static_cast<long long>(f.ticks), f.aircraft, f.parked, f.arrivals);
        if (!f.failure.empty()) {
            ADD_FAILURE() << f.failure;
            return false;
        }
        EXPECT_GE(f.parked, kParkedShare * f.arrivals) << "seed " << f.seed << ": too few arrivals parked";
        return f.parked >= kParkedShare * f.arrivals;
    }

private:
    void lf_loadAirport()
    {
        g_stands.clear();
        for (const SessionStand& s : gf_sessionStands())
            g_stands.emplace_back(s.name, std::vector<ParkPosOption>{}, s.at.lat, s.at.lon, s.headingDeg * kDegToRad,
                                  24.0, 1, 1, 1);
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
        gf_publishStands(g_stands);
        gf_setParkAirport({"LSZT", "ZTT", kSessionField.lat, kSessionField.lon, kSessionFieldFt});
        g_parkAirportLoaded = 1;
    }

    // As the traffic client hands a record over: one of a blocked callsign also tells the engine so.
    void lf_handOver(const TrafficRecord& record)
    {
        if (record.head.callsign == param::BLOCK_CALLSIGN.getValue())
            gf_pushSimCommand({.value = record.hexId, .kind = SimCommandKind::Blocked});
        std::lock_guard lock(g_intakeMutex);
        g_sharedBatch.insert(g_sharedBatch.begin(), record);
    }

    void lf_addStatics(const std::vector<std::size_t>& stands)
    {
        for (const std::size_t s : stands)
            g_standCandidates.push_back({0, 1, g_stands[s].sid, 0, "SWR", "A320",
                                         fmt::format("STA{}", ++m_staticNumber), "", "", 1});
    }

    // Arrivals that taxied onto a stand and stand there (not created there anew from later reports).
    static int lf_countParked(std::unordered_map<std::uint32_t, SessionArrival>& waiting)
    {
        int parked = 0;
        for (const LiveAcRecord& a : g_liveAircraft) {
            if (a.phase != MovePhase::Parked || a.previousPhase != MovePhase::TaxiToStand || a.standId == 0 ||
                !a.inSim())
                continue;
            if (waiting.erase(a.hexId) != 0)
                ++parked;
        }
        return parked;
    }

    // The exit sequence removes every aircraft and resets the engine; a new session starts on the same
    // airport while the traffic goes on.
    void lf_restart()
    {
        gf_SimCommands();
        gf_removeAllLiveAc();
        gf_removeAllStaticAc();
        gf_removeStaticsBeingLit();
        for (; !g_removalQueue.empty(); g_removalQueue.pop_front())
            gf_queueRemoveAc(g_removalQueue.front());
        g_removeUnmatchedRequest = true;
        lf_idle(kRestartTicks / 2);
        SimConnect_Close(m_h);
        gf_clearAcContainers();
        gf_resetStaticParking();
        gf_resetMainLoop();
        connectLink();
        lf_loadAirport();
        lf_idle(kRestartTicks / 2);
    }

    // Time passes while the main loop does not run.
    void lf_idle(int ticks)
    {
        for (int i = 0; i < ticks; ++i) {
            m_clock.advance(std::chrono::milliseconds(10));
            SimConnect_CallDispatch(m_h, gf_dispatch, nullptr);
            ++g_tick;
        }
    }

    ScopedDbase m_sessionDbase{lf_sessionDbase()};
    int m_staticNumber = 0;
};

class StandSessionSeeds : public StandSessions, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(StandSessionSeeds, EveryStandHasOneLiveHolderAtMostAfterEveryTick)
{
    expectSound(run(GetParam(), kSessionMinutes));
}

INSTANTIATE_TEST_SUITE_P(StandSessions, StandSessionSeeds, ::testing::ValuesIn(kSessionSeeds));

// Many more seeds, by hand (see the top of this file); the figures go to docs/performance.md.
TEST_F(StandSessions, DISABLED_Soak)
{
    const char* count = std::getenv("TARVO_SOAK_SEEDS");
    const char* first = std::getenv("TARVO_SOAK_FIRST_SEED");
    const int seeds = count ? std::atoi(count) : 20;
    const std::uint32_t from = first ? static_cast<std::uint32_t>(std::atoi(first)) : 1000;
    SessionFigures total;
    int failed = 0;
    for (int i = 0; i < seeds; ++i) {
        if (i > 0) {
            TearDown();
            SetUp();
        }
        const SessionFigures f = run(from + static_cast<std::uint32_t>(i), kSessionMinutes);
        failed += expectSound(f) ? 0 : 1;
        total.ticks += f.ticks;
        total.aircraft += f.aircraft;
        total.arrivals += f.arrivals;
        total.parked += f.parked;
    }
    std::printf("soak: %d seeds, %d failed, %lld ticks checked, %d aircraft, %d of %d arrivals parked\n", seeds,
                failed, static_cast<long long>(total.ticks), total.aircraft, total.parked, total.arrivals);
}

} // namespace
} // namespace zyn::test
