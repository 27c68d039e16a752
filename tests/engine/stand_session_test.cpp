// Whole sessions of generated traffic at a park airport of 48 stands (stand_session_traffic.h), run tick
// by tick against the emulated simulator on the manual clock: the real live list, stand search, claims,
// phases, removals and respawns, the main loop's per-second work, the statics that static parking places,
// the park airport chosen from its files, "Flush static", the end of parking and its new start, the
// program's own exit and restart, and in some seeds a live limit, a parking count, the renewals and the
// expiry of silent parked aircraft. After every tick:
// - a stand is marked occupied by live traffic exactly while one live record holds it;
// - no static stands on a stand a live aircraft holds, nor on an overlapping one within reach of it;
// - every AI object of ours in the simulator belongs to one live or static record, and goes within the
//   removal's own delay once its record is removed or ended;
// - as the simulator shows them, no two objects on one stand, or on overlapping ones, stand within each
//   other's room for longer than a contest for the stand takes;
// and at the end at least 90 % of the arrivals whose reports reach a free stand parked on a stand.
// A failure names the seed, the tick, the stand and the records, so that the session can be repeated.
// By hand, TARVO_SOAK_SEEDS=n runs n more seeds (from TARVO_SOAK_FIRST_SEED, default 1000):
//   build/tarvo_tests --gtest_also_run_disabled_tests --gtest_filter='StandSessions.DISABLED_Soak'
#include "airport/airports.h"
#include "airport/park_airport_state.h"
#include "airport/stand_lookup.h"
#include "base/folders.h"
#include "base/geo.h"
#include "base/tick.h"
#include "core/exit.h"
#include "core/main_loop.h"
#include "core/session.h"
#include "engine/ai_driver.h"
#include "engine/commands.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/motion_math.h"
#include "engine/parking_queries.h"
#include "engine/queues.h"
#include "engine/stand_candidates.h"
#include "engine/stand_hold.h"
#include "parking/park_airport.h"
#include "parking/parking_count.h"
#include "parking/session_calls.h"
#include "parking/static_parking.h"
#include "parking/static_park.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/dispatch.h"
#include "sim/ids.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/registration.h"
#include "sim/sim_command.h"
#include "sim/user_aircraft.h"
#include "tests/engine/driver_fixture.h"
#include "tests/engine/stand_session_traffic.h"
#include "tests/support/exit_wait.h"
#include "tools/airport_gen.h"
#include "traffic/client.h"
#include "traffic/intake.h"

#include <fmt/format.h>
#include <gsl/util>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
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
constexpr int kLimitReachedTicks = 6000;
// The live limit turns some arrivals away, and the parking count sends some away as they park.
constexpr double kParkedShareWithLimits = 0.8;
constexpr std::int32_t kOutOfSightTicks = 3200; // the park airport is back in sight at the second check after
constexpr std::int32_t kShownEveryTicks = 50;
// The room the airport's file gives every stand: an object within it of the stand's point stands on the
// stand, and two objects nearer each other than their stands' rooms together stand in each other's.
constexpr double kStandRadiusMetres = 24.0;
// Two objects in each other's room while a newcomer contests a stand: the holder's removal on its way
// as the newcomer drives on, or a pushback leaving as the next arrival comes in.
constexpr std::int32_t kContestTicks = 3000;

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

bool lf_staticThere(const AiAcRecord& s)
{
    return s.standId != 0 && !s.erase && !s.removeWhenCreated &&
           (s.state == ObjectState::CreationRequested || s.state == ObjectState::InSim);
}

bool lf_leaving(const AiAcRecord& a)
{
    return a.state == ObjectState::RemovalRequested || a.state == ObjectState::RespawnPending || a.removeWhenCreated;
}

// Metres east and north of the field's reference point.
struct Flat {
    double x = 0.0;
    double y = 0.0;
};
Flat lf_flat(double lat, double lon)
{
    constexpr double kMetresPerDegree = 111120.0;
    static const double metresPerDegreeEast = kMetresPerDegree * std::cos(kSessionField.lat * kDegToRad);
    return {(lon - kSessionField.lon) * metresPerDegreeEast, (lat - kSessionField.lat) * kMetresPerDegree};
}

double lf_square(Flat a, Flat b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); }

std::string lf_ownerOf(std::uint32_t objectId)
{
    for (const LiveAcRecord& a : g_liveAircraft)
        if (a.objectId == objectId)
            return lf_describe(a);
    for (const AiAcRecord& s : g_staticAircraft)
        if (s.objectId == objectId)
            return lf_describe(s);
    return fmt::format("object {} of no record", objectId);
}

// The checks of one tick; the waits of objects are remembered from tick to tick.
class StandWatch {
public:
    StandWatch()
    {
        for (const SessionStand& s : gf_sessionStands())
            m_standsShown.push_back({s.name, lf_flat(s.at.lat, s.at.lon), -1, {}});
    }

    std::string afterTick()
    {
        std::string failure = lf_stands();
        if (failure.empty())
            failure = lf_objects();
        if (failure.empty() && g_tick % kShownEveryTicks == 0)
            failure = lf_shown();
        return failure;
    }

