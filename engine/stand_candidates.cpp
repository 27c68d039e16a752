#include "engine/stand_candidates.h"

namespace zyn {

std::vector<StandCandidate> g_standCandidates = [] {
    std::vector<StandCandidate> list;
    list.reserve(kStandCandidatesReserve);
    return list;
}();

StandCandidate* gf_candidateOnStand(std::uint32_t sid)
{
    for (StandCandidate& c : g_standCandidates)
        if (c.standId == sid)
            return &c;
    return nullptr;
}

void gf_dropFittedCandidatesOn(std::uint32_t sid)
{
    std::erase_if(g_standCandidates, [sid](const StandCandidate& c) { return c.fitted == 1 && c.standId == sid; });
}

} // namespace zyn
