#include "core/update.h"

#include "core/atomic_file.h"
#include "core/download.h"
#include "core/errors.h"
#include "core/folders.h"
#include "core/log.h"
#include "core/pending_file.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/work_folders.h"
#include "core/zip_archive.h"
#include "ui/status_line.h"

#include <fmt/format.h>

#include <optional>
#include <utility>
#include <vector>

namespace zyn {

namespace fs = std::filesystem;

namespace {

const std::string g_simAddonFolder = "vozevurazo24";

// Each fetch has its own handle; the archive it downloaded is deleted whatever happened.
class ArchiveDownload {
public:
    explicit ArchiveDownload(fs::path localPath) : m_path(std::move(localPath)) {}
    ~ArchiveDownload()
    {
        std::error_code ignored;
        fs::remove(m_path, ignored);
    }
    ArchiveDownload(const ArchiveDownload&) = delete;
    ArchiveDownload& operator=(const ArchiveDownload&) = delete;
    bool fetch(const std::string& pathOnServer)
    {
        return gf_downloadFile(m_handle.get(), gf_downloadBaseUrl() + pathOnServer, m_path, true);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
    CurlHandle m_handle;
};

Version lf_serverVersion(const std::string& pathOnServer)
{
    CurlHandle handle;
    return gf_downloadVersion(handle.get(), gf_downloadBaseUrl() + pathOnServer);
}

// The archive's file entries (folder entries skipped) read whole, so that a damaged archive is
// noticed before anything is replaced. Nothing when it cannot be opened or read.
std::optional<std::vector<std::pair<std::string, std::string>>> lf_readFileEntries(const fs::path& zipPath)
{
    std::optional<ZipArchive> archive;
    try {
        archive.emplace(zipPath);
    } catch (const ZipError& e) {
        gf_logErrorf("could not open {}", zipPath.string());
        gf_logIndented(e.what());
        return std::nullopt;
    }
    std::vector<std::pair<std::string, std::string>> files;
    try {
        for (std::uint64_t i = 0; i < archive->entryCount(); ++i) {
            std::string name = archive->entryName(i);
            if (!ZipArchive::isFolderEntry(name))
                files.emplace_back(std::move(name), archive->readText(i));
        }
    } catch (const ZipError& e) {
        gf_logErrorf("unzipping error code : {}", e.what());
        return std::nullopt;
    }
    return files;
}

bool lf_isInstallerEntry(const std::string& name)
{
    return gf_toUpper(fs::path(name).filename().string()) == gf_toUpper(g_newVersionInstallerPath.string());
}

// Streams one entry into target; the target is replaced only when the entry was written whole.
void lf_unzipEntry(const ZipArchive& archive, std::uint64_t index, const fs::path& target)
{
    PendingFile file(target);
    archive.copyEntry(index, [&file](std::string_view block) { return file.write(block); });
    file.commit();
}

bool lf_extractInstaller(const fs::path& zipPath)
{
    try {
        const ZipArchive archive(zipPath);
        for (std::uint64_t i = 0; i < archive.entryCount(); ++i) {
            if (!lf_isInstallerEntry(archive.entryName(i)))
                continue;
            fs::remove(g_newVersionInstallerPath);
            lf_unzipEntry(archive, i, g_newVersionInstallerPath);
            gf_logf("{} unzipped to {}", zipPath.string(), g_newVersionInstallerPath.string());
            return true;
        }
        gf_logErrorf("{} holds no {}", zipPath.string(), g_newVersionInstallerPath.string());
    } catch (const ZipError& e) {
        gf_logErrorf("unzipping error code : {}", e.what());
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("lf_extractInstaller: {}", e.what());
    }
    return false;
}

// Writes every file as "<stem>.txt" into folder; returns how many were written whole.
std::size_t lf_writeZipEntriesAsText(const std::vector<std::pair<std::string, std::string>>& files,
                                     const fs::path& folder)
{
    std::size_t written = 0;
    for (const auto& [name, text] : files) {
        const fs::path target = folder / (fs::path(name).stem().string() + ".txt");
        try {
            gf_writeFileAtomic(target, text);
            ++written;
        } catch (const fs::filesystem_error& e) {
            gf_logErrorf("lf_writeZipEntriesAsText: {}", e.what());
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
        gf_logErrorf("{} holds no files", zipPath.string());
        return false;
    }
    lf_emptyOrCreateFolder(g_mySimaddonPath);
    const std::size_t written = lf_writeZipEntriesAsText(*files, g_mySimaddonPath);
    gf_setStatusMessage(fmt::format("{} unzipped {} files", zipPath.string(), written), true);
    if (written != files->size()) {
        gf_logErrorf("only {} of {} files of {} written; the package will be fetched again", written,
                     files->size(), zipPath.string());
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

bool gf_downloadAndUnzip(const std::string& zipName, const fs::path& outPath)
{
    ArchiveDownload download(fs::path(zipName).filename());
    if (!download.fetch(zipName)) {
        gf_logErrorf("downloading {} failed?", zipName);
        return false;
    }
    const auto files = lf_readFileEntries(download.path());
    try {
        if (files && !files->empty()) {
            for (const auto& file : *files)
                gf_writeFileAtomic(outPath, file.second);
            return true;
        }
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("gf_downloadAndUnzip: {}", e.what());
    }
    std::error_code ignored;
    fs::remove(outPath, ignored); // never leave an older file that looks freshly unpacked
    gf_logErrorf("unzipping {} failed?", zipName);
    return false;
}

bool gf_downloadDbaseZip(const fs::path& outPath)
{
    return gf_downloadAndUnzip(g_dbaseZipPath.string(), outPath);
}

bool lf_downloadInstaller(const Version& version)
{
    const std::string text = gf_versionToString(version);
    const std::string zipName = fmt::format("setup_{}_d_v{}.zip", kProductName, text);
    ArchiveDownload download(zipName);
    if (!download.fetch("release/" + zipName)) {
        gf_setStatusMessage(fmt::format("Downloading program installer file version {} failed", text), true);
        return false;
    }
    gf_logf("downloaded {}", download.path().string());
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
                                                 fs::absolute(g_newVersionInstallerPath).string()));
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
    if (!download.fetch(g_simAddonFolder + "/" + g_simAddonZipPath.string()))
        return false;
    return lf_installSimAddon(download.path(), gf_versionToString(server));
}

} // namespace zyn
