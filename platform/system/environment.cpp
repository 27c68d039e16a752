#include "platform/system/environment.h"

#include "platform/system/path_text.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace zyn {

std::optional<std::string> gf_environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::optional<std::filesystem::path> gf_environmentFolder(const char* name)
{
    const auto value = gf_environmentValue(name);
    if (!value)
        return std::nullopt;
    std::filesystem::path folder(*value);
    if (!folder.is_absolute())
        return std::nullopt;
    return folder;
}

std::optional<std::filesystem::path> gf_caBundleFile()
{
    const auto value = gf_environmentValue("TARVO_CA_BUNDLE");
    if (!value)
        return std::nullopt;
    return gf_pathFromUtf8(*value);
}

std::optional<std::filesystem::path> gf_homeFolder()
{
    if (auto home = gf_environmentFolder("HOME"))
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir ||
        found->pw_dir[0] != '/')
        return std::nullopt;
    return std::filesystem::path(found->pw_dir);
}

} // namespace zyn