    // The AI objects of ours the simulator held after this tick.
    const std::vector<SIMCONNECT_OBJECT_ID>& heldIds() const { return m_ids; }

private:
    std::string lf_stands()
    {
        m_holders.assign(g_stands.size() + 1, nullptr);
        for (const LiveAcRecord& a : g_liveAircraft) {
            if (!gf_holdsStand(a))
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

    // What the user sees: the objects that stand on stands, whatever the records say.
    std::string lf_shown()
    {
        const std::int32_t now = g_tick;
        m_onStands.clear();
        for (const simemu::HeldObject& o : simemu::heldObjects()) {
            const Flat at = lf_flat(o.pose.lat, o.pose.lon);
            std::size_t nearest = m_standsShown.size();
            double nearestSquare = kStandRadiusMetres * kStandRadiusMetres;
            for (std::size_t s = 0; s < m_standsShown.size(); ++s) {
                const double d2 = lf_square(at, m_standsShown[s].at);
                if (d2 <= nearestSquare) {
                    nearest = s;
                    nearestSquare = d2;
                }
            }
            if (nearest < m_standsShown.size())
                m_onStands.push_back({o.id, at, nearest});
        }
        for (StandShown& stand : m_standsShown)
            stand.objects.clear();
        for (std::size_t i = 0; i < m_onStands.size(); ++i) {
            for (std::size_t j = i + 1; j < m_onStands.size(); ++j) {
                const OnStand& a = m_onStands[i];
                const OnStand& b = m_onStands[j];
                if (lf_square(a.at, b.at) >= 4.0 * kStandRadiusMetres * kStandRadiusMetres)
                    continue;
                for (const std::size_t s : {a.stand, b.stand})
                    if (m_standsShown[s].objects.empty())
                        m_standsShown[s].objects = {a.id, b.id};
            }
        }
        for (StandShown& stand : m_standsShown) {
            if (stand.objects.empty()) {
                stand.sharedSince = -1;
                continue;
            }
            if (stand.sharedSince < 0)
                stand.sharedSince = now;
            if (now - stand.sharedSince > kContestTicks)
                return fmt::format("two objects in each other's room at stand {} since tick {}: {} and {}",
                                   stand.name, stand.sharedSince, lf_ownerOf(stand.objects[0]),
                                   lf_ownerOf(stand.objects[1]));
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
        m_ids = simemu::heldObjectIds();
        for (const SIMCONNECT_OBJECT_ID id : m_ids) {
            Held& h = lf_slot(id);
            h.heldStamp = m_stamp;
            const bool owned = h.stamp == m_stamp;
            if ((owned && !h.leaving) || (!owned && lf_lighting(id)))
                continue; // a static's object is its record's once its light cycle ends
            // A removal waits its turn in the queue as it stood when the wait began.
            const auto [since, allowed] = lf_since(id, now, (owned ? kRemovingTicks : kCreatingTicks) + queued);
            m_waits.push_back({id, since, allowed});
            if (!owned && now - since > allowed)
                return fmt::format("object {} belongs to no record since tick {}", id, since);
            if (owned && now - since > allowed)
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

    // Since when the object has waited for its record or for its removal, and how long it may.
    std::pair<std::int32_t, std::int32_t> lf_since(std::uint32_t id, std::int32_t now, std::int32_t allowed) const
    {
        for (const Wait& w : m_lastWaits)
            if (w.id == id)
                return {w.since, w.allowed};
        return {now, allowed};
    }

    struct StandShown {
        std::string name;
        Flat at;
        std::int32_t sharedSince = -1; // an object on it stands in another's room since then
        std::vector<std::uint32_t> objects; // the first two of this check that do
    };
    struct OnStand {
        std::uint32_t id = 0;
        Flat at;
        std::size_t stand = 0;
    };
    std::vector<StandShown> m_standsShown;
    std::vector<OnStand> m_onStands;
    std::vector<SIMCONNECT_OBJECT_ID> m_ids;
    std::vector<const LiveAcRecord*> m_holders;
    std::vector<Held> m_slots; // by object id
    std::uint32_t m_stamp = 0;
    struct Wait {
        std::uint32_t id = 0;
        std::int32_t since = 0;
        std::int32_t allowed = 0;
    };
    std::vector<Wait> m_waits, m_lastWaits;
};

// What the user set, kept as the user sees it in the simulator. Objects are told apart by what the
// program created them as: a static's ATC id, its callsign, ends in "*". After every tick no more live
// objects than MAX_LIVE, and no more statics and live objects parked at stands than the parking count (a
// lowered one from the renewal after on), each for no longer than the removals on their way take, and the
// limit reached beside statics; a newcomer created at the limit takes the place of the farthest object, a
// respawned one the place it kept; the aircraft the log names as sent away for the count, and those a
// renewal sends away over a count, the longest parked, and as many as stood beyond it; none sent away
// created at its stand again while it is reported there, and those still reported there back within two
// minutes of "Flush static"; a silent parked aircraft there until its 90 minutes and gone at the first
// renewal after; and for 20 s from "Flush static" no static for longer than the removals take.
class LimitWatch {
public:
    explicit LimitWatch(const std::filesystem::path& log) : m_log(log, std::ios::binary) {}

    // A report handed over; one away from where the aircraft was sent away from shows it moved.
    void reported(const TrafficRecord& r)
    {
        m_heard[r.hexId] = g_tick.load();
        const auto moved = [&r](LatLon stood) {
            return gf_distanceNm(stood, gf_positionOf(r.situation)) > kStandReachNm;
        };
        const auto away = m_sentAway.find(r.hexId);
        if (away != m_sentAway.end() && moved(away->second))
            m_sentAway.erase(away);
        std::erase_if(m_expected, [&](const Expected& e) { return e.hexId == r.hexId && moved(e.stood); });
    }
    // Parking ended or the program restarted: nobody is kept away any longer, nor expected back.
    void forgetSentAway()
    {
        m_sentAway.clear();
        m_expected.clear();
    }
    // "Flush static" was served: those kept away from their stands may stand there again.
    void flushed()
    {
        creatingAtFlush += static_cast<int>(std::count_if(g_staticAircraft.begin(), g_staticAircraft.end(),
            [](const AiAcRecord& s) { return s.state == ObjectState::CreationRequested; }));
        m_flushTick = g_tick.load();
        for (const auto& [hexId, stood] : m_sentAway)
            m_expected.push_back({hexId, g_tick.load() + kBackAfterFlushTicks, stood});
        m_sentAway.clear();
    }

    // The parking is renewed now: the live aircraft parked in the simulator as it begins.
    void renewing()
    {
        m_parkedAtRenewal = std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(), lf_parkedInSim);
    }

    std::string afterTick(const StandWatch& seen, bool renewed, bool expiryChecked)
    {
        ++m_stamp;
        const std::int32_t count = gf_parkingCount();
        m_countHeld = renewed || (m_countHeld && count >= m_countBefore);
        m_countBefore = count;
        const std::uint64_t print = lf_records();
        const bool parkedChanged = print != m_printBefore;
        std::string failure = lf_liveLimit(seen.heldIds());
        if (failure.empty())
            failure = lf_staticsAfterFlush(seen.heldIds());
        if (failure.empty())
            failure = lf_farthest();
        if (failure.empty())
            failure = lf_sentAwayLines();
        if (failure.empty() && parkedChanged)
            failure = lf_createdAgain();
        if (failure.empty() && renewed)
            failure = lf_renewal(expiryChecked && !param::INITIAL_LOAD_ONLY.on());
        if (parkedChanged) { // listed again only when they changed, which most ticks they do not
            m_printBefore = print;
            m_parkedBefore.clear();
            for (const LiveAcRecord& a : g_liveAircraft)
                if (lf_parked(a))
                    m_parkedBefore.emplace_back(a.hexId, a.inSim());
            std::sort(m_parkedBefore.begin(), m_parkedBefore.end());
        }
        if (failure.empty())
            failure = lf_parkingCount(seen.heldIds(), count);
        if (failure.empty())
            failure = lf_back();
        return failure;
    }

    int limitReached = 0;      // ticks with MAX_LIVE live objects in the simulator, and statics
    int madeWay = 0;           // aircraft beyond the stands taken out for a newcomer at the limit
    int sentAway = 0;          // aircraft the log names as sent away for the parking count
    int takenAtRenewal = 0;    // live parked aircraft a renewal took away for a count of 0
    int sentOverCount = 0;     // live parked aircraft a renewal sent away over a count of 1 or more
    int expired = 0;           // silent parked aircraft gone at a renewal after their 90 minutes
    int creatingAtFlush = 0;   // statics being created as "Flush static" was served
    int cameBack = 0;          // kept from their stands until "Flush static", and back

private:
    static constexpr double kStandReachNm = 0.029697624190064796; // 55 m: created at a stand from there
    static constexpr double kFartherNm = 0.1 + 0.02; // the engine's margin, and a frame of motion
    static constexpr std::int32_t kExpiryTicks = 90 * 6000;
    static constexpr std::int32_t kSlackTicks = 2 * 6000; // reports merge 30 s ahead; the aircraft parks after
    static constexpr std::int32_t kFlushWatchTicks = 2000;
    static constexpr std::int32_t kBackAfterFlushTicks = 12000; // its next report, 30 s ahead, and the creation
    static constexpr std::int32_t kStillHeardTicks = 6000;
    static constexpr std::int32_t kReportedLatelyTicks = 2500; // handed over 30 s ahead, every 5 to 20 s

    // A breach of a limit, which may last only as long as the removals on their way take.
    struct Lasting {
        std::int32_t since = -1;
        std::int32_t allowed = 0;
        bool tooLong(bool breached, std::int32_t now)
        {
            if (!breached) {
                since = -1;
                return false;
            }
            if (since < 0) {
                since = now;
                allowed = kRemovingTicks + static_cast<std::int32_t>(g_removalQueue.size()) * kRemovalEveryTicks;
            }
            return now - since > allowed;
        }
    };
    // An aircraft that must be in the simulator again by a tick while reported where it stood.
    struct Expected {
        std::uint32_t hexId = 0;
        std::int32_t by = 0;
        LatLon stood;
    };

    static bool lf_staying(const LiveAcRecord& a)
    {
        return !a.gone && !a.removeWhenCreated && (a.inSim() || a.state == ObjectState::CreationRequested);
    }
    static bool lf_parked(const LiveAcRecord& a) { return a.phase == MovePhase::Parked && lf_staying(a); }
    static bool lf_parkedInSim(const LiveAcRecord& a) { return a.inSim() && lf_parked(a); }
    bool lf_parkedBefore(std::uint32_t hexId) const
    {
        const auto it = std::lower_bound(m_parkedBefore.begin(), m_parkedBefore.end(), std::pair{hexId, false});
        return it != m_parkedBefore.end() && it->first == hexId;
    }
    void lf_keepAway(const LiveAcRecord& a)
    {
        if (const ParkPos* stand = gf_standBySid(a.standId))
            m_sentAway[a.hexId] = {stand->latitude, stand->longitude};
    }
    // What the checks know of one object: how it was created, and the last checks that saw its record in the
    // simulator (state 2) and parked at a stand.
    struct ObjectSeen {
        std::uint8_t kind = 0; // 0 not asked yet, 1 live, 2 static
        std::int32_t inSim = -1;
        std::int32_t parked = -1;
        std::int32_t staticSince = -1; // a static seen after "Flush static" from then, and allowed to stay so long
        std::int32_t allowed = 0;
    };
    ObjectSeen& lf_object(std::uint32_t id)
    {
        if (id >= m_objects.size())
            m_objects.resize(id + 256);
        return m_objects[id];
    }
    // Whether the object was created as a static; asked of the simulator once per object.
    bool lf_static(SIMCONNECT_OBJECT_ID id)
    {
        ObjectSeen& o = lf_object(id);
        if (o.kind == 0) {
            const auto created = simemu::object(id);
            o.kind = created && !created->atcId.empty() && created->atcId.back() == '*' ? 2 : 1;
        }
        return o.kind == 2;
    }
    static bool lf_inSim(std::uint32_t hexId)
    {
        return std::any_of(g_liveAircraft.begin(), g_liveAircraft.end(),
                           [hexId](const LiveAcRecord& a) { return a.hexId == hexId && a.inSim(); });
    }

    // One pass over the live records: the fingerprint of the parked ones, the objects taken out in this
    // tick, and one created.
    std::uint64_t lf_records()
    {
        std::uint64_t print = 0;
        m_takenOut.clear();
        m_newcomer = nullptr;
        for (const LiveAcRecord& a : g_liveAircraft) {
            if (lf_parked(a))
                print += (std::uint64_t{a.hexId} * 2 + (a.inSim() ? 1 : 0)) * 0x9E3779B97F4A7C15ull + 1;
            if (a.state == ObjectState::CreationRequested && a.stateSeen == ObjectState::New)
                m_newcomer = &a;
            if (a.objectId == 0)
                continue;
            ObjectSeen& o = lf_object(a.objectId);
            const bool before = o.inSim == m_stamp - 1;
            if (a.phase == MovePhase::Parked)
                o.parked = m_stamp;
            if (a.inSim())
                o.inSim = m_stamp;
            else if (before && a.state == ObjectState::RemovalRequested)
                m_takenOut.push_back(&a);
        }
        return print;
    }

    // Against the limit as it stood before this tick: the engine applies a new one at its next tick.
    std::string lf_liveLimit(const std::vector<SIMCONNECT_OBJECT_ID>& ids)
    {
        const std::int32_t most = std::exchange(m_limitBefore, param::MAX_LIVE.value.load());
        if (most < 0 || most != m_limitBefore) {
            m_overLimit = {};
            return {};
        }
        const auto statics = std::count_if(ids.begin(), ids.end(), [this](auto id) { return lf_static(id); });
        const auto live = static_cast<std::int64_t>(ids.size()) - statics;
        // Reached while statics stand: they are not live aircraft and take no room of the limit.
        limitReached += live == most && statics > 0;
        if (m_overLimit.tooLong(live > most, g_tick.load()))
            return fmt::format("{} live aircraft in the simulator since tick {}, MAX_LIVE {}", live,
                               m_overLimit.since, most);
        return {};
    }

    // From "Flush static" on for a while no static stays longer than its removal takes; one whose creation
    // was on its way as the flush came goes after its light cycle.
    std::string lf_staticsAfterFlush(const std::vector<SIMCONNECT_OBJECT_ID>& ids)
    {
        const std::int32_t now = g_tick.load();
        if (now >= m_flushTick + kFlushWatchTicks)
            return {};
        const std::int32_t allowed =
            kRemovingTicks + kLightCycleTicks + static_cast<std::int32_t>(g_removalQueue.size()) * kRemovalEveryTicks;
        for (const SIMCONNECT_OBJECT_ID id : ids) {
            if (!lf_static(id))
                continue;
            ObjectSeen& o = lf_object(id);
            if (o.staticSince < m_flushTick) {
                o.staticSince = now;
                o.allowed = allowed;
            }
            if (now - o.staticSince > o.allowed)
                return fmt::format("a static in the simulator since tick {}, after \"Flush static\": {}",
                                   o.staticSince, lf_ownerOf(id));
        }
        return {};
    }

    // An aircraft created at the limit: one taken out with it, still reported (not at the end of its
    // reports), neither a ghost nor blocked by the user, made way for it. None makes way for a respawned
    // one, which kept its room; for a newcomer the farthest one (beyond the stands, where claims and the
    // count take aircraft away too).
    std::string lf_farthest()
    {
        if (!m_newcomer || m_takenOut.empty() || param::MAX_LIVE.value.load() < 0)
            return {};
        const LatLon user = gf_positionOf(g_userAc.get());
        const auto held = simemu::heldObjects();
        const auto distanceOf = [&](std::uint32_t id) {
            const auto o = std::find_if(held.begin(), held.end(), [id](const auto& h) { return h.id == id; });
            return o == held.end() ? -1.0 : gf_distanceNm(user, {o->pose.lat, o->pose.lon});
        };
        const simemu::HeldObject* farthest = nullptr;
        double farthestNm = 0.0;
        for (const simemu::HeldObject& o : held) {
            const double d = gf_distanceNm(user, {o.pose.lat, o.pose.lon});
            if (!lf_static(o.id) && lf_object(o.id).inSim == m_stamp && d > farthestNm) { // still there
                farthest = &o;
                farthestNm = d;
            }
        }
        for (const LiveAcRecord* x : m_takenOut) {
            const double d = distanceOf(x->objectId);
            const auto heard = m_heard.find(x->hexId);
            if (x->head.callsign.ends_with('_') || x->head.callsign == param::BLOCK_CALLSIGN.getValue() || d < 0.0 ||
                heard == m_heard.end() || g_tick.load() - heard->second > kReportedLatelyTicks)
                continue;
            if (m_newcomer->useRespawnHeading)
                return fmt::format("{} made way for {}, back from its respawn", lf_describe(*x),
                                   lf_describe(*m_newcomer));
            if (x->standId != 0)
                continue;
            ++madeWay;
            if (farthestNm <= d + kFartherNm)
                continue;
            return fmt::format("{} made way for {} at the limit {:.2f} NM away, but {} stays {:.2f} NM away",
                               lf_describe(*x), lf_describe(*m_newcomer), d, lf_ownerOf(farthest->id), farthestNm);
        }
        return {};
    }

    // The log's new lines naming an aircraft sent away for the count: none parked longer.
    std::string lf_sentAwayLines()
    {
        std::string line;
        while (std::getline(m_log, line)) {
            const auto at = line.find(" max park exceeded, removed");
            const auto colon = line.find(": ");
            if (at == std::string::npos || colon > at)
                continue;
            const std::string callsign = line.substr(colon + 2, line.find(' ', colon + 2) - colon - 2);
            const auto away = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(), [&](const LiveAcRecord& a) {
                return a.head.callsign == callsign && a.phase == MovePhase::Parked && !lf_staying(a);
            });
            if (away == g_liveAircraft.end())
                return "the log names an aircraft sent away for the parking count that is not going: " + line;
            ++sentAway;
            lf_keepAway(*away);
            for (const LiveAcRecord& a : g_liveAircraft)
                if (lf_parked(a) && a.parkedSince < away->parkedSince)
                    return fmt::format("{} sent away for the parking count, but {} parked longer", callsign,
                                       a.head.callsign);
        }
        m_log.clear(); // at the end of what was written so far; the next tick reads on
        return {};
    }

    // An aircraft parked at a stand this tick (it arrived, or was created there): not one sent away for
    // the count and still reported where it was sent away from.
    std::string lf_createdAgain()
    {
        for (const LiveAcRecord& a : g_liveAircraft)
            if (lf_parked(a) && !lf_parkedBefore(a.hexId) && m_sentAway.contains(a.hexId))
                return a.head.callsign + " created at its stand again, reported where it was sent away from";
        return {};
    }

    // The statics and the live objects parked at stands within the count; a count lowered holds from the
    // renewal after, which brings the live parked within it.
    std::string lf_parkingCount(const std::vector<SIMCONNECT_OBJECT_ID>& ids, std::int32_t count)
    {
        const auto standing = std::count_if(ids.begin(), ids.end(), [this](SIMCONNECT_OBJECT_ID id) {
            return lf_static(id) || lf_object(id).parked == m_stamp;
        });
        const bool holds =
            m_countHeld && count >= 1 && !param::INITIAL_LOAD_ONLY.on() && !param::RT_PARKTRAFFIC_ONLY.on();
        if (m_overCount.tooLong(holds && standing > count, g_tick.load()))
            return fmt::format("{} aircraft parked at stands since tick {}, parking count {}", standing,
                               m_overCount.since, count);
        return {};
    }

    // The live parked aircraft a renewal takes away are kept away as those the log names; over a count the
    // longest parked go, and exactly the count stays; with the expiry checked, only the silent ones go, and
    // all those silent for 90 minutes.
    std::string lf_renewal(bool expiryChecked)
    {
        const std::int32_t now = g_tick.load();
        const std::int32_t count = gf_parkingCount();
        const LiveAcRecord* longestStaying = nullptr;
        const LiveAcRecord* latestSent = nullptr;
        std::int64_t silentGone = 0; // gone at their 90 minutes
        for (const auto& [hexId, inSim] : m_parkedBefore) {
            const auto there = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                            [hexId](const LiveAcRecord& a) { return a.hexId == hexId; });
            if (!inSim || there == g_liveAircraft.end())
                continue;
            const bool gone = !lf_staying(*there);
            if (gone)
                lf_keepAway(*there);
            const std::int32_t silent = now - (m_heard.contains(hexId) ? m_heard.at(hexId) : 0);
            if (expiryChecked && gone && silent < kExpiryTicks - kSlackTicks)
                return fmt::format("{} taken away at a renewal, silent for {} minutes only", there->head.callsign,
                                   silent / 6000);
            if (expiryChecked && !gone && silent > kExpiryTicks + kSlackTicks)
                return fmt::format("{} still parked at a renewal, silent for {} minutes", there->head.callsign,
                                   silent / 6000);
            expired += expiryChecked && gone ? 1 : 0;
            if (!gone && (!longestStaying || there->parkedSince < longestStaying->parkedSince))
                longestStaying = &*there;
            silentGone += gone && silent >= kExpiryTicks - kSlackTicks ? 1 : 0;
            if (!gone || silent >= kExpiryTicks - kSlackTicks)
                continue;
            ++(count >= 1 ? sentOverCount : takenAtRenewal);
            if (!latestSent || there->parkedSince > latestSent->parkedSince)
                latestSent = &*there;
        }
        if (count >= 1 && latestSent && longestStaying && longestStaying->parkedSince < latestSent->parkedSince)
            return fmt::format("{} sent away at a renewal over the parking count {}, but {} parked longer stays",
                               latestSent->head.callsign, count, longestStaying->head.callsign);
        const std::int64_t weighed = m_parkedAtRenewal - silentGone;
        const auto stay = std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(), lf_parkedInSim);
        if (count >= 1 && !param::INITIAL_LOAD_ONLY.on() && weighed > count && stay != count)
            return fmt::format("{} of {} live parked aircraft stay after a renewal over the parking count {}", stay,
                               weighed, count);
        return {};
    }

    // Those expected in the simulator again are there by their time, unless no longer reported.
    std::string lf_back()
    {
        const std::int32_t now = g_tick.load();
        for (auto it = m_expected.begin(); it != m_expected.end();) {
            const bool back = lf_inSim(it->hexId);
            if (!back && now <= it->by) {
                ++it;
                continue;
            }
            cameBack += back ? 1 : 0;
            const auto heard = m_heard.find(it->hexId);
            if (!back && heard != m_heard.end() && now - heard->second < kStillHeardTicks)
                return fmt::format("{:06X} kept from its stand after \"Flush static\", reported since, not in the "
                                   "simulator by tick {}",
                                   it->hexId, it->by);
            it = m_expected.erase(it);
        }
        return {};
    }

    std::ifstream m_log;
    std::int32_t m_stamp = 0; // ticks checked
    std::int32_t m_limitBefore = -2;
    std::int32_t m_countBefore = 0;
    bool m_countHeld = true; // the objects on stands must be within the count
    std::int32_t m_flushTick = -kFlushWatchTicks;
    std::int64_t m_parkedAtRenewal = 0;
    Lasting m_overLimit, m_overCount;
    std::vector<ObjectSeen> m_objects; // by object id
    std::vector<const LiveAcRecord*> m_takenOut;
    const LiveAcRecord* m_newcomer = nullptr;
    std::vector<Expected> m_expected;
    std::vector<std::pair<std::uint32_t, bool>> m_parkedBefore; // as the last tick left them: hex id, in the simulator
    std::uint64_t m_printBefore = 0;
    std::unordered_map<std::uint32_t, LatLon> m_sentAway;
    std::unordered_map<std::uint32_t, std::int32_t> m_heard; // the tick of each aircraft's last report
};

struct SessionFigures {
    std::uint32_t seed = 0;
    double parkedShare = kParkedShare; // of the arrivals, at least
    std::int64_t ticks = 0;
    int aircraft = 0;
    int arrivals = 0;
    int parked = 0;
    int taxiingAtEnd = 0; // live aircraft taxiing to their stands as parking ended
    std::string failure;
    std::string untried; // a limit of the plan that the session never put to the test
};

// An A320 as large aircraft of its real wingspan: stands, reach and clearances as at a real airport.
tools::DbaseContent lf_sessionDbase()
{
    tools::DbaseContent content = dbaseWith({"A320"});
    content.large = {"A320"};
    content.wingspans = {{"A320", 35.8}};
    return content;
}

// How parking at the airport ends, or its stands are replaced, before it starts again.
enum class ParkingEnd { AboveHeight, BeyondRange, NearerAirport, StandsReread, Restart };

struct SessionPlan {
    ParkingEnd way = ParkingEnd::BeyondRange;
    bool flush = true;   // "Flush static" at the traffic's moment
    bool restart = true; // the program's exit for new settings, and the next session, at the traffic's moment
    std::int32_t endParkingFrom = 0; // parking ends with the first aircraft taxiing to a stand from then; 0: the traffic's
    std::int32_t stopTick = 0;       // 0: the traffic's end
    std::int32_t maxLive = -1;       // MAX_LIVE as the user types it at the airport each time parking starts
    // CUSTOM_PARKING_PERCENTAGE; at 0 static parking wants no stand of its own (the session places its
    // statics), and no arrival sends a live aircraft away to keep a count.
    std::int32_t parkingPercentage = 0;
    bool renewal = false; // the main loop's 15-second step, which renews the parking every 20 minutes
    // From..until the user types another parking percentage: a renewal between brings the live parked
    // down to the lower count (at 0 takes them all away).
    struct Typed {
        std::int32_t from = 0;
        std::int32_t until = 0;
        std::int32_t percentage = 0;
    };
    std::vector<Typed> typedCounts{};
    bool expiryChecked = false; // the renewals take away silent parked aircraft only, at their 90 minutes
};

constexpr char kSessionCode[] = "LSZT";
constexpr LatLon kNearerField{47.0, 8.0 + 10.0 / 40.9}; // a park airport 10 NM east

class StandSessions : public DriverRun {
protected:
    StandSessions()
    {
        m_checkEveryStep = false;
        m_scenario.frameRate = 30.0; // the position sets go to the simulator once a frame
        m_scenario.behaviour.removalDelayMaxS = 1.0; // an object goes, and its report comes, up to a second later
        const SessionStand user = gf_sessionStands().back();
        m_scenario.userTrack = {simemu::TrackPoint{0.0, user.at.lat, user.at.lon, kSessionFieldFt, 0.0, 0.0, true}};
        m_scenario.groundAltitudeFt = kSessionFieldFt;
    }
    void SetUp() override
    {
        DriverRun::SetUp();
        lf_subscribeUserOnGround();
        param::GUID_CHANGES.value = 1;
        param::LOG.value = 0;
        param::SIM_TIME.value = 0;
        g_mainLoopCalls.adjustTrafficRange = [] {}; // the session's range stays
        g_mainLoopCalls.parkingAdjustments = [this](bool full) {
            m_renewed = true;
            if (m_limits)
                m_limits->renewing();
            m_mainLoopCalls.parkingAdjustments(full);
        };
        param::INITIAL_LOAD_ONLY.value = param::INITIAL_LOAD_ONLY.defaultValue; // "Flush static" turns it on
        gf_setTrafficRange(static_cast<std::int32_t>(kSessionRangeNm));
        gf_installParkingQueries();
        gf_resetStaticParking();
        gf_resetMainLoop();
        std::filesystem::remove_all(g_learnedPath); // a session learns nothing from the one before
        lf_writeAirportFiles();
    }
    void TearDown() override
    {
        gf_setParkingQueries({});
        g_mainLoopCalls = m_mainLoopCalls;
        gf_resetTrafficClients(); // a renewal's request for parked traffic, and the flag it set
        param::CUSTOM_PARKING_PERCENTAGE.value = param::CUSTOM_PARKING_PERCENTAGE.defaultValue;
        gf_resetStaticParking();
        gf_resetMainLoop();
        param::BLOCK_CALLSIGN.setValue("");
        gf_setTrafficRange(static_cast<std::int32_t>(param::LATERAL_RANGE.defaultValue));
        gf_clearAcContainers();
        gf_resetParkAirports();
        gf_resetAirports();
        gf_resetUserAircraft();
        DriverRun::TearDown();
    }

