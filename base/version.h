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
void gf_versionToString(const Version& version, std::string& out);

// Three digit groups joined by any single characters ("10.10.5", "10-10-5"), the whole text; or a
// JSON object with the integer members "major", "minor" and "patch" (each taken when present).
// Anything else, or a number out of range, leaves the version as far as it was filled: 0.0.0 when
// nothing could be read.
Version gf_parseVersion(const std::string& text);

} // namespace zyn
