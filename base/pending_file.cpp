#include "base/pending_file.h"

#include "base/folders.h"
#include "base/path_text.h"
#include "platform/system/files.h"

#include <cerrno>
#include <system_error>

namespace zyn {

namespace fs = std::filesystem;

bool gf_isDownloadPendingName(std::string_view name)
{
    if (!name.ends_with(kPendingFileEnd))
        return false;
    name.remove_suffix(kPendingFileEnd.size());
    if (name.starts_with(kInstallerZipStart) && name.ends_with(".zip"))
        return true;
    for (const fs::path* target : {&g_versionJsonPath, &g_dbaseZipPath, &g_aigRegcodesZipPath, &g_simAddonZipPath,
                                   &g_newVersionInstallerPath, &g_fetchedApfName})
        if (name == gf_utf8FromPath(*target))
            return true;
    return false;
}

PendingFile::PendingFile(fs::path target, bool binary) : m_target(std::move(target))
{
    m_partPath = m_target;
    m_partPath += kPendingFileEnd;
    m_file = gf_openFile(m_partPath, binary ? "wb" : "w");
    if (!m_file)
        throw fs::filesystem_error("open", m_partPath, std::error_code(errno, std::generic_category()));
}

PendingFile::~PendingFile()
{
    closeFile();
    std::error_code ignored;
    gf_removeFile(m_partPath, ignored);
}

bool PendingFile::write(std::string_view bytes)
{
    if (!m_file || std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        m_failed = true;
    return !m_failed;
}

void PendingFile::closeFile()
{
    if (m_file && std::fclose(m_file) != 0)
        m_failed = true;
    m_file = nullptr;
}

void PendingFile::commit()
{
    const bool flushed = m_file && std::fflush(m_file) == 0 && !std::ferror(m_file);
    closeFile();
    if (!flushed || m_failed)
        throw fs::filesystem_error("write", m_partPath, std::make_error_code(std::errc::io_error));
    gf_replaceFile(m_partPath, m_target);
}

} // namespace zyn
