// The parking controls are not built yet: the call says so once and changes nothing.
#include "base/not_built.h"
#include "engine/session_calls.h"

namespace zyn {

void gf_disableControls()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_disableControls");
}

} // namespace zyn