    SessionFigures run(std::uint32_t seed, int minutes, SessionPlan plan = {})
    {
        SessionFigures figures;
        figures.seed = seed;
        if (plan.maxLive >= 0) // with a parking count beside it
            figures.parkedShare = kParkedShareWithLimits;
        const SessionTraffic traffic = gf_sessionTraffic(seed, minutes, kSessionFirstTick);
        figures.aircraft = traffic.aircraft;
        const std::int32_t stopTick = plan.stopTick > 0 ? plan.stopTick : traffic.endTick;
        const std::int32_t endParkingFrom = plan.endParkingFrom > 0 ? plan.endParkingFrom : traffic.endParkingTick;
        std::unordered_map<std::uint32_t, SessionArrival> waiting;
        for (const SessionArrival& a : traffic.arrivals)
            if (a.reachTick < stopTick - 6000)
                waiting[a.hexId] = a;
        std::size_t next = 0, statics = 0, blocks = 0;
        bool restarted = !plan.restart, flushed = !plan.flush, ended = false;
        std::int32_t parkingFrom = g_tick.load(); // parking starts from then, once the user's position is known
        std::vector<std::uint32_t> heldAtEnd; // the stands live aircraft held as parking ended
        StandWatch watch;
        LimitWatch limits(m_dir / "Log.txt");
        m_limits = &limits;
        const auto forget = gsl::finally([this] { m_limits = nullptr; });
        bool flushAsked = false;
        param::CUSTOM_PARKING_PERCENTAGE.value = plan.parkingPercentage;
        while (g_tick < stopTick && !HasFatalFailure()) {
            if (parkingFrom >= 0 && g_tick >= parkingFrom && g_userDataValid.load() != 0 &&
                gf_positionKnown(gf_positionOf(g_userAc.get()))) {
                lf_startParking(heldAtEnd);
                if (plan.maxLive >= 0)
                    param::MAX_LIVE.value = plan.maxLive; // the engine applies it at its next tick
                parkingFrom = -1;
            }
            const bool endNow = !ended && parkingFrom < 0 && g_tick >= endParkingFrom &&
                                (lf_anyTaxiingToStand() || g_tick >= endParkingFrom + 12000);
            const bool restartNow = !restarted && g_tick >= traffic.restartTick;
            if (endNow || restartNow) {
                heldAtEnd = lf_heldStands();
                if (endNow) {
                    lf_dropArrivalsAround(waiting, g_tick);
                    figures.taxiingAtEnd = static_cast<int>(std::count_if(
                        g_liveAircraft.begin(), g_liveAircraft.end(),
                        [](const LiveAcRecord& a) { return a.phase == MovePhase::TaxiToStand && gf_holdsStand(a); }));
                }
                ended = ended || endNow;
                restarted = restarted || restartNow;
                limits.forgetSentAway();
                if (restartNow || plan.way == ParkingEnd::Restart) {
                    lf_restart();
                    while (next < traffic.reports.size() && traffic.reports[next].playTick < g_tick)
                        ++next; // played while no session ran
                    parkingFrom = g_tick.load();
                } else {
                    lf_endParking(plan.way);
                    parkingFrom = g_tick.load() + (plan.way == ParkingEnd::StandsReread ? 0 : kOutOfSightTicks);
                }
            }
            for (; next < traffic.reports.size() && traffic.reports[next].playTick - kHandOverAhead <= g_tick; ++next)
                lf_handOver(traffic.reports[next].record);
            for (; statics < traffic.statics.size() && traffic.statics[statics].tick <= g_tick; ++statics)
                lf_addStatics(traffic.statics[statics].stands);
            if (plan.flush && g_tick == traffic.beforeFlush.tick)
                lf_addStatics(traffic.beforeFlush.stands);
            for (; blocks < traffic.blocks.size() && traffic.blocks[blocks].tick <= g_tick; ++blocks) {
                param::BLOCK_CALLSIGN.setValue(traffic.blocks[blocks].callsign);
                g_blockChangedRequest = 1;
            }
            if (!flushed && g_tick >= traffic.flushTick) {
                g_removeAllRequest = 1; // the button; the main loop's next second serves it
                flushed = true;
                flushAsked = true;
            }
            for (const SessionPlan::Typed& typed : plan.typedCounts)
                if (g_tick == typed.from || g_tick == typed.until)
                    param::CUSTOM_PARKING_PERCENTAGE.value =
                        g_tick == typed.from ? typed.percentage : plan.parkingPercentage;
            m_renewed = false;
            step();
            if (g_oneSecondFlag.exchange(0) != 0) {
                lf_everySecond();
                if (plan.renewal && g_secondsCounter.load() % 15 == 0)
                    lf_every15Seconds();
            }
            if (flushAsked && g_removeAllRequest.load() == 0) {
                limits.flushed();
                flushAsked = false;
            }
            if (!plan.renewal && g_tick % 1500 == 0)
                gf_expireLiveParked(); // in place of the renewal's expiry, every 15 s
            ++figures.ticks;
            figures.failure = watch.afterTick();
            if (figures.failure.empty())
                figures.failure = limits.afterTick(watch, m_renewed, plan.expiryChecked);
            if (!figures.failure.empty()) {
                figures.failure = fmt::format("seed {}, tick {}: {}", seed, g_tick.load(), figures.failure);
                break;
            }
            if (g_tick % 100 == 0)
                figures.parked += lf_countParked(waiting);
        }
        figures.arrivals = figures.parked + static_cast<int>(waiting.size());
        std::printf("seed %u: MAX_LIVE reached in %d ticks, %d made way for newcomers, %d sent away for the parking "
                    "count, %d sent away and %d taken away at renewals, %d expired, %d statics being created at the "
                    "flush, %d back after it\n",
                    seed, limits.limitReached, limits.madeWay, limits.sentAway, limits.sentOverCount,
                    limits.takenAtRenewal, limits.expired, limits.creatingAtFlush, limits.cameBack);
        // At the busy airport the limit holds the live traffic for many minutes with statics beside it; an
        // engine that counted the statics against it would hold it there for moments only.
        if (plan.maxLive >= 0 && limits.limitReached < kLimitReachedTicks)
            figures.untried += " MAX_LIVE reached beside statics for less than a minute;";
        if (plan.maxLive >= 0 && limits.madeWay == 0)
            figures.untried += " nothing made way for a newcomer at MAX_LIVE;";
        if (!plan.typedCounts.empty() && limits.sentAway == 0)
            figures.untried += " nothing sent away for the parking count;";
        if (!plan.typedCounts.empty() && limits.sentOverCount == 0)
            figures.untried += " no renewal sent live parked aircraft away over a count;";
        if (!plan.typedCounts.empty() && limits.takenAtRenewal == 0)
            figures.untried += " no renewal took live parked aircraft away for a count of 0;";
        if (plan.expiryChecked && limits.expired == 0)
            figures.untried += " no silent parked aircraft expired;";
        if (plan.flush && !plan.typedCounts.empty() && limits.cameBack == 0)
            figures.untried += " none kept from its stand came back after the flush;";
        if (plan.flush && plan.parkingPercentage == 0 && limits.creatingAtFlush == 0)
            figures.untried += " no static being created at the flush;";
        return figures;
    }

