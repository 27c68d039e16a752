#include "base/folders.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/known_folders.h"

#include <mutex>
#include <optional>

namespace zyn {

std::filesystem::path gf_appDataPath()
{
    if (auto folder = gf_knownFolder(KnownFolder::RoamingAppData))
        return *folder;
    gf_logError("Could not find the AppData path");
    return {};
}

std::filesystem::path gf_localAppDataPath()
{
    if (auto folder = gf_knownFolder(KnownFolder::LocalAppData))
        return *folder;
    gf_logError("Could not find the a Local Appdata path");
    return {};
}

namespace {
std::mutex g_userDataMutex;
std::optional<std::filesystem::path> g_userData; // under g_userDataMutex
} // namespace

std::filesystem::path gf_userDataPath()
{
    std::lock_guard lock(g_userDataMutex);
    if (!g_userData)
        g_userData = gf_appDataPath() / kProductName;
    return *g_userData;
}

std::filesystem::path gf_parametersXmlPath() { return gf_userDataPath() / "parameters.xml"; }

void gf_resetUserDataPath()
{
    std::lock_guard lock(g_userDataMutex);
    g_userData.reset();
}

} // namespace zyn
