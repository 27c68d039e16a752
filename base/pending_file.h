#pragma once
// A file written beside its target and put in its place only when it was written whole, so that a
// failed download or extraction never replaces a good file with a partial one.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace zyn {

// What a pending file's name adds to its target's.
inline constexpr std::string_view kPendingFileEnd = ".part";

// Whether a file name is that of the pending file which a download of the program leaves when it is
// killed: a download target's name (base/folders.h) followed by kPendingFileEnd. Downloads write
// beside their targets, in the program folder and the per-user data folder; a new target is named here.
bool gf_isDownloadPendingName(std::string_view fileName);

// Whether a failed write's errno names no reason of its own, so that the disk is asked whether it is
// full: none at all (a short write), or EINVAL (mingw's text-mode fwrite cut short by a full disk).
bool gf_writeFailedUnnamed(int error);

class PendingFile {
public:
    // Opens "<target>.part" (kPendingFileEnd) for writing; throws std::filesystem::filesystem_error
    // when it cannot.
    explicit PendingFile(std::filesystem::path target, bool binary = true);
    ~PendingFile(); // removes the partial file unless committed
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Writes all bytes; false on a write error (the file is then never committed).
    bool write(std::string_view bytes);
    // Why the first failed write failed (a full disk says so); empty while none did.
    const std::error_code& error() const { return m_error; }
    // Flushes, closes and renames over the target; throws filesystem_error on failure.
    void commit();

private:
    void closeFile();
    void fail(int error);
    void failWrite(int error, std::uintmax_t unwritten);
    std::filesystem::path m_target;
    std::filesystem::path m_partPath;
    std::FILE* m_file = nullptr;
    std::error_code m_error;
};

} // namespace zyn
