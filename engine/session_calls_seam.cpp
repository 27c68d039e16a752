// The parking controls and the coupled-callsign search are not built yet: each call says so once
// and changes nothing.
#include "base/not_built.h"
#include "engine/session_calls.h"

namespace zyn {

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

} // namespace zyn
