#pragma once
// Zip archives fetched from the download server: the archive lands in the program folder and is
// deleted whatever happened; its file entries are read whole before anything is replaced.
#include "base/download.h"
#include "base/zip_archive.h"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zyn {

// Each fetch has its own handle; the archive it downloaded is deleted whatever happened.
class ArchiveDownload {
public:
    explicit ArchiveDownload(std::filesystem::path localPath) : m_path(std::move(localPath)) {}
    ~ArchiveDownload();
    ArchiveDownload(const ArchiveDownload&) = delete;
    ArchiveDownload& operator=(const ArchiveDownload&) = delete;
    bool fetch(const std::string& pathOnServer); // from the download server's base
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    CurlHandle m_handle;
};

// The downloaded archive opened for reading; nothing, after the error line "could not open {}" with
// its path and an indented line with the reason, when it is no usable zip.
std::optional<ZipArchive> gf_openFetchedArchive(const std::filesystem::path& zipPath);

// The archive's file entries (folder entries skipped), name and text. Nothing when it cannot be
// opened or read.
std::optional<std::vector<std::pair<std::string, std::string>>> lf_readFileEntries(const std::filesystem::path& zipPath);

// Downloads base + zipName into zipName in the program folder and writes its file entries, read as
// text, to outPath (several entries: the last one stays). False when the download fails (outPath
// untouched) or when the archive is unusable or holds no file (outPath removed). The archive is
// always deleted afterwards.
bool gf_downloadAndUnzip(const std::string& zipName, const std::filesystem::path& outPath);
bool gf_downloadDbaseZip(const std::filesystem::path& outPath);

} // namespace zyn
