#include "tests/support/temp_dir.h"

#include "base/path_text.h"
#include "base/text_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

namespace zyn::test {

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path()) {}

std::filesystem::path killTestParent()
{
    std::error_code ec;
    return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                         : std::filesystem::temp_directory_path();
}

#ifdef _WIN32
// No mkdtemp: a random name, taken only when no folder of that name exists yet.
TempDir::TempDir(const std::filesystem::path& parent)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = parent / ("tarvo-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made in " + parent.string());
}
#else
TempDir::TempDir(const std::filesystem::path& parent)
{
    auto pattern = (parent / "tarvo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}
#endif

TempDir::~TempDir()
{
    std::error_code ec;
#ifdef _WIN32 // Windows removes no read-only file
    for (std::filesystem::recursive_directory_iterator it(m_path, ec), end; !ec && it != end; it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ec);
    ec.clear();
#endif
    std::filesystem::remove_all(m_path, ec);
}

ScopedCwd::ScopedCwd(const std::filesystem::path& dir) : m_previous(std::filesystem::current_path())
{
    std::filesystem::current_path(dir);
}

ScopedCwd::~ScopedCwd()
{
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
}

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> readLines(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void writeText(const std::filesystem::path& path, const std::string& text)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string nameKey(const std::filesystem::path& path)
{
#ifdef _WIN32
    return gf_toUpper(gf_utf8FromPath(std::filesystem::path(path).make_preferred()));
#else
    return gf_utf8FromPath(path);
#endif
}

std::uint64_t fileNumber(const std::filesystem::path& path)
{
#ifdef _WIN32
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool read = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    return read ? (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow : 0;
#else
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
#endif
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void markFile(const std::filesystem::path& path, FileMark mark)
{
    const bool readOnly = mark == FileMark::ReadOnly || mark == FileMark::ReadOnlyHidden;
#ifdef _WIN32
    const bool hidden = mark == FileMark::Hidden || mark == FileMark::ReadOnlyHidden;
    DWORD attributes = GetFileAttributesW(path.c_str()) & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    attributes |= (readOnly ? FILE_ATTRIBUTE_READONLY : 0) | (hidden ? FILE_ATTRIBUTE_HIDDEN : 0);
    SetFileAttributesW(path.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
#else
    namespace fs = std::filesystem;
    if (readOnly)
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    if (mark == FileMark::Private)
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
#endif
}

bool isPlainFile(const std::filesystem::path& path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
#else
    namespace fs = std::filesystem;
    std::error_code ec;
    return (fs::status(path, ec).permissions() & fs::perms::owner_write) != fs::perms::none && !ec;
#endif
}

} // namespace zyn::test