    // The plan of a seeded session: one of the three ways the park airport goes out of sight; and of
    // every three seeds, one with a live limit, a parking count and the renewals, and one that parks for
    // two hours without a flush or a restart, so that silent aircraft outstay the 90 minutes.
    static SessionPlan planOf(std::uint32_t seed)
    {
        constexpr ParkingEnd kSightWays[] = {ParkingEnd::BeyondRange, ParkingEnd::AboveHeight,
                                             ParkingEnd::NearerAirport};
        SessionPlan plan{.way = kSightWays[seed % 3]};
        if (seed % 3 == 2) {
            plan.maxLive = 40;
            plan.parkingPercentage = 50;
            plan.renewal = true;
            // The renewal at minute 20 between, before the flush; that at minute 80 after the restart.
            plan.typedCounts = {{kSessionFirstTick + 10 * 6000, kSessionFirstTick + 22 * 6000, 0},
                                {kSessionFirstTick + 70 * 6000, kSessionFirstTick + 82 * 6000, 10}};
        } else if (seed % 3 == 0) {
            plan.flush = false;
            plan.restart = false;
            plan.endParkingFrom = kSessionFirstTick + (kSessionMinutes - 4) * 6000;
            plan.parkingPercentage = 100;
            plan.renewal = true;
            plan.expiryChecked = true;
        }
        return plan;
    }

