#include "engine/commands.h"

#include "base/errors.h"
#include "base/log.h"
#include "base/tick.h"
#include "engine/aircraft_events.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/queues.h"
#include "engine/removal.h"
#include "engine/spawn.h"
#include "engine/stand_hold.h"
#include "engine/stand_search.h"
#include "platform/system/files.h"
#include "settings/settings.h"
#include "sim/event_ids.h"
#include "sim/failed_liveries.h"
#include "sim/flight_plan.h"
#include "sim/queues.h"
#include "traffic/intake.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <utility>

namespace zyn {

std::vector<LightCycleEntry> g_lightCycle;

namespace {

constexpr std::size_t kCommandsReserved = 256;
constexpr std::size_t kLightCycleReserved = 128;
constexpr double kLowestStaticCgFt = 1.0;
constexpr double kHighestStaticCgFt = 35.0;
constexpr double kLowestGroundPitch = -0.017453292519943295; // -1 degree
constexpr double kHighestGroundPitch = 0.04363323129985824;  // 2.5 degrees
constexpr double kDefaultGroundPitch = 0.012217304763960306; // 0.7 degrees

// The commands of this tick, taken out of the shared list so that they are applied without the
// command mutex: the SimConnect thread may push while it holds the SimConnect mutex, which the
// commands take in turn. Both buffers keep their capacity.
std::vector<SimCommand> g_commandsOfTick;

// Live aircraft by object id for the commands of one tick: (object id, list index), sorted. Records
// are only marked gone while commands run, so the indices hold until the list is compacted.
std::vector<std::pair<std::uint32_t, std::uint32_t>> g_byObjectId;

void lf_indexAdd(std::uint32_t objectId, std::uint32_t index)
{
    const std::pair<std::uint32_t, std::uint32_t> entry{objectId, index};
    g_byObjectId.insert(std::lower_bound(g_byObjectId.begin(), g_byObjectId.end(), entry), entry);
}

void lf_buildIndex()
{
    g_byObjectId.clear();
    for (std::uint32_t i = 0; i < g_liveAircraft.size(); ++i)
        if (g_liveAircraft[i].objectId != 0 && !g_liveAircraft[i].gone)
            g_byObjectId.emplace_back(g_liveAircraft[i].objectId, i);
    std::sort(g_byObjectId.begin(), g_byObjectId.end());
}

LiveAcRecord* lf_liveByObjectId(std::uint32_t objectId)
{
    if (objectId == 0)
        return nullptr;
    auto it = std::lower_bound(g_byObjectId.begin(), g_byObjectId.end(), std::pair<std::uint32_t, std::uint32_t>{objectId, 0});
    for (; it != g_byObjectId.end() && it->first == objectId; ++it) {
        LiveAcRecord& a = g_liveAircraft[it->second];
        if (a.objectId == objectId && !a.gone)
            return &a;
    }
    return nullptr;
}

// The record whose creation is answered: same hex id, still waiting for its object.
template <typename Record> Record* lf_awaitingObject(std::vector<Record>& list, std::uint32_t hexId)
{
    for (auto& a : list)
        if (a.hexId == hexId && a.state == ObjectState::CreationRequested && a.objectId == 0 && !a.gone && !a.erase)
            return &a;
    return nullptr;
}

template <typename Record> Record* lf_byHexId(std::vector<Record>& list, std::uint32_t hexId)
{
    for (auto& a : list)
        if (a.hexId == hexId && !a.gone && !a.erase)
            return &a;
    return nullptr;
}


void lf_deleteFlightPlan(const LiveAcRecord& a)
{
    if (!a.flightPlanAssigned || g_flightPlanFolder.empty())
        return;
    std::error_code ec; // one that stays goes with the folder at the next start
    gf_removeFile(g_flightPlanFolder / gf_flightPlanFileName(a.objectId), ec);
}

// An object nobody waits for any more: it must not stay in the simulator unattended.
void lf_removeOrphan(std::uint32_t objectId, std::uint32_t hexId)
{
    gf_logf("{}: object {} of hexid {} has no aircraft any more, removed", "gf_SimCommands", objectId, hexId);
    g_removalQueue.push_back(objectId);
}

void lf_liveCreated(const SimCommand& c)
{
    LiveAcRecord* a = lf_awaitingObject(g_liveAircraft, c.value);
    if (!a) {
        lf_removeOrphan(c.objectId, c.value);
        return;
    }
    if (a->removeWhenCreated) {
        a->objectId = c.objectId; // removed while its creation was on its way: no set-up, no lights
        removeAircraftFromSim(*a);
    } else if (!lf_parks(*a, c.objectId, c.b)) {
        return;
    }
    lf_indexAdd(c.objectId, static_cast<std::uint32_t>(a - g_liveAircraft.data()));
    if (a->state != ObjectState::CreationRequested)
        return;
    g_lightCycle.push_back({c.objectId, c.value, 0, SimCommandKind::LiveCreated});
}

void lf_staticCreated(const SimCommand& c)
{
    if (!lf_awaitingObject(g_staticAircraft, c.value)) {
        lf_removeOrphan(c.objectId, c.value);
        return;
    }
    g_lightCycle.push_back({c.objectId, c.value, 0, SimCommandKind::StaticCreated});
}

void lf_onObjectRemoved(std::uint32_t objectId)
{
    if (LiveAcRecord* a = lf_liveByObjectId(objectId)) {
        if (a->state == ObjectState::RespawnPending) {
            a->state = ObjectState::New;
            a->lastThrottle = 5;
            a->lastFlaps = 4;
            a->objectId = 0;
            return;
        }
        // The simulator may give the id to another object at once: the query must not name it.
        gf_dropSelection(*a, {});
        lf_deleteFlightPlan(*a);
        gf_endLiveRecord(*a);
        return;
    }
    for (auto& s : g_staticAircraft)
        if (s.objectId == objectId && !s.erase) {
            gf_dropSelection(s, {});
            s.erase = 1;
            return;
        }
}

void lf_groundData(const SimCommand& c)
{
    LiveAcRecord* a = lf_liveByObjectId(c.objectId);
    if (!a || !std::isfinite(c.a) || !std::isfinite(c.b))
        return;
    if (c.value == 1 && !a->onGround && a->phaseCounter < 2)
        lf_onTouchdown(*a);
    a->heightAboveGroundFt = c.b;
    if (a->onGround || a->phaseCounter >= 2)
        a->block.altitude = a->staticCgFt + c.a;
}

void lf_staticCog(const SimCommand& c)
{
    LiveAcRecord* a = lf_liveByObjectId(c.objectId);
    if (!a)
        return;
    if (c.a >= kLowestStaticCgFt && c.a <= kHighestStaticCgFt)
        a->staticCgFt = c.a;
    else if (param::LOG.on())
        gf_logf("{}: static CG {:.1F}ft wrong?", gf_acDescription(*a), c.a);
    const bool usable = std::isfinite(c.b) && c.b > kLowestGroundPitch && c.b <= kHighestGroundPitch;
    a->groundPitch = usable ? c.b : kDefaultGroundPitch;
}

bool lf_blockedCallsign(std::uint32_t hexId, LiveAcRecord& a)
{
    if (a.hexId != hexId || a.gone)
        return false;
    if (a.state == ObjectState::New) {
        gf_logf("{} will be removed from buffer while blocked", gf_acDescription(a));
        gf_endLiveRecord(a);
    } else if (a.state == ObjectState::InSim) {
        gf_logf("{} removed from simulator immediately while blocked", gf_acDescription(a));
        removeAircraftFromSim(a);
    }
    return true;
}

void lf_creationSent(const SimCommand& c)
{
    if (c.value <= kHighestStaticHexId)
        return;
    if (LiveAcRecord* a = lf_awaitingObject(g_liveAircraft, c.value)) {
        a->creationSent = 1;
        a->stateSinceTick = g_tick;
    }
}

// The creation ended without an object. Only the simulator's failure to create marks the livery;
// a refused call is the link's failure and leaves the livery usable.
void lf_creationEnded(const SimCommand& c)
{
    const bool liveryFailed = c.kind == SimCommandKind::CreationFailed;
    if (c.value > kHighestStaticHexId) {
        LiveAcRecord* a = lf_awaitingObject(g_liveAircraft, c.value);
        if (!a)
            return;
        gf_endLiveRecord(*a);
        if (liveryFailed)
            gf_liveryCreateFailed(a->head, a->liveryTitle);
        return;
    }
    if (AiAcRecord* s = lf_awaitingObject(g_staticAircraft, c.value)) {
        s->erase = 1;
        if (liveryFailed)
            gf_liveryCreateFailed(s->head, s->liveryTitle);
    }
}

// The aircraft of an entry: same hex id and object id, still in its light sequence.
template <typename Record> Record* lf_ofEntry(std::vector<Record>& list, const LightCycleEntry& e, bool objectStored)
{
    for (auto& a : list)
        if (a.hexId == e.hexId && a.state == ObjectState::CreationRequested && !a.gone && !a.erase &&
            a.objectId == (objectStored ? e.objectId : 0))
            return &a;
    return nullptr;
}

void lf_finishParked(AiAcRecord& a, LightCycleEntry& e)
{
    a.state = ObjectState::InSim;
    a.objectId = e.objectId;
    lf_parkedShutDown(a);
    if (param::LOG.on())
        gf_logf("{:8}: {:8} parked", gf_standNameById(a.standId), a.head.callsign);
    if (a.removeWhenCreated)
        removeAircraftFromSim(a);
}

// Advances one entry; true when it finished (or its aircraft is gone) and may leave the list.
bool gf_allLightsToggle(LightCycleEntry& e)
{
    const bool live = e.kind == SimCommandKind::LiveCreated;
    if (e.counter < kLightCycleTicks) {
        ++e.counter;
        if (live && (e.counter == kFirstLightToggle || e.counter == kSecondLightToggle) &&
            lf_ofEntry(g_liveAircraft, e, true))
            gf_toggleAllLights(e.objectId);
        return false;
    }
    if (live) {
        if (LiveAcRecord* a = lf_ofEntry(g_liveAircraft, e, true)) {
            lf_setLightsByPhase(*a);
            if (a->removeWhenCreated)
                removeAircraftFromSim(*a);
        }
    } else if (AiAcRecord* s = lf_ofEntry(g_staticAircraft, e, false)) {
        lf_finishParked(*s, e);
    } else {
        lf_removeOrphan(e.objectId, e.hexId); // its parked aircraft went before it was lit
    }
    e.counter = -1; // an entry whose aircraft went meanwhile is dropped as well
    return true;
}

void lf_advanceLightCycle()
{
    bool anyDone = false;
    for (auto& e : g_lightCycle)
        anyDone = gf_allLightsToggle(e) || anyDone;
    if (anyDone)
        std::erase_if(g_lightCycle, [](const LightCycleEntry& e) { return e.counter < 0; });
}

void lf_takeCommands()
{
    g_commandsOfTick.clear();
    {
        std::lock_guard lock(g_simCommandMutex);
        g_commandsOfTick.swap(g_simCommands);
    }
    // The traffic reader hands over the aircraft whose callsign the user blocked.
    for (const std::uint32_t hexId : gf_takeBlockedHexIds())
        g_commandsOfTick.push_back(SimCommand{.value = hexId, .kind = SimCommandKind::Blocked});
}

} // namespace

void lf_doSimCommand(const SimCommand& c)
{
    switch (c.kind) {
    case SimCommandKind::LiveCreated: lf_liveCreated(c); break;
    case SimCommandKind::StaticCreated: lf_staticCreated(c); break;
    case SimCommandKind::ObjectRemoved: lf_onObjectRemoved(c.objectId); break;
    case SimCommandKind::GroundData: lf_groundData(c); break;
    case SimCommandKind::StaticCog: lf_staticCog(c); break;
    case SimCommandKind::Blocked:
        for (auto& a : g_liveAircraft)
            if (lf_blockedCallsign(c.value, a))
                break;
        break;
    case SimCommandKind::CreationFailed:
    case SimCommandKind::CreationRefused: lf_creationEnded(c); break;
    case SimCommandKind::CreationSent: lf_creationSent(c); break;
    default: break; // unknown kinds change nothing
    }
}

void lf_onTouchdown(LiveAcRecord& a)
{
    if (a.state == ObjectState::RemovalRequested || a.phase == MovePhase::TakeoffRoll)
        return;
    if (a.curveState != 0 || a.landing) {
        a.touchedDown = 1;
        a.settling = 1; // pitch and bank settle on the ground attitude, then the flare stage ends
        a.rollingOut = 1;
        a.savedHeading = a.block.heading;
        a.landing = 0;
        a.afterLanding = 1;
        if (a.category != AcCategory::Rotorcraft)
            gf_queueSimEvent({a.objectId, simid::kSpoilersSet, 16383});
        if (a.category != AcCategory::Light) {
            const double throttle = a.fsltlTitle ? -100.0 : 100.0;
            gf_sendEngineLevers(a.objectId, 100.0, throttle);
        }
        const auto t = static_cast<double>(a.touchdownTicks);
        if (t <= 0.0) {
            gf_logf("{} ! onGround slots {:.1F}", a.head.callsign, t);
            a.pitchPerTick = a.groundPitch;
            a.bankPerTick = 0.0;
        } else {
            a.pitchPerTick = (a.groundPitch - a.block.pitch) / t;
            a.bankPerTick = (0.0 - a.block.bank) / t;
        }
        gf_queueIdentityCheck(a.hexId);
    }
    a.onGround = 1;
    a.altPerTick = 0.0;
    a.phaseCounter = 1;
}

void gf_SimCommands()
{
    try {
        lf_takeCommands();
        if (!g_commandsOfTick.empty())
            lf_buildIndex();
        for (const auto& c : g_commandsOfTick) {
            try {
                lf_doSimCommand(c);
            } catch (const UserErrorException&) {
                throw;
            } catch (const std::exception& e) {
                // Logged and dropped: the command is not applied again next tick.
                gf_logf("{}: {}", "gf_SimCommands", e.what());
            }
        }
        g_commandsOfTick.clear();
        lf_advanceLightCycle();
        gf_compactLiveList();
        std::erase_if(g_staticAircraft, [](const AiAcRecord& a) { return a.erase != 0; });
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "gf_SimCommands", e.what());
        throw;
    }
}

void gf_removeStaticsBeingLit()
{
    for (LightCycleEntry& e : g_lightCycle) {
        if (e.kind != SimCommandKind::StaticCreated || e.counter < 0)
            continue;
        if (AiAcRecord* s = lf_ofEntry(g_staticAircraft, e, false))
            s->erase = 1;
        g_removalQueue.push_back(e.objectId);
        e.counter = -1;
    }
}

void gf_reserveSimCommandLists()
{
    {
        std::lock_guard lock(g_simCommandMutex);
        g_simCommands.reserve(kCommandsReserved);
    }
    g_commandsOfTick.reserve(kCommandsReserved);
    g_byObjectId.reserve(1024);
    g_lightCycle.reserve(kLightCycleReserved);
}

void gf_clearSimCommandLists()
{
    {
        std::lock_guard lock(g_simCommandMutex);
        g_simCommands.clear();
    }
    g_commandsOfTick.clear();
    g_byObjectId.clear();
    g_lightCycle.clear();
}

} // namespace zyn
