#pragma once
// Files named by a path, the same on every platform: a C stream opened with the path's own
// characters (a narrow name would be read in the ANSI code page on Windows), and the steps of an
// atomic replace, each throwing std::filesystem::filesystem_error with the step and the path.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace zyn {

// std::fopen for a path; nullptr with errno set when it cannot be opened. Use "b" modes for bytes.
std::FILE* gf_openFile(const std::filesystem::path& path, const char* mode);
// The size of an open file, told by its handle (no second look-up of its name); nothing when unknown.
std::optional<std::uint64_t> gf_openFileSize(std::FILE* file);

// A file open for writing: a descriptor on Linux, a handle on Windows.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// Creates a new file for writing bytes as they are; kNoFile when a file of that name exists already.
FileHandle gf_createNewFile(const std::filesystem::path& path);
void gf_writeToFile(FileHandle file, std::string_view bytes, const std::filesystem::path& path);
// Returns when the bytes are on the disk.
void gf_flushFile(FileHandle file, const std::filesystem::path& path);
void gf_closeFile(FileHandle file, const std::filesystem::path& path);
// Puts `from` in the place of `to`, replacing it when it exists, in one step. On Windows a brief
// lock by another program is waited out (lock_retry.h).
void gf_replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Renames a folder (or file) to a name that no entry has; on Windows a brief lock on a file in it
// is waited out.
void gf_renameFolder(const std::filesystem::path& from, const std::filesystem::path& to);
// What a copy does when a file of the target's name exists.
enum class ExistingTarget { Replace, Keep };
// Copies the bytes of `from` into `to`, made a writable file whatever the source's permissions (a
// backup of a read-only file must not refuse the next backup over it). Replace overwrites an existing
// `to`; Keep leaves it and returns false. True when copied; an error goes to ec and gives false. On
// Windows a brief lock on the source is waited out. (std::filesystem::copy_file cannot serve: the
// Windows runtime refuses every existing target, taking it for the source itself.)
bool gf_copyFile(const std::filesystem::path& from, const std::filesystem::path& to, ExistingTarget existing,
                 std::error_code& ec);
// The same, throwing std::filesystem::filesystem_error("copy_file", from, to) instead.
inline bool gf_copyFile(const std::filesystem::path& from, const std::filesystem::path& to, ExistingTarget existing)
{
    std::error_code ec;
    const bool copied = gf_copyFile(from, to, existing, ec);
    if (ec)
        throw std::filesystem::filesystem_error("copy_file", from, to, ec);
    return copied;
}
// Flushes the bytes of a closed file to disk.
void gf_syncFile(const std::filesystem::path& path);
// Makes the replaces done in a folder durable (a crash right after one must not bring the old file back).
void gf_syncFolder(const std::filesystem::path& folder);
// Flushes to disk every file written so far under the folder, at once: one sync for any number of
// writes that did not flush each (on Linux the whole file system that holds the folder).
void gf_syncFileSystem(const std::filesystem::path& folder);

} // namespace zyn