    // Fails unless every check held and enough arrivals parked (returned); the figures go to the output.
    // The plain seeds must put every limit of their plan to the test; a soak seed may miss one.
    static bool expectSound(const SessionFigures& f, bool everyLimitTried = true)
    {
        std::printf("seed %u: %lld ticks checked, %d aircraft, %d of %d arrivals parked\n", f.seed,
                    static_cast<long long>(f.ticks), f.aircraft, f.parked, f.arrivals);
        if (!f.failure.empty()) {
            ADD_FAILURE() << f.failure;
            return false;
        }
        if (everyLimitTried)
            EXPECT_EQ(f.untried, "") << "seed " << f.seed;
        else if (!f.untried.empty())
            std::printf("seed %u, not tried:%s\n", f.seed, f.untried.c_str());
        EXPECT_GE(f.parked, f.parkedShare * f.arrivals) << "seed " << f.seed << ": too few arrivals parked";
        return f.parked >= f.parkedShare * f.arrivals;
    }

private:
    // As a session starts: the simulator tells once a second whether the user's aircraft is on the ground.
    void lf_subscribeUserOnGround()
    {
        ASSERT_TRUE(SUCCEEDED(SimConnect_RequestDataOnSimObject(m_h, simid::kReqOnGround, simid::kDefOnGround,
                                                                SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND,
                                                                SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT, 0, 0, 0)));
    }

