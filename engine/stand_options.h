#pragma once
// The usage options of the park airport's stands: which aircraft used a stand on which weekday in
// which half hours, observed (real) or assumed (soft), and how they are learned and matched.
// Main-loop thread only.
#include "airport/park_pos.h"
#include "base/time_util.h"
#include "engine/records.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zyn {

// Learned options since the park airport's file was read (shown in the window).
extern std::int32_t g_learnedStandUpdates;
void gf_countStandUpdate();

// Appends an option of the aircraft for the day and slot unless the same one is there; returns the
// number of the new option, 0 when nothing was added. Numbers stay unique within the stand.
std::uint32_t gf_addParkPosOption(ParkPos& stand, const AcRecord& aircraft, bool real, WeekSlot now,
                                  std::string_view callsign, std::string_view registration);
// Sets the slot's bit; a slot beyond the day is logged and changes nothing.
void updateOption(ParkPosOption& option, std::uint32_t slot);
// A set bit from start down over span slots; overflow: how far the span reaches into the day
// before when nothing was found, else -1.
bool gf_findSlotBefore(const ParkPosOption& option, std::int32_t start, std::int32_t span, std::int32_t& overflow);
bool lf_matchOptionRecord(std::string_view callsign, const AcRecord& aircraft, const ParkPosOption& option);
bool gf_sameKeyPair(const ParkPosOption& a, const ParkPosOption& b);
bool gf_sameKeyPair(const ParkPosOption& option, const AcRecord& aircraft);
void lf_setOptionCallsign(ParkPos& stand, std::uint32_t number, std::string_view name);
// Sets the span half hours up to now in the option with that number; the range form gives the
// slots after midnight to nextDayNumber.
void gf_collectSlotOptions(ParkPos& stand, WeekSlot now, std::string_view name, std::int32_t span,
                           std::uint32_t number);
void gf_collectSlotOptionsRange(ParkPos& stand, WeekSlot now, std::string_view name, std::int32_t span,
                                std::uint32_t number, std::uint32_t nextDayNumber);
// Records the aircraft's stay at the stand as a real (soft) use; true when an option changed.
bool lf_addRealParkPosOption(std::uint32_t standId, const AcRecord& aircraft, bool learn, WeekSlot now, bool forget);
bool lf_addSoftParkPosOption(std::uint32_t standId, const AcRecord& aircraft, bool learn, WeekSlot now, bool forget);
// Extends the aircraft's option when it is seen again at the stand within five half hours.
void lf_learnStandSlot(WeekSlot now, ParkPos& stand, std::uint32_t number, SeenAt& seen, const AcRecord& aircraft,
                       bool real);

std::string lf_routeText(const AcRecord& aircraft);
bool lf_isRealCallsign(const AcRecord& aircraft);
// Three letters and a digit: the letters become the airline code; true when they did.
bool gf_callsignAirline(AcRecord& aircraft);

// The first stand of the range with a real option of the aircraft's registration on today's day
// around now's slot (the slot before or after, wrapping within the day).
template <typename It> It lf_standUsedNearSlot(It first, It last, const AcRecord& aircraft, WeekSlot now);
bool gf_usedNearSlot(const ParkPos& stand, const AcRecord& aircraft, WeekSlot now);

template <typename It> It lf_standUsedNearSlot(It first, It last, const AcRecord& aircraft, WeekSlot now)
{
    for (; first != last; ++first)
        if (gf_usedNearSlot(*first, aircraft, now))
            return first;
    return last;
}

} // namespace zyn
