#pragma once
// Files named by a path, the same on every platform: a C stream opened with the path's own
// characters (a narrow name would be read in the ANSI code page on Windows), and the steps of an
// atomic replace, each throwing std::filesystem::filesystem_error with the step and the path.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

namespace zyn {

// std::fopen for a path; nullptr with errno set when it cannot be opened, and why in ec: on Windows
// the system's own error, so that its text (error_text.h) is the system's reason. Use "b" modes for
// bytes. On Windows an open for writing waits out a brief lock by another program (lock_retry.h).
std::FILE* gf_openFile(const std::filesystem::path& path, const char* mode, std::error_code& ec);
inline std::FILE* gf_openFile(const std::filesystem::path& path, const char* mode)
{
    std::error_code ignored; // errno tells
    return gf_openFile(path, mode, ignored);
}
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
// Puts `from` in the place of `to`, replacing it when it exists, in one step. A target that is
// read-only, hidden or a system file (which Windows refuses to replace) is made a plain file first:
// every file the program replaces is one it wrote. Where the account may not change its attributes
// (another account's file), the replace fails at once, naming the file and the attribute. On Windows
// a brief lock by another program is waited out (lock_retry.h).
void gf_replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Renames a folder (or file) to a name that no entry has; on Windows a brief lock on a file in it
// is waited out.
void gf_renameFolder(const std::filesystem::path& from, const std::filesystem::path& to);
// Makes an existing file a plain writable one (Windows: no read-only, hidden or system attribute;
// Linux: writable by its owner), so that it can be opened for writing afresh. Throws
// std::filesystem::filesystem_error naming the file and the attribute when that is not allowed.
void gf_makeFileWritable(const std::filesystem::path& path);

// Removes a file the program owns. Windows refuses to delete a read-only file ("Access denied"), so
// its read-only, hidden and system marks are cleared first (as for a replace), and a brief lock by
// another program is waited out; Linux removes it as it is (the folder's permission decides). True
// when a file was removed, false when there was none; a folder is no file and is refused. An error
// goes to ec and gives false: another account's file, one held open past the wait.
bool gf_removeFile(const std::filesystem::path& path, std::error_code& ec);
// The same, throwing std::filesystem::filesystem_error("remove", path) instead.
inline bool gf_removeFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const bool removed = gf_removeFile(path, ec);
    if (ec)
        throw std::filesystem::filesystem_error("remove", path, ec);
    return removed;
}
// Removes a folder the program owns with everything in it (or a file, as gf_removeFile): every file
// as gf_removeFile, every folder of the tree made one whose entries may go (Windows: no read-only
// attribute; Linux: read, write and search permission for its owner), since all of it goes. A link
// or junction is removed, never followed. Stops at the first entry that stays. True when something
// was removed, false when nothing was there; an error goes to ec and gives false, and the entry that
// stayed to `stayed` when given. A path that names no entry of its own is refused with
// std::errc::invalid_argument before anything goes: an empty path, a root (a drive's, a share's
// \\server\share), one whose last element is "." or "..", and a link named with a trailing separator
// (which would name what it leads to).
bool gf_removeFolderTree(const std::filesystem::path& path, std::error_code& ec,
                         std::filesystem::path* stayed = nullptr);
// The same, throwing std::filesystem::filesystem_error("remove", entry) naming the entry that stayed.
inline bool gf_removeFolderTree(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::path stayed;
    const bool removed = gf_removeFolderTree(path, ec, &stayed);
    if (ec)
        throw std::filesystem::filesystem_error("remove", stayed, ec);
    return removed;
}
// The path of the entry a tree removal would remove, without trailing separators; nothing for a path
// that names no entry of its own (above). The part of gf_removeFolderTree that is the same everywhere.
std::optional<std::filesystem::path> gf_treeRemovalEntry(const std::filesystem::path& path);

// What a copy does when a file of the target's name exists.
enum class ExistingTarget { Replace, Keep };
// Copies the bytes of `from` into `to`. A new `to` takes the source's permission bits on Linux as
// far as the umask allows (a private file's copy stays private), its attributes on Windows, but is made a writable, plain file
// whatever the source's read-only mark (a backup of a read-only file must not refuse the next backup
// over it); a replaced `to` keeps its own permission bits, plus its owner's write. Replace puts a
// whole copy in the place of an existing `to` in one step (gf_replaceFile from a temporary beside
// it), so that a copy that fails half-way (a full disk) leaves the old file, and a name linked to the
// old file keeps its bytes. Keep leaves an existing `to` and returns false; a new `to` that is not
// whole is removed.
// True when copied; an error goes to ec and gives false. On Windows a brief lock on the source is
// waited out. (std::filesystem::copy_file cannot serve: the Windows runtime refuses every existing
// target, taking it for the source itself.)
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
// Copies `from` into `to`, which must not exist: false (ec clear) when it does. Nothing is left at `to`
// when the copy fails. The platform's part of gf_copyFile.
bool gf_copyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);

// Temporary files are "<file name>.tarvo-<16 lower-case hex digits>.tmp": random, so that neither
// another writer nor a leftover of a killed process holds the same name, and recognisable, so that
// the start-up can remove the leftovers.
inline constexpr std::string_view kTemporaryMark = ".tarvo-";
inline constexpr std::string_view kTemporaryEnd = ".tmp";
inline constexpr std::size_t kTemporaryDigits = 16;
// A name beside the path's that no other writer uses.
std::filesystem::path gf_temporaryPath(const std::filesystem::path& path);

// Flushes the bytes of a closed file to disk.
void gf_syncFile(const std::filesystem::path& path);
// Makes the replaces done in a folder durable (a crash right after one must not bring the old file back).
void gf_syncFolder(const std::filesystem::path& folder);
// Flushes to disk the files written under the folder that did not flush each, at once: on Linux one
// sync of the whole file system that holds the folder, for any number of writes; on Windows, where
// that needs an administrator, each of the files (and no other: a file the user marked read-only
// refuses the opening a flush needs).
void gf_syncFileSystem(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& written);

} // namespace zyn
