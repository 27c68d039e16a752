#include "engine/records.h"

#include "base/tick.h"

namespace zyn {

std::vector<LiveAcRecord> g_liveAircraft;
std::vector<AiAcRecord> g_staticAircraft;

LiveAcRecord::LiveAcRecord(const Situation& first, const AcRecord& aircraft, double feedTime)
    : AiAcRecord(aircraft, 0, 0.0, 0.0, 0.0, 0), lastFeedTime(feedTime), lastHeardTime(feedTime),
      lastReportTick(g_tick.load())
{
    stream = SituationStream(first);
}

} // namespace zyn
