#include "core/update.h"

#include "base/atomic_file.h"
#include "base/download.h"
#include "base/errors.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/pending_file.h"
#include "base/text_util.h"
#include "base/zip_archive.h"
#include "base/zip_download.h"
#include "core/work_folders.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "settings/settings.h"
#include "shown/status_line.h"

#include <fmt/format.h>

#include <optional>
#include <utility>
#include <vector>

namespace zyn {

namespace fs = std::filesystem;

namespace {

const std::string g_simAddonFolder = "vozevurazo24";


Version lf_serverVersion(const std::string& pathOnServer)
{
    CurlHandle handle;
    return gf_downloadVersion(handle.get(), gf_downloadBaseUrl() + pathOnServer);
}


bool lf_isInstallerEntry(const std::string& name)
{
    return gf_toUpper(gf_utf8FileName(gf_pathFromUtf8(name))) == gf_toUpper(gf_utf8FromPath(g_newVersionInstallerPath));
}

// The installer is the archive's file entry, whatever its name; of several, the one named as the
// installer, else the last. Folder entries are no files.
std::optional<std::uint64_t> lf_installerEntry(const ZipArchive& archive)
{
    std::optional<std::uint64_t> last;
    for (std::uint64_t i = 0; i < archive.entryCount(); ++i) {
        const std::string name = archive.entryName(i);
        if (ZipArchive::isFolderEntry(name))
            continue;
        if (lf_isInstallerEntry(name))
            return i;
        last = i;
    }
    return last;
}

// Streams one entry into target; the target is replaced only when the entry was written whole and
// held something. False for an empty entry.
bool lf_unzipEntry(const ZipArchive& archive, std::uint64_t index, const fs::path& target)
{
    PendingFile file(target);
    std::uint64_t written = 0;
    archive.copyEntry(index, [&file, &written](std::string_view block) {
        written += block.size();
        return file.write(block);
    });
    if (written == 0)
        return false;
    file.commit();
    return true;
}

bool lf_extractInstaller(const fs::path& zipPath)
{
    const std::string zipText = gf_utf8FromPath(zipPath);
    const auto archive = gf_openFetchedArchive(zipPath);
    if (!archive)
        return false;
    try {
        const auto entry = lf_installerEntry(*archive);
        if (!entry) {
            gf_logErrorf("{} holds no installer", zipText);
            return false;
        }
        gf_removeFile(g_newVersionInstallerPath); // one that stays would pass for the new one
        if (!lf_unzipEntry(*archive, *entry, g_newVersionInstallerPath)) {
            gf_logErrorf("{}: {} is empty", zipText, archive->entryName(*entry));
            return false;
        }
        gf_logf("{} unzipped to {}", zipText, gf_utf8FromPath(g_newVersionInstallerPath));
        return true;
    } catch (const ZipError& e) {
        gf_logErrorf("unzipping error code : {}", gf_exceptionText(e));
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("lf_extractInstaller: {}", gf_exceptionText(e));
    }
    return false;
}

// Writes every file as "<stem>.txt" into folder; returns how many were written whole.
std::size_t lf_writeZipEntriesAsText(const std::vector<std::pair<std::string, std::string>>& files,
                                     const fs::path& folder)
{
    std::size_t written = 0;
    for (const auto& [name, text] : files) {
        const fs::path target = folder / gf_pathFromUtf8(name).replace_extension(".txt").filename();
        try {
            gf_writeFileAtomic(target, text);
            ++written;
        } catch (const fs::filesystem_error& e) {
            gf_logErrorf("lf_writeZipEntriesAsText: {}", gf_exceptionText(e));
        }
    }
    return written;
}

void lf_emptyOrCreateFolder(const fs::path& folder)
{
    if (fs::exists(folder))
        gf_removeFolderFiles(folder);
    else
        fs::create_directory(folder);
}

bool lf_installSimAddon(const fs::path& zipPath, const std::string& versionText)
{
    const auto files = lf_readFileEntries(zipPath);
    if (!files)
        return false;
    if (files->empty()) {
        // An empty package would only wipe the installed one.
        gf_logErrorf("{} holds no files", gf_utf8FromPath(zipPath));
        return false;
    }
    lf_emptyOrCreateFolder(g_mySimaddonPath);
    const std::size_t written = lf_writeZipEntriesAsText(*files, g_mySimaddonPath);
    gf_setStatusMessage(fmt::format("{} unzipped {} files", gf_utf8FromPath(zipPath), written), true);
    if (written != files->size()) {
        gf_logErrorf("only {} of {} files of {} written; the package will be fetched again", written,
                     files->size(), gf_utf8FromPath(zipPath));
        return false;
    }
    param::VOZEVURAZO24_VERSION.setValueAndSave(versionText);
    gf_setStatusMessage(fmt::format("vozevurazo has been updated to version {}", versionText), true);
    return true;
}

} // namespace

Version lf_getReleaseVersionJson()
{
    return lf_serverVersion("release/version.json");
}

Version lf_getPackageVersionJson(const std::string& folder)
{
    return lf_serverVersion(folder + "/version.json");
}

bool lf_downloadInstaller(const Version& version)
{
    const std::string text = gf_versionToString(version);
    const std::string zipName = fmt::format("{}{}.zip", kInstallerZipStart, text);
    ArchiveDownload download(gf_pathFromUtf8(zipName));
    if (!download.fetch("release/" + zipName)) {
        gf_setStatusMessage(fmt::format("Downloading program installer file version {} failed", text), true);
        return false;
    }
    gf_logf("downloaded {}", gf_utf8FromPath(download.path()));
    return lf_extractInstaller(download.path());
}

void gf_checkProgramVersion()
{
    const Version server = lf_getReleaseVersionJson();
    if (!server.known()) {
        gf_logError("Program Version file not found?");
        return;
    }
    if (server <= g_programVersion)
        return;
    if (lf_downloadInstaller(server))
        throw UserErrorException(99, fmt::format("New version {} available. Exit here, and run as administrator:   \"{}\"",
                                                 gf_versionToString(server),
                                                 gf_utf8FromPath(fs::absolute(g_newVersionInstallerPath))));
    gf_setStatusMessage("The downloading/unzipping of the new version failed? Try manually via Velmora website", true);
}

bool lf_simAddonMissing()
{
    return !fs::exists(g_mySimaddonPath);
}

bool gf_updateSimAddon()
{
    const Version server = lf_getPackageVersionJson(g_simAddonFolder);
    if (!server.known()) {
        gf_logError("No vozevurazo version info found at the Tarvo server?");
        return false;
    }
    const Version local = gf_parseVersion(param::VOZEVURAZO24_VERSION.getValue());
    if (server <= local && !lf_simAddonMissing())
        return false;
    ArchiveDownload download(g_simAddonZipPath);
    if (!download.fetch(g_simAddonFolder + "/" + gf_utf8FromPath(g_simAddonZipPath)))
        return false;
    return lf_installSimAddon(download.path(), gf_versionToString(server));
}

} // namespace zyn
