#pragma once
// Duplicates and removal policies of live aircraft: parked aircraft that are really a live one,
// the live limit, parked live aircraft that stood too long, the parking count, the aircraft on the
// reserved stand, and the statistics of live parked aircraft. Main-loop thread only.
#include "base/geo.h"
#include "engine/records.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zyn {

// The most names or ids a remembering list of the engine keeps (ghost callsigns, liveries by hex
// id, aircraft without a livery): a long session never grows them without end.
inline constexpr std::size_t kMostRemembered = 4096;

// Queues a hex id for the per-second coupled-callsign check (g_identityCheckIds). Each id waits
// once; the list never holds more than kMostIdentityChecks (the oldest give way).
inline constexpr std::size_t kMostIdentityChecks = 256;
void gf_queueIdentityCheck(std::uint32_t hexId);

// A live aircraft as the identity test compares it.
struct IdentityContext {
    const AcRecord* live = nullptr;
    std::string callsignBase; // the callsign without its last character
    bool onGround = false;
};
IdentityContext gf_identityContext(const LiveAcRecord& live);
// True when the parked aircraft (in the simulator) is the same aircraft as the live one.
bool gf_checkSameIdentity(const IdentityContext& context, const AiAcRecord& parked);

// Counts against "MAX_LIVE": in the simulator, or on its way there (its creation waits in the engine's
// queues, has gone to the simulator link or its object runs its light cycle), or being respawned.
bool gf_countsAgainstMaxLive(const LiveAcRecord& aircraft);
// Lowers the live aircraft counted against "MAX_LIVE" to it, farthest first.
void gf_enforceMaxLive();
// Each tick: a "MAX_LIVE" changed in the window is applied here, on the engine's own thread
// (the window's thread never touches the aircraft lists). g_maxLive keeps the value applied.
void gf_followMaxLive();

// The service reports a standing aircraft every 10 to 20 s, each report reaching the merge up to 2 s
// late, and each counts as hearing it: one heard within this long still stands where the service sees
// it; one silent for longer is no longer seen there.
inline constexpr std::int32_t kHeardWithinTicks = 30 * 100;
// Engine ticks since the aircraft's latest report.
std::int32_t gf_silentTicks(const LiveAcRecord& aircraft);

// Removes parked live aircraft silent for longer than 90 minutes (180 for heavies) unless
// "INITIAL_LOAD_ONLY" is on, and lists the others (gf_listLiveParked). Each aircraft's fate depends on
// its last report alone, so looking again decides nothing new.
struct LiveParkedEntry {
    std::uint32_t hexId = 0;
    std::int64_t minutes = 0; // silent
};
extern std::vector<LiveParkedEntry> g_liveParkedDisplay; // longest silent first
void gf_expireLiveParked();
// Lists the parked live aircraft in the display list, removing none.
void gf_listLiveParked();
// Removes the count live aircraft parked longest.
void gf_removeLiveParked(std::size_t count);
// Keeps the parked aircraft within the parking count once the aircraft parks (or is about to).
void lf_checkMaxPark(const LiveAcRecord& parking);

// A live parked aircraft sent away to keep the parking count: removed, and remembered where it stood,
// so that the reports the service still sends from there do not spawn it at the stand again (which
// would send another away, and so on without end).
void gf_sendAwayForCount(LiveAcRecord& parked);
// True while the aircraft was sent away for the count and is reported where it stood (within reachNm);
// one reported elsewhere has moved and is forgotten.
bool gf_sentAwayStillThere(std::uint32_t hexId, LatLon reported, double reachNm);
// Forgets the aircraft (it moved, it flies).
void gf_forgetSentAway(std::uint32_t hexId);
// Forgets them all: parking ends or its stands are replaced, the statics are flushed, a restart.
void gf_forgetAllSentAway();
// True when the live parked aircraft (those being created at stands too) and the statics standing or
// being created reach the parking count: no further static is parked.
bool gf_parkingCountReached();
// Removes the aircraft on the park airport's reserved stand: a static first, else a live one.
void gf_removeAcAtStand();

// Number of live parked aircraft; with show, their mean parked time in hours is stored for the
// main window (0 when none).
extern std::atomic<double> g_liveParkedMeanHours;
std::uint32_t gf_liveParkedStats(bool show);

// The name of the aircraft's stand, or the empty text.
std::string gf_standNameOf(const AiAcRecord& aircraft);

} // namespace zyn
