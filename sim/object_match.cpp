#include "sim/object_match.h"

#include "base/log.h"
#include "sim/ids.h"
#include "sim/queues.h"
#include "sim/sim_command.h"

#include <algorithm>

namespace zyn {

std::vector<SentCreation> g_sentCreations;
std::vector<std::uint32_t> g_objectsAdded;
std::vector<std::uint32_t> g_ownObjects;

namespace {

constexpr std::size_t kAtcIdChars = 12;
constexpr double kGroundDataCeilingFt = 2500.0;
constexpr std::uint32_t kMaxStaticHexId = 10000;

// Removes the element at i; the last element takes its place.
template <typename T> void lf_eraseUnordered(std::vector<T>& v, std::size_t i)
{
    v[i] = std::move(v.back());
    v.pop_back();
}

template <typename T, typename Pred> bool lf_takeFirst(std::vector<T>& v, Pred pred, T& taken)
{
    const auto it = std::find_if(v.begin(), v.end(), pred);
    if (it == v.end())
        return false;
    taken = std::move(*it);
    lf_eraseUnordered(v, static_cast<std::size_t>(it - v.begin()));
    return true;
}

void lf_onNewObject(std::uint32_t objectId, const InRangeData& data)
{
    SentCreation sent;
    const auto key = gf_matchKey(data.atcId);
    const bool found = !key.empty() &&
        lf_takeFirst(g_sentCreations, [&](const SentCreation& s) { return s.name == key; }, sent);
    const auto own = std::find(g_ownObjects.begin(), g_ownObjects.end(), objectId);
    const bool ours = own != g_ownObjects.end();
    if (ours)
        lf_eraseUnordered(g_ownObjects, static_cast<std::size_t>(own - g_ownObjects.begin()));
    if (!found && ours) {
        gf_logErrorf("object {} of a creation of {}: its ATC id \"{}\" matches no creation, removed", objectId,
                     "Tarvo", data.atcId);
        gf_queueRemoveAc(objectId);
        return;
    }
    if (!found) {
        gf_logf("just spawned, but not by {}, oid: {}, callsign \"{}\", altaboveGnd:{:.0f} ft, onground:{}, "
                "gnd_alt:{:.0f} ft ",
                "Tarvo", objectId, data.atcId, data.aboveGround, data.onGround, data.groundAltitude);
        return;
    }
    gf_releaseAiControl(objectId);
    SimCommand command;
    command.objectId = objectId;
    command.value = sent.hexId;
    if (sent.hexId > kMaxStaticHexId) {
        command.kind = SimCommandKind::LiveCreated;
        command.b = data.aboveGround;
    } else {
        command.kind = SimCommandKind::StaticCreated;
    }
    gf_pushSimCommand(command);
}

void lf_onKnownObject(std::uint32_t objectId, const InRangeData& data)
{
    if (data.aboveGround > kGroundDataCeilingFt || data.atcId.empty() || data.atcId.back() == '*')
        return;
    SimCommand command;
    command.objectId = objectId;
    command.value = static_cast<std::uint32_t>(data.onGround);
    command.kind = SimCommandKind::GroundData;
    command.a = data.groundAltitude;
    command.b = data.aboveGround;
    gf_pushSimCommand(command);
}

} // namespace

std::string gf_matchKey(std::string_view callsign) { return std::string(callsign.substr(0, kAtcIdChars)); }

bool gf_creationPending(std::string_view callsign)
{
    const auto key = gf_matchKey(callsign);
    return std::any_of(g_sentCreations.begin(), g_sentCreations.end(),
                       [&](const SentCreation& s) { return s.name == key; });
}

void gf_recordSentCreation(std::uint32_t packetId, std::uint32_t hexId, std::string_view callsign)
{
    g_sentCreations.push_back({packetId, hexId, gf_matchKey(callsign), gf_steadyNow()});
}

void gf_expireSentCreations(SteadyTime now)
{
    std::erase_if(g_sentCreations, [&](const SentCreation& s) {
        if (now - s.sentAt < kSentCreationLifetime)
            return false;
        gf_logErrorf("Creation of {} (hexid {}) never showed up in the simulator, forgotten", s.name, s.hexId);
        return true;
    });
}

void gf_onObjectAdded(std::uint32_t objectId)
{
    if (g_objectsAdded.size() >= kMaxObjectsAdded)
        g_objectsAdded.erase(g_objectsAdded.begin()); // an early entry never came in range: not ours
    g_objectsAdded.push_back(objectId);
}

void gf_onObjectAssigned(std::uint32_t objectId)
{
    if (g_ownObjects.size() >= kMaxObjectsAdded)
        g_ownObjects.erase(g_ownObjects.begin()); // an early one never came in range
    g_ownObjects.push_back(objectId);
}

void gf_removeUnmatchedObjects(HANDLE handle)
{
    for (const std::uint32_t objectId : g_ownObjects)
        if (FAILED(SimConnect_AIRemoveObject(handle, objectId, simid::kReqRemove)))
            gf_logErrorf("{}: object {} could not be removed", "gf_removeUnmatchedObjects", objectId);
    g_ownObjects.clear();
}

void gf_onObjectRemoved(std::uint32_t objectId)
{
    std::erase(g_objectsAdded, objectId);
    std::erase(g_ownObjects, objectId);
    SimCommand command;
    command.objectId = objectId;
    command.kind = SimCommandKind::ObjectRemoved;
    gf_pushSimCommand(command);
}

void gf_onCreationFailed(std::uint32_t packetId)
{
    SentCreation sent;
    // 0 is "unknown" on both sides: a creation whose packet id could not be read is matched by callsign only.
    if (packetId == 0 || !lf_takeFirst(g_sentCreations, [&](const SentCreation& s) { return s.packetId == packetId; }, sent))
        return;
    if (sent.hexId == 0)
        return;
    SimCommand command;
    command.value = sent.hexId;
    command.kind = SimCommandKind::CreationFailed;
    gf_pushSimCommand(command);
}

void gf_onInRangeAircraft(std::uint32_t objectId, const InRangeData& data)
{
    const auto added = std::find(g_objectsAdded.begin(), g_objectsAdded.end(), objectId);
    if (added == g_objectsAdded.end()) {
        lf_onKnownObject(objectId, data);
        return;
    }
    lf_eraseUnordered(g_objectsAdded, static_cast<std::size_t>(added - g_objectsAdded.begin()));
    lf_onNewObject(objectId, data);
}

void gf_resetObjectMatching()
{
    g_sentCreations.clear();
    g_objectsAdded.clear();
    g_ownObjects.clear();
}

} // namespace zyn
