#include "base/folders.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/known_folders.h"

#include <optional>

namespace zyn {

namespace {

// The path of a Windows known folder, or nothing.
std::optional<std::filesystem::path> lf_knownFolderPath(int folderId)
{
    WCHAR buffer[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, buffer) < 0)
        return std::nullopt;
    return gf_pathFromUtf8(gf_utf16ToUtf8(buffer));
}

} // namespace

std::filesystem::path gf_appDataPath()
{
    if (auto folder = lf_knownFolderPath(CSIDL_APPDATA))
        return *folder;
    gf_logError("Could not find the AppData path");
    return {};
}

std::filesystem::path gf_localAppDataPath()
{
    if (auto folder = lf_knownFolderPath(CSIDL_LOCAL_APPDATA))
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
