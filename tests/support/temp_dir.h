#pragma once
// Test fixtures on real files: a temporary folder removed afterwards, and a scoped change of the
// current folder (the program folder is the current folder).
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zyn::test {

class TempDir {
public:
    TempDir();
    explicit TempDir(const std::filesystem::path& parent); // made in parent instead of the system's
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return m_path / p; }

private:
    std::filesystem::path m_path;
};

// Where a test that kills its children mid-write makes its folder: a memory file system where there
// is one. A kill loses nothing a sync would keep, and a disk shared with other work would make each
// sync, and so the test, last many times longer.
std::filesystem::path killTestParent();

class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir);
    ~ScopedCwd();

private:
    std::filesystem::path m_previous;
};

std::string readText(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);
void writeText(const std::filesystem::path& path, const std::string& text); // creates parent folders
// A path as the file system tells names apart, to compare what a search found: its text on Linux; on
// Windows, whose file names ignore case, in upper case with Windows' separators.
std::string nameKey(const std::filesystem::path& path);
// The file's number on its volume (its inode; on Windows its file index): equal for two names of one
// file, new for a file written anew. 0 when it cannot be read.
std::uint64_t fileNumber(const std::filesystem::path& path);

// The names of the entries of a folder, sorted.
std::vector<std::string> folderEntries(const std::filesystem::path& folder);
// Marks a user's tools leave on a file: read-only (a backup tool, a copy from a CD) or hidden. On
// Windows the file attribute; on Linux read-only takes every write permission away (which stops no
// root) and hidden does nothing, as Linux has no such mark. Private: on Linux for its owner alone
// (0600); nothing on Windows.
enum class FileMark { None, ReadOnly, Hidden, ReadOnlyHidden, Private };
void markFile(const std::filesystem::path& path, FileMark mark);
// Whether the file carries none of those marks and its owner may write it.
bool isPlainFile(const std::filesystem::path& path);

} // namespace zyn::test