    // The program folder's airports: the session's field with its parking file, and a park airport
    // 10 NM east in the list of park airports.
    static void lf_writeAirportFiles()
    {
        const std::vector<tools::GeneratedAirport> airports{
            {kSessionCode, "ZTT", "Session field", kSessionField.lat, kSessionField.lon, kSessionFieldFt},
            {"LSZU", "", "Neighbour", kNearerField.lat, kNearerField.lon, kSessionFieldFt}};
        std::filesystem::create_directories(g_inputPath);
        writeText(g_inputPath / "airports_msfs.xml", tools::gf_airportsXml(airports));
        tools::ApfSpec spec;
        spec.parameters = {{"airport_name", "Session field"}, {"publisher", "stock"},
                           {"altitude", fmt::format("{:.0f}", kSessionFieldFt)}};
        for (const SessionStand& s : gf_sessionStands())
            spec.stands.push_back({{{"id", s.name},
                                    {"latitude", fmt::format("{:.7f}", s.at.lat)},
                                    {"longitude", fmt::format("{:.7f}", s.at.lon)},
                                    {"heading", fmt::format("{:.1f}", s.headingDeg)},
                                    {"radius", fmt::format("{:.1f}", kStandRadiusMetres)},
                                    {"cargo", "false"},
                                    {"ramp", "false"}}});
        tools::gf_writeApfSpec(spec, g_myThirdpartyPath / (std::string(kSessionCode) + ".xml"));
        writeText(g_myParkAirportsPath, "LSZU\n");
        gf_resetAirports();
        ASSERT_TRUE(gf_readAirports());
        lf_readMyParkAirports();
    }

