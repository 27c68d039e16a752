// Until the phase rules of the stream upkeep are built: every report is appended in play-time
// order, and a stream that stalls beyond its cap removes the aircraft.
#include "engine/stream_upkeep.h"

#include "core/log.h"
#include "engine/removal.h"

namespace zyn {

void decodeExisting(LiveAcRecord& a, Situation s)
{
    static bool logged = false;
    if (!logged) {
        logged = true;
        gf_log("decodeExisting: the phase rules of the position stream are not built yet");
    }
    if (a.stream.size() > kMaxWaitingSituations)
        removeAircraftFromSim(a);
    if (!a.stream.empty()) {
        const Situation& newest = a.stream.back();
        s.stationary = (s.lat == newest.lat && s.lon == newest.lon) ? 1 : 0;
        if (s.timeKey <= newest.timeKey)
            s.timeKey = newest.timeKey + 1;
    }
    a.stream.push_back(s);
}

} // namespace zyn
