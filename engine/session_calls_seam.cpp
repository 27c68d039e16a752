// The engine's per-tick driver, stands and identity checks are not built yet. These say so once and
// do nothing else, except that the engine clock advances by one tick per call and the user
// aircraft's position is refreshed once a second.
#include "core/not_built.h"
#include "core/tick.h"
#include "engine/session_calls.h"
#include "sim/user_aircraft.h"

namespace zyn {

void gf_updateAI()
{
    gf_SimCommands();
    // The user aircraft's position is asked for once a second, as the per-second work relies on it.
    if (g_tick.fetch_add(1) % 100 == 0)
        g_userAc.set(gf_requestUserAcPosition());
}

void gf_SimCommands()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_SimCommands");
}

void gf_removeAcAtStand()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_removeAcAtStand");
}

void gf_disableControls()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_disableControls");
}

void lf_searchForCoupledCsAroundThisTime(WeekSlot, LiveAcRecord&)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "lf_searchForCoupledCsAroundThisTime");
}

bool gf_checkSameIdentity(const IdentityQuery&, const AiAcRecord&)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_checkSameIdentity");
    return false;
}

} // namespace zyn
