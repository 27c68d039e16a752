// The simulator link's event queue is not built yet: nothing is sent and the record keeps its
// last steps, so the full sequence goes out once the queue exists.
#include "engine/aircraft_events.h"

#include "core/log.h"

namespace zyn {

void lf_parkedShutDown(AiAcRecord&)
{
    static bool logged = false;
    if (!logged) {
        logged = true;
        gf_log("lf_parkedShutDown: aircraft events are not built yet");
    }
}

} // namespace zyn
