#pragma once
// The aircraft part of an AI aircraft (AcRecord) and what the simulator holds of it (AiAcRecord, also
// the parked aircraft): what the livery catalogue matches, the engine flies and static parking parks.
// Main-loop thread only.
#include "aircraft/records.h"
#include "base/time_util.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// The fields of the records run from what the engine's tick reads to what it rarely needs: the
// category values first, the texts of the head last, and what the simulator holds of an AI
// aircraft at the end of AiAcRecord, next to the per-tick part of a live aircraft.
struct AcRecord {
    AcCategory category = AcCategory::Large; // Large until the type has been looked up
    double halfWingspanNm = 0.0;
    double staticCgFt = 0.0;     // "Static CG to Ground" of the created object
    double groundPitch = 0.0;    // radians, the object's pitch on the ground
    double rotationPitch = 0.0;  // radians, aimed at by the take-off rotation
    double climbPitch = 0.0;     // radians, initial climb
    double turnRateBase = 0.0;   // radians per tick
    double turnRate = 0.0;       // the base rate scaled for the turn at hand
    double categoryFactor = 0.0; // the highest climb per tick, feet
    double categorySpeedStep = 0.0; // taxi speed to and from a stand, knots
    std::string_view liveryTitle; // empty while none is chosen; the livery catalogue owns the text
    std::uint32_t hexId = 0;     // live: 24-bit address above 10000; parked: 10000 or below
    std::uint32_t flareTicks = 0;
    std::uint32_t touchdownTicks = 0;
    std::uint32_t rotationTicks = 0;
    std::uint32_t climbTransitionTicks = 0;
    std::uint8_t cargo = 0;
    std::uint8_t fsltlTitle = 0; // the title holds "FSLTL_"
    AcHead head;

    std::uint32_t categoryCode() const { return static_cast<std::uint32_t>(category); }
    bool rotorcraft() const { return category == AcCategory::Rotorcraft; }
};

struct AiAcRecord : AcRecord {
    AiAcRecord() = default;
    AiAcRecord(const AcRecord& aircraft, std::uint32_t standId, double lat, double lon, double heading,
               std::uint8_t cargoStand);

    double initLat = 0.0;       // position and heading at creation (a stand's for a parked aircraft)
    double initLon = 0.0;
    double initHeading = 0.0;
    WeekSlot weekSlot{0, 0};
    std::uint32_t parkedHexId = 0;
    std::uint32_t standId = 0; // sid of the occupied stand; 0 none
    std::uint32_t lastThrottle = 5; // 5: no step sent yet
    std::uint32_t lastFlaps = 4;    // 4: no step sent yet
    std::uint8_t cargoStand = 0;
    std::uint32_t feedKind = 1;
    std::uint8_t removeWhenCreated = 0;
    // With state and gone in one 8-byte block, so in one cache line: a live aircraft's tick reads them.
    alignas(8) std::uint32_t objectId = 0; // 0 while the simulator has not reported one
    ObjectState state = ObjectState::New;
    std::uint8_t gone = 0;
    std::uint8_t erase = 0;

    bool inSim() const { return state == ObjectState::InSim; }
};

// The aircraft part of a new AI aircraft: the head, its size and category from the aircraft
// database and the category values. The caller sets the hex id.
AcRecord gf_makeAiAircraft(const AcHead& head);
// Sets the six category values; each pitch is spread up or down by its percentage at random.
void gf_setCategoryValues(AcRecord& aircraft, AcCategory category);
// The turn rate, climb limit and taxi speed of a live aircraft.
void gf_setLiveCategoryValues(AcRecord& aircraft);

// Log texts.
std::string gf_acDescriptionLong(const AcRecord& aircraft); // callsign, registration, route
std::string gf_acDescription(const AcRecord& aircraft);     // ... and type and airline
std::string gf_acDescription3(const AcRecord& aircraft);    // callsign, registration, type and airline
std::string gf_acTextWithSuffix(const AcRecord& aircraft);  // type and airline, registration

// True when the airline and type of both are equal (aircraft records compare their heads).
template <typename T> const auto& gf_keyHolder(const T& x)
{
    if constexpr (requires { x.head; })
        return x.head;
    else
        return x;
}
template <typename A, typename B> bool gf_sameKeyPair(const A& a, const B& b)
{
    return gf_keyHolder(a).airline == gf_keyHolder(b).airline && gf_keyHolder(a).type == gf_keyHolder(b).type;
}

// "KLM" of "KLM1234": three letters then a digit; nothing otherwise.
std::optional<std::string> gf_airlinePrefix(std::string_view callsign);

// count slots from start going back half an hour at a time.
void gf_weekSlotsBack(WeekSlot start, std::uint32_t count, std::vector<WeekSlot>& out);

} // namespace zyn
