#pragma once
// Parking positions of the park airport and the observed uses of each. All of it lives on the
// main-loop thread: no lock guards the stand list or the option lists.
#include "airport/option_text.h"
#include "base/units.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zyn {

inline constexpr std::uint32_t kSlotsPerDay = 48;

// One observed (real) or assumed (soft) use of a stand.
struct ParkPosOption {
    // Made in place by the file readers thousands of times: set member by member, not zeroed whole first.
    ParkPosOption() noexcept {} // NOLINT(modernize-use-equals-default): = default would zero it
    OptionText airline;
    OptionText type;
    OptionText registration;
    OptionText callsign;          // without a trailing "_"
    OptionText callsign2;         // the part of the file's "cs" after its colon
    std::uint64_t halfHours = 0;  // bit n: used in half-hour slot n of the day (n < 48)
    std::uint32_t number = 0;     // 1.. within its stand; 0 = not valid, never used or written
    std::int32_t day = 0;         // 1 Monday .. 7 Sunday
    std::uint32_t archived = 0;   // 1 read from the airport file, 0 learned at run time
    std::uint32_t real = 0;       // 1 observed, 0 assumed
};

// When an aircraft was last learned at a stand, and in which option.
struct SeenAt {
    std::int32_t day = 0;
    std::int32_t slot = 0;
    std::int32_t number = 0;
};

struct ParkPos {
    // The flags come negated, as the file and BGL readers deliver them: 0 means yes.
    ParkPos(std::string id, std::vector<ParkPosOption> options, double latDeg, double lonDeg, double headingRad,
            double radiusMetres, std::int32_t notCargo, std::int32_t notRamp, std::int32_t notHeli);

    std::vector<ParkPosOption> options;
    std::unordered_map<std::uint32_t, SeenAt> realSeen; // hex id -> last real use; run time only
    std::unordered_map<std::uint32_t, SeenAt> softSeen;
    std::string id;                      // stand name, unique within one airport file
    std::vector<std::uint32_t> adjacent; // sids of overlapping stands
    double latitude = 0.0;               // degrees
    double longitude = 0.0;              // degrees
    double heading = 0.0;                // radians
    double radius = 0.0;                 // nautical miles
    std::uint32_t sid = 0;               // 1..N in list order once read; 0 not numbered
    bool manual = false;
    bool radiusChanged = false;
    bool cargoChanged = false;
    bool generationMark = false;
    bool taken = false;
    bool liveOccupied = false;
    bool reserved = false;
    bool neighbourTaken = false;
    bool cargo = false;
    bool ramp = false;
    bool heli = false;
};

// The stands of the current park airport.
extern std::vector<ParkPos> g_stands;

// The first stand with that number, or nullptr (also for sid 0).
ParkPos* gf_standBySid(std::uint32_t sid);

// Stand numbers 1..N in list order.
void gf_numberStands(std::vector<ParkPos>& stands);
// Real stands overlap a handful of others; stands piled on one spot must not fill memory with every
// pair: a list holds at most this many.
inline constexpr std::size_t kMostAdjacentStands = 256;
// Each numbered stand's adjacent list: the sids of the other stands whose clearance circle overlaps
// its own (radius A + radius B > 1.1 x their distance), in list order. A pair is left out of both
// lists when either is full, which the log tells.
void gf_linkOverlappingStands(std::vector<ParkPos>& stands);

// Half-hour sets as the files write them: "16,17,40". Bad pieces are logged and skipped.
std::uint64_t gf_hours2bitset(std::string_view text);
std::uint64_t gf_hours2bitset(const char* text); // the same; the file readers' usual lists read faster
std::string gf_hoursText(std::uint64_t halfHours);

} // namespace zyn