    // The park airport is chosen where the user stands, as at the main loop's start; at the next check its
    // stands are read from its file and static parking is calculated. Static parking then offers the
    // stands live aircraft held when parking last ended.
    void lf_startParking(const std::vector<std::uint32_t>& heldBefore)
    {
        if (gf_parkAirport().icao.empty()) {
            gf_checkForParkAirportUpdates(true);
            gf_checkForParkAirportUpdates(false);
        }
        ASSERT_EQ(gf_parkAirport().icao, kSessionCode) << "at tick " << g_tick.load();
        ASSERT_EQ(g_stands.size(), gf_sessionStands().size());
        for (const std::uint32_t sid : heldBefore)
            lf_addStatic(sid);
    }

    // The park airport goes out of sight the given way, or its stands are read again while parking goes on.
    void lf_endParking(ParkingEnd way)
    {
        const UserAcData user = g_userAc.get();
        const auto fromThere = [&](LatLon at, double aboveGroundFt) {
            UserAcData there = user;
            there.lat = at.lat;
            there.lon = at.lon;
            there.aboveGround = aboveGroundFt;
            g_userAc.set(there);
            g_userOnGround = 0;
            gf_checkForParkAirportUpdates(false);
            g_userAc.set(user);
            g_userOnGround = 1;
        };
        const double rangeNm = param::AIRPORT_RANGE.value.load();
        switch (way) {
        case ParkingEnd::AboveHeight: fromThere(kSessionField, param::AIRPORT_HEIGHT.value.load() + 1.0); break;
        case ParkingEnd::BeyondRange:
            fromThere(gf_destinationPoint(kSessionField, kPi / 2.0, (rangeNm + 1.0) * 6076.11549), 1000.0);
            break;
        case ParkingEnd::NearerAirport: fromThere(kNearerField, 1000.0); break;
        case ParkingEnd::StandsReread:
            ASSERT_EQ(lf_readParkedFile(), "");
            lf_calculateStaticParking();
            return;
        case ParkingEnd::Restart: return;
        }
        ASSERT_TRUE(gf_parkAirport().icao.empty()) << "parking ended";
    }

