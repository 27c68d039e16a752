#pragma once
// Matching of new AI objects to the creations this program sent. A sent creation is remembered by its
// packet id (a creation failure names it) and by its callsign, which the simulator reports back as the
// object's "ATC ID" in the in-range replies. All of this runs on the SimConnect thread only.
#include "platform/simconnect/simconnect.h"
#include "platform/system/clock.h"
#include "sim/data_blocks.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

struct SentCreation {
    std::uint32_t packetId = 0;
    std::uint32_t hexId = 0;
    std::string name;   // the match key of the callsign passed as tail number
    SteadyTime sentAt;
};

extern std::vector<SentCreation> g_sentCreations;
extern std::vector<std::uint32_t> g_objectsAdded; // "ObjectAdded" ids not yet seen in an in-range reply
extern std::vector<std::uint32_t> g_ownObjects;   // objects made for our creations, not yet matched

// The simulator keeps a tail number of at most 12 characters as the object's "ATC ID" (the longest
// registration); callsigns compare on that much, whatever the simulator cuts beyond it.
std::string gf_matchKey(std::string_view callsign);

// True while a sent creation with the same match key waits for its object.
bool gf_creationPending(std::string_view callsign);
void gf_recordSentCreation(std::uint32_t packetId, std::uint32_t hexId, std::string_view callsign);
// Drops sent creations whose object never showed up, so that the list cannot grow without bound.
void gf_expireSentCreations(SteadyTime now);

void gf_onObjectAdded(std::uint32_t objectId);
// The simulator's answer to one of our creations: the object it made. An own object whose ATC id then
// matches no creation is removed, never left in the simulator.
void gf_onObjectAssigned(std::uint32_t objectId);
void gf_onObjectRemoved(std::uint32_t objectId);
// As the connection closes: the objects made for our creations that were never matched to their
// aircraft are removed, since nothing else knows of them.
void gf_removeUnmatchedObjects(HANDLE handle);
// Exception 22 for the creation sent with this packet id.
void gf_onCreationFailed(std::uint32_t packetId);
// One aircraft of an in-range reply (object id above the user aircraft's).
void gf_onInRangeAircraft(std::uint32_t objectId, const InRangeData& data);

void gf_resetObjectMatching();

inline constexpr auto kSentCreationLifetime = std::chrono::seconds(60);
inline constexpr std::size_t kMaxObjectsAdded = 1000; // the simulator's own object limit

} // namespace zyn
