#include "core/work_folders.h"

#include "base/errors.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "base/version.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "settings/setting_controls.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"

#include <array>

namespace zyn {

namespace fs = std::filesystem;

namespace {

struct WorkFolder {
    const fs::path* path;
    bool createUnlessDirectory; // otherwise: created when nothing of that name exists
};

const std::array<WorkFolder, 11> g_workFolders{{
    {&g_outputPath, false},
    {&g_outputInfoPath, false},
    {&g_outputErrorsPath, false},
    {&g_airportsPath, false},
    {&g_learnedPath, false},
    {&g_learnedStockPath, false},
    {&g_learnedSimaddonPath, false},
    {&g_learnedThirdpartyPath, false},
    {&g_mySimaddonPath, true},
    {&g_myThirdpartyPath, true},
    {&g_myRegcodesPath, false},
}};

void lf_createFolder(const WorkFolder& folder)
{
    std::error_code ec;
    const fs::file_status status = fs::status(*folder.path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error(folder.createUnlessDirectory ? "status" : "exists", *folder.path, ec);
    const bool create = folder.createUnlessDirectory ? !fs::is_directory(status) : !fs::exists(status);
    if (create)
        fs::create_directory(*folder.path);
}

// Switches a check-box setting on, saves it and ticks its box.
void lf_switchOn(BoolControlParameter& parameter)
{
    parameter.value = 1;
    gf_writeParametersXml(parameter);
    gf_showCheckBox(parameter);
}

bool lf_endsWithCommunity(const std::string& path)
{
    constexpr std::string_view suffix = "COMMUNITY";
    if (path.size() < suffix.size() + 1)
        return false;
    const char separator = path[path.size() - suffix.size() - 1];
    return (separator == '\\' || separator == '/') && gf_toUpper(path.substr(path.size() - suffix.size())) == suffix;
}

} // namespace

void lf_createFolders()
{
    for (const WorkFolder& folder : g_workFolders)
        lf_createFolder(folder);
}

void lf_checkCommunityPath(StringParameter& parameter)
{
    const std::string value = parameter.getValue();
    if (!lf_endsWithCommunity(value))
        return;
    parameter.setValueAndSave(value.substr(0, value.size() - std::string_view("\\Community").size()));
}

void lf_versionUpdate()
{
    const std::string running = gf_versionToString(g_programVersion);
    if (param::PROGRAM_VERSION.getValue() == param::PROGRAM_VERSION.defaultValue) {
        param::PROGRAM_VERSION.setValueAndSave(running);
        return;
    }
    const Version stored = gf_parseVersion(param::PROGRAM_VERSION.getValue());
    if (stored != g_programVersion)
        param::PROGRAM_VERSION.setValueAndSave(running);
    if (!(stored < g_programVersion))
        return;
    gf_logf("This is a version update from {} -> {}", gf_versionToString(stored), running);
    gf_removeFileOrLog(g_newVersionInstallerPath); // the version now running: only a leftover
    lf_switchOn(param::SCAN_LIVERIES);
    lf_switchOn(param::SCAN_AIRPORTS);
}

void lf_buildParameterLists()
{
    gf_loadParameters(gf_parameterLists());
    lf_versionUpdate();
    gf_setTrafficRange(param::LATERAL_RANGE.value);
}

void gf_removeFolderFiles(const fs::path& folder)
{
    try {
        if (!fs::is_directory(folder))
            return;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            std::error_code ec;
            // Files, and folders only when empty.
            const bool removed = entry.is_directory(ec)
                                     ? fs::is_empty(entry.path(), ec) && gf_removeFolderTree(entry.path(), ec)
                                     : gf_removeFile(entry.path(), ec);
            if (!removed && fs::exists(entry.path())) {
                gf_logf("{} could not be removed", gf_utf8FromPath(entry.path()));
                if (ec)
                    gf_logIndented(gf_errorText(ec));
            }
        }
    } catch (const fs::filesystem_error& e) {
        throw UserErrorException(5, gf_exceptionText(e));
    }
}

} // namespace zyn
