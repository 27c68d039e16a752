#include "core/folders.h"

#include "core/encoding.h"
#include "core/log.h"

#include <cstdlib>
#include <optional>

namespace zyn {

namespace {

constexpr int CSIDL_APPDATA = 26;
constexpr int CSIDL_LOCAL_APPDATA = 28;

// TEMPORARY until platform/system offers SHGetFolderPathW: the XDG folders that stand in for the
// Windows known folders (roaming = $XDG_CONFIG_HOME or ~/.config, local = $XDG_DATA_HOME or
// ~/.local/share), returned as UTF-16 like the Windows call.
std::optional<std::u16string> lf_knownFolderStandIn(int folderId)
{
    const char* variable = folderId == CSIDL_APPDATA ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME";
    const char* fallback = folderId == CSIDL_APPDATA ? ".config" : ".local/share";
    if (const char* value = std::getenv(variable); value && *value)
        return gf_utf8ToUtf16(value);
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return std::nullopt;
    return gf_utf8ToUtf16((std::filesystem::path(home) / fallback).string());
}

std::optional<std::filesystem::path> lf_knownFolderPath(int folderId)
{
    const auto wide = lf_knownFolderStandIn(folderId);
    if (!wide)
        return std::nullopt;
    return std::filesystem::path(gf_utf16ToUtf8(*wide));
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
