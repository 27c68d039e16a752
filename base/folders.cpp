#include "base/folders.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/known_folders.h"

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

const std::filesystem::path& gf_userDataPath()
{
    static const std::filesystem::path folder = gf_appDataPath() / kProductName;
    return folder;
}

const std::filesystem::path& gf_parametersXmlPath()
{
    static const std::filesystem::path file = gf_userDataPath() / "parameters.xml";
    return file;
}

} // namespace zyn
