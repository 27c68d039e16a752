#pragma once
// Finding stands of the park airport for live aircraft: by position and size, by the learned uses,
// and learning where a live aircraft probably stood. Main-loop thread only.
#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/time_util.h"
#include "engine/stand_candidates.h"
#include "engine/records.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// Soft learning is allowed at the park airport (its file is thin on real uses); set on reading it.
extern std::atomic<bool> g_softLearningAllowed;

// The half hour (and day) at which an aircraft's stand use was last learned.
struct StandSlot {
    std::uint32_t hexId = 0;
    WeekSlot when;
};
extern std::vector<StandSlot> g_standSlots;
// True when the aircraft may be learned now: first time, forced, or 1.5 hours after its last learning.
bool lf_learnSlotOnce(WeekSlot now, std::uint32_t hexId, bool force);
void gf_setStandSlot(std::uint32_t hexId, WeekSlot now);
void gf_removeStandSlot(std::uint32_t hexId);
// Stand numbers are list positions of one airport: what refers to them goes with the airport, and so do
// the aircraft, live or static, that stand at its stands or taxi to them.
void gf_clearStandClaims();

ParkPos* gf_findStandByName(std::string_view name);
// "sid==0?" for 0, "unknown" when no stand has the number.
std::string gf_standNameById(std::uint32_t sid);
// The stand is taken and its overlapping neighbours know it.
void gf_markListedStands(ParkPos& stand);

// The open stand (gf_standOpen) nearest to the position within maxDistNm that fits the aircraft (a
// stand too small by up to 1.8 m fits; a larger aircraft only within 20 m, and the stand grows); with
// allowOptionMatch, when none is that near, a stand within 85 m whose learned uses match it.
// Helicopters and heli stands only go together. nullptr when none.
ParkPos* gf_standFits(LatLon position, const AcRecord& aircraft, double maxDistNm, bool allowOptionMatch);

// The stand of the right kind and size for the aircraft that is free at now (retryLater: at a small
// airport also the next half hours). nullptr when none.
ParkPos* lf_pickStandBySize(WeekSlot now, const AcRecord& aircraft, bool retryLater);
// Learns (softly) the stand a live aircraft leaving or reaching the park airport probably used.
void lf_chooseStandForLiveAc(LiveAcRecord& aircraft, bool anyHeight);

// Static parking's search at one half hour (slot): each free stand with a usable option of the kind
// (real or soft) for that half hour is taken, and one candidate per stand, fitted span half hours
// back, goes into found. Options of aircraft that are live, parked or already chosen are passed
// over; an error ends the search and is logged.
void lf_searchStands(WeekSlot slot, bool real, std::int32_t span, std::vector<StandCandidate>& found);
// A fit searches many half hours while nothing moves: who is parked or chosen is indexed once at its
// start and kept until its end (each search alone indexes for itself).
void gf_beginStandSearch();
void gf_endStandSearch();

// 1 when the aircraft of the option stays into the half hour after slot (at the day's end: the
// stand has its option of the next day with slot 0); always 1 for an option without a coupled callsign.
std::uint8_t gf_staysNextHalfHour(const ParkPos& stand, const ParkPosOption& option, WeekSlot slot);
// 1 when the option's half hours go on into the half hour after slot (at the day's end: the stand
// has an option of the next day with the same airline and type and slot 0), whatever its callsigns.
std::uint8_t gf_optionHoldsNextHalfHour(const ParkPos& stand, const ParkPosOption& option, WeekSlot slot);

// The stand nearest to the user aircraft on the ground (within 55 m), or empty.
std::string gf_userStand();

} // namespace zyn
