#include "engine/stand_candidates.h"

namespace zyn {

std::vector<StandCandidate> g_standCandidates = [] {
    std::vector<StandCandidate> list;
    list.reserve(kStandCandidatesReserve);
    return list;
}();

} // namespace zyn
