#include "base/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <sstream>
#include <string>
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

// Unique within the process and across processes, so concurrent writers never share a temporary.
fs::path lf_temporaryPath(const fs::path& path)
{
    static std::atomic<unsigned> s_counter{0};
    auto name = path.filename().string();
    name += fmt::format(".{}-{}.tmp", ::getpid(), s_counter.fetch_add(1));
    return path.parent_path() / name;
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
    explicit TemporaryFile(fs::path path) : m_path(std::move(path))
    {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
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

    void commit(const fs::path& target)
    {
        if (::fsync(m_fd) != 0)
            lf_throwErrno("fsync", m_path);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            lf_throwErrno("close", m_path);
        if (::rename(m_path.c_str(), target.c_str()) != 0)
            lf_throwErrno("rename", target);
        m_renamed = true;
    }

private:
    fs::path m_path;
    int m_fd = -1;
    bool m_renamed = false;
};

} // namespace

void gf_writeFileAtomic(const fs::path& path, std::string_view bytes)
{
    TemporaryFile temporary(lf_temporaryPath(path));
    temporary.write(bytes);
    temporary.commit(path);
}

void gf_saveXmlAtomic(const pugi::xml_document& document, const fs::path& path)
{
    std::ostringstream text;
    document.save(text);
    gf_writeFileAtomic(path, text.str());
}

} // namespace zyn
