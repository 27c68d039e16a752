#include "base/pending_file.h"

#include "base/folders.h"
#include "base/path_text.h"
#include "platform/system/files.h"
#include "platform/system/full_disk.h"

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
    if (!gf_roomForNewFile(m_partPath))
        throw fs::filesystem_error("open", m_partPath, std::make_error_code(std::errc::no_space_on_device));
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

void PendingFile::fail(int error)
{
    if (!m_error)
        m_error = std::error_code(error != 0 ? error : EIO, std::generic_category());
}

// The runtime's errno does not name a full disk on every runtime: mingw's text-mode fwrite cut short
// by one sets EINVAL, and a short write may set nothing at all. So for those the disk is asked; any
// other reason (a file-size limit) is the runtime's own and stands, even on a disk nearly full. A
// write that failed lacks room when less than its own bytes, a buffer the runtime held back and a
// cluster are left.
bool gf_writeFailedUnnamed(int error)
{
    return error == 0 || error == EINVAL;
}

void PendingFile::failWrite(int error, std::uintmax_t unwritten)
{
    constexpr std::uintmax_t kHeldBack = 64 * 1024;
    if (!m_error && (error == ENOSPC || (gf_writeFailedUnnamed(error) && gf_noRoomFor(m_partPath, unwritten + kHeldBack))))
        m_error = std::make_error_code(std::errc::no_space_on_device);
    fail(error);
}

bool PendingFile::write(std::string_view bytes)
{
    if (!m_file) {
        fail(EBADF);
        return false;
    }
    if (bytes.empty()) // an empty view may hold no pointer, which fwrite must not get
        return !m_error;
    // A full disk of the tests takes only what fits (full_disk.h), and says nothing, as a short write.
    const std::size_t fit = gf_bytesThatFit(m_partPath, bytes.size());
    errno = 0;
    const std::size_t written = std::fwrite(bytes.data(), 1, fit, m_file);
    if (written < bytes.size())
        failWrite(errno, bytes.size() - written);
    return !m_error;
}

void PendingFile::closeFile()
{
    if (m_file && std::fclose(m_file) != 0)
        failWrite(errno, 0);
    m_file = nullptr;
}

void PendingFile::commit()
{
    if (!m_file)
        fail(EBADF);
    else if (std::fflush(m_file) != 0 || std::ferror(m_file))
        failWrite(errno, 0);
    closeFile();
    if (m_error)
        throw fs::filesystem_error("write", m_partPath, m_error);
    gf_replaceFile(m_partPath, m_target);
}

} // namespace zyn
