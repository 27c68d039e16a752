#include "core/version.h"

#include <fmt/format.h>

namespace zyn {

std::string gf_versionToString(const Version& version)
{
    return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

} // namespace zyn
