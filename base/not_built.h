#pragma once
// Stand-ins of parts that are not built yet say so once in the log and do nothing else.
#include "base/log.h"

#include <mutex>
#include <string_view>

namespace zyn {

inline void gf_logNotBuiltOnce(std::once_flag& once, std::string_view function)
{
    std::call_once(once, [function] { gf_logf("{}: not built yet", function); });
}

} // namespace zyn
