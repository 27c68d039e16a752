#pragma once
// The stands chosen for static aircraft before they are parked: static parking owns the list, the
// stand search (which serves live and static aircraft alike) reads and fills it. Main-loop thread.
#include <cstdint>
#include <string>
#include <vector>

namespace zyn {

inline constexpr std::size_t kStandCandidatesReserve = 512;

struct StandCandidate {
    std::uint32_t hexId = 0;  // of the parked-traffic entry; 0 for a stand found by the search
    std::uint32_t fitted = 0; // 1 found by the search (or re-made from a static that stays), 0 parked traffic
    std::uint32_t standId = 0;
    std::int32_t fit = 0;     // half hours the window was widened (parked traffic: the entry's age)
    std::string airline;
    std::string type;
    std::string callsign;
    std::string callsign2;
    std::string registration;
    std::uint8_t slotMatch = 0; // the option has the window's slot itself
};

extern std::vector<StandCandidate> g_standCandidates;

// The first candidate on the stand with that number, or nullptr.
StandCandidate* gf_candidateOnStand(std::uint32_t sid);
// A live aircraft parked at the stand: the statics fitted there are not parked; the rest keep their order.
void gf_dropFittedCandidatesOn(std::uint32_t sid);

} // namespace zyn