    static bool lf_anyTaxiingToStand()
    {
        return std::any_of(g_liveAircraft.begin(), g_liveAircraft.end(), [](const LiveAcRecord& a) {
            return a.phase == MovePhase::TaxiToStand && a.inSim() && gf_holdsStand(a);
        });
    }

    static std::vector<std::uint32_t> lf_heldStands()
    {
        std::vector<std::uint32_t> held;
        for (const LiveAcRecord& a : g_liveAircraft)
            if (gf_holdsStand(a))
                held.push_back(a.standId);
        return held;
    }

    // Arrivals that reach their stands about when parking ends may be created anew there: not counted.
    static void lf_dropArrivalsAround(std::unordered_map<std::uint32_t, SessionArrival>& waiting, std::int32_t tick)
    {
        std::erase_if(waiting, [tick](const auto& entry) {
            return entry.second.reachTick > tick - 24000 && entry.second.reachTick < tick + 12000;
        });
    }

    // As the traffic client hands a record over: one of a blocked callsign also tells the engine so.
    void lf_handOver(const TrafficRecord& record)
    {
        if (m_limits)
            m_limits->reported(record);
        if (record.head.callsign == param::BLOCK_CALLSIGN.getValue())
            gf_pushSimCommand({.value = record.hexId, .kind = SimCommandKind::Blocked});
        std::lock_guard lock(g_intakeMutex);
        g_sharedBatch.insert(g_sharedBatch.begin(), record);
    }

    void lf_addStatic(std::uint32_t sid)
    {
        g_standCandidates.push_back({0, 1, sid, 0, "SWR", "A320", fmt::format("STA{}", ++m_staticNumber), "", "", 1});
    }

    void lf_addStatics(const std::vector<std::size_t>& stands)
    {
        if (g_stands.size() != gf_sessionStands().size())
            return; // no park airport just now
        for (const std::size_t s : stands)
            lf_addStatic(g_stands[s].sid);
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

    // The program's own exit for new settings, on its own thread, while the session's SimConnect thread
    // dispatches until the exit stops it and closes the connection; then the next session connects and
    // starts while the traffic goes on.
    void lf_restart()
    {
        gf_installExitSequence();
        g_simThread = std::jthread([h = m_h](std::stop_token stop) {
            while (!stop.stop_requested()) {
                SimConnect_CallDispatch(h, gf_dispatch, nullptr);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            SimConnect_Close(h);
        });
        gf_requestExit(static_cast<std::int32_t>(ExitReason::NewSettings), 0);
        const bool finished = finishExit(m_clock);
        gf_setExitSequence(nullptr);
        ASSERT_TRUE(finished) << "the exit did not end";
        ASSERT_FALSE(g_simThread.joinable()) << "the exit stopped the SimConnect thread";
        connectLink();
        lf_subscribeUserOnGround();
        gf_setTrafficRange(static_cast<std::int32_t>(kSessionRangeNm));
        lf_idle(kRestartTicks);
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
    const MainLoopCalls m_mainLoopCalls = g_mainLoopCalls;
    LimitWatch* m_limits = nullptr; // the run's, while it runs
    bool m_renewed = false;         // the parking was renewed in this tick
    int m_staticNumber = 0;
};

class StandSessionSeeds : public StandSessions, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(StandSessionSeeds, EveryStandHasOneLiveHolderAtMostAfterEveryTick)
{
    expectSound(run(GetParam(), kSessionMinutes, planOf(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(StandSessions, StandSessionSeeds, ::testing::ValuesIn(kSessionSeeds));

// However parking at the airport ends, or its stands are replaced, the live aircraft parked at its stands
// or taxiing to them go with them: once parking starts again and static parking offers those stands, no
// two aircraft, live or static, stand on one stand, and the arrivals that come after park again.
TEST_F(StandSessions, AircraftAtOrTaxiingToStandsGoWithThemHoweverParkingEnds)
{
    const struct {
        const char* name;
        ParkingEnd way;
    } rows[] = {{"above AIRPORT_HEIGHT", ParkingEnd::AboveHeight},
                {"beyond AIRPORT_RANGE", ParkingEnd::BeyondRange},
                {"a nearer park airport in sight", ParkingEnd::NearerAirport},
                {"the stands read again", ParkingEnd::StandsReread},
                {"the program's restart", ParkingEnd::Restart}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (&row != &rows[0]) {
            TearDown();
            SetUp();
        }
        const SessionPlan plan{.way = row.way,
                               .flush = false,
                               .restart = false,
                               .endParkingFrom = kSessionFirstTick + 6 * 6000,
                               .stopTick = kSessionFirstTick + 15 * 6000};
        const SessionFigures f = run(4, 30, plan);
        expectSound(f);
        EXPECT_GE(f.taxiingAtEnd, 1) << "an aircraft taxied to its stand as parking ended";
        EXPECT_GE(f.arrivals, 5) << "arrivals counted after parking began again";
    }
}

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
        const std::uint32_t seed = from + static_cast<std::uint32_t>(i);
        const SessionFigures f = run(seed, kSessionMinutes, planOf(seed));
        failed += expectSound(f, false) ? 0 : 1;
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
