#include "engine/records.h"

namespace zyn {

std::vector<LiveAcRecord> g_liveAircraft;
std::vector<AiAcRecord> g_staticAircraft;

LiveAcRecord::LiveAcRecord(const Situation& first, const AcRecord& aircraft, double feedTime)
    : AiAcRecord(aircraft, 0, 0.0, 0.0, 0.0, 0), lastFeedTime(feedTime)
{
    stream = SituationStream(first);
}

} // namespace zyn
