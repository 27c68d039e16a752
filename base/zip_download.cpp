#include "base/zip_download.h"

#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/zip_archive.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

namespace zyn {

namespace fs = std::filesystem;

ArchiveDownload::~ArchiveDownload()
{
    std::error_code ignored; // the next download replaces a file that stays
    gf_removeFile(m_path, ignored);
}

bool ArchiveDownload::fetch(const std::string& pathOnServer)
{
    return gf_downloadFile(m_handle.get(), gf_downloadBaseUrl() + pathOnServer, m_path, true);
}

std::optional<ZipArchive> gf_openFetchedArchive(const fs::path& zipPath)
{
    try {
        return std::optional<ZipArchive>(std::in_place, zipPath);
    } catch (const ZipError& e) {
        gf_logErrorf("could not open {}", gf_utf8FromPath(zipPath));
        gf_logIndented(gf_exceptionText(e));
        return std::nullopt;
    }
}

std::optional<std::vector<std::pair<std::string, std::string>>> lf_readFileEntries(const fs::path& zipPath)
{
    const auto archive = gf_openFetchedArchive(zipPath);
    if (!archive)
        return std::nullopt;
    std::vector<std::pair<std::string, std::string>> files;
    try {
        for (std::uint64_t i = 0; i < archive->entryCount(); ++i) {
            std::string name = archive->entryName(i);
            if (!ZipArchive::isFolderEntry(name))
                files.emplace_back(std::move(name), archive->readText(i));
        }
    } catch (const ZipError& e) {
        gf_logErrorf("unzipping error code : {}", gf_exceptionText(e));
        return std::nullopt;
    }
    return files;
}

bool gf_downloadAndUnzip(const std::string& zipName, const fs::path& outPath)
{
    ArchiveDownload download(gf_pathFromUtf8(zipName).filename());
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
        gf_logErrorf("gf_downloadAndUnzip: {}", gf_exceptionText(e));
    }
    gf_removeFileOrLog(outPath); // never leave an older file that looks freshly unpacked
    gf_logErrorf("unzipping {} failed?", zipName);
    return false;
}

bool gf_downloadDbaseZip(const fs::path& outPath)
{
    return gf_downloadAndUnzip(gf_utf8FromPath(g_dbaseZipPath), outPath);
}

} // namespace zyn
