#pragma once
// The program's version and the version record of the download server's files.
#include <compare>
#include <cstdint>
#include <string>

namespace zyn {

struct Version {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t patch = 0;
    auto operator<=>(const Version&) const = default;
    bool known() const { return major != 0 || minor != 0 || patch != 0; } // 0.0.0 means unknown
};

inline constexpr Version g_programVersion{TARVO_VERSION_MAJOR, TARVO_VERSION_MINOR, TARVO_VERSION_PATCH};

// "{}.{}.{}"
std::string gf_versionToString(const Version& version);

} // namespace zyn
