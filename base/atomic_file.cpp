#include "base/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <fmt/format.h>
#include <pugixml.hpp>

namespace zyn {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void lf_throwErrno(const char* step, const fs::path& path)
{
    throw fs::filesystem_error(step, path, std::error_code(errno, std::generic_category()));
}

// Temporaries are "<file name>.tarvo-<16 lower-case hex digits>.tmp": random, so that neither another
// writer nor a leftover of a killed process (whatever its process id was) holds the same name, and
// recognisable, so that the start-up can remove the leftovers.
constexpr std::string_view kTemporaryMark = ".tarvo-";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr std::size_t kTemporaryDigits = 16;
constexpr int kOpenAttempts = 8;

fs::path lf_temporaryPath(const fs::path& path)
{
    thread_local std::mt19937_64 engine{std::random_device{}()};
    return path.parent_path() /
           fmt::format("{}{}{:016x}{}", path.filename().string(), kTemporaryMark, engine(), kTemporaryEnd);
}

bool lf_isTemporaryName(std::string_view name)
{
    if (!name.ends_with(kTemporaryEnd))
        return false;
    name.remove_suffix(kTemporaryEnd.size());
    if (name.size() <= kTemporaryMark.size() + kTemporaryDigits)
        return false;
    const auto digits = name.substr(name.size() - kTemporaryDigits);
    name.remove_suffix(kTemporaryDigits);
    const auto isHexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    return name.ends_with(kTemporaryMark) && std::all_of(digits.begin(), digits.end(), isHexDigit);
}

// Runs a sync call on an open folder; EINVAL: a file system that cannot sync a folder, where the
// change stands as it is.
void lf_syncOpenFolder(const fs::path& folder, int (*sync)(int), const char* step)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        lf_throwErrno("open", folder);
    const int synced = sync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0 && error != EINVAL) {
        errno = error;
        lf_throwErrno(step, folder);
    }
}

void lf_writeAll(int fd, std::string_view bytes, const fs::path& temporary)
{
    while (!bytes.empty()) {
        const auto written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            lf_throwErrno("write", temporary);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Owns the temporary until it has been renamed into place.
class TemporaryFile {
public:
    // A fresh name whenever one is taken already.
    explicit TemporaryFile(const fs::path& target)
    {
        for (int attempt = 0; attempt < kOpenAttempts && m_fd < 0; ++attempt) {
            m_path = lf_temporaryPath(target);
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        if (m_fd < 0)
            lf_throwErrno("open", m_path);
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_renamed)
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write(std::string_view bytes) { lf_writeAll(m_fd, bytes, m_path); }

    void commit(const fs::path& target, FileSync sync)
    {
        if (sync == FileSync::Durable && ::fsync(m_fd) != 0)
            lf_throwErrno("fsync", m_path);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            lf_throwErrno("close", m_path);
        if (::rename(m_path.c_str(), target.c_str()) != 0)
            lf_throwErrno("rename", target);
        m_renamed = true;
        if (sync == FileSync::Durable) // without this a crash right after the rename may bring back the old file
            gf_syncFolder(target.parent_path());
    }

private:
    fs::path m_path;
    int m_fd = -1;
    bool m_renamed = false;
};

} // namespace

void gf_writeFileAtomic(const fs::path& path, std::string_view bytes, FileSync sync)
{
    TemporaryFile temporary(path);
    temporary.write(bytes);
    temporary.commit(path, sync);
}

void gf_syncFileSystem(const fs::path& folder) { lf_syncOpenFolder(folder, ::syncfs, "syncfs"); }

void gf_syncFolder(const fs::path& folder) { lf_syncOpenFolder(folder, ::fsync, "fsync"); }

void gf_removeStaleTemporaries(const fs::path& folder)
{
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && lf_isTemporaryName(it->path().filename().string()))
            fs::remove(it->path(), ignored);
    }
}

void gf_saveXmlAtomic(const pugi::xml_document& document, const fs::path& path, FileSync sync)
{
    std::ostringstream text;
    document.save(text);
    gf_writeFileAtomic(path, text.str(), sync);
}

} // namespace zyn
