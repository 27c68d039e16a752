#include "platform/system/files.h"

#include "platform/system/full_disk.h"

#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zyn {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void lf_throwErrno(const char* step, const fs::path& path, int error)
{
    throw fs::filesystem_error(step, path, std::error_code(error, std::generic_category()));
}

} // namespace

std::FILE* gf_openFile(const fs::path& path, const char* mode, std::error_code& ec)
{
    std::FILE* file = std::fopen(path.c_str(), mode);
    ec = file != nullptr ? std::error_code() : std::error_code(errno, std::generic_category());
    return file;
}

std::optional<std::uint64_t> gf_openFileSize(std::FILE* file)
{
    struct stat status {};
    if (::fstat(::fileno(file), &status) != 0 || status.st_size < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

FileHandle gf_createNewFile(const fs::path& path)
{
    if (!gf_roomForNewFile(path))
        lf_throwErrno("open", path, ENOSPC);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST)
        lf_throwErrno("open", path, errno);
    return fd < 0 ? kNoFile : fd;
}

void gf_writeToFile(FileHandle file, std::string_view bytes, const fs::path& path)
{
    const std::size_t fit = gf_bytesThatFit(path, bytes.size());
    const bool full = fit < bytes.size();
    bytes = bytes.substr(0, fit);
    while (!bytes.empty()) {
        const auto written = ::write(static_cast<int>(file), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            lf_throwErrno("write", path, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (full)
        lf_throwErrno("write", path, ENOSPC);
}

void gf_flushFile(FileHandle file, const fs::path& path)
{
    if (::fsync(static_cast<int>(file)) != 0)
        lf_throwErrno("fsync", path, errno);
}

void gf_closeFile(FileHandle file, const fs::path& path)
{
    if (::close(static_cast<int>(file)) != 0)
        lf_throwErrno("close", path, errno);
}

void gf_replaceFile(const fs::path& from, const fs::path& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        lf_throwErrno("rename", to, errno);
}

void gf_renameFolder(const fs::path& from, const fs::path& to) { gf_replaceFile(from, to); }

namespace {

// A call that a signal interrupted is made again.
template <typename Call> auto lf_uninterrupted(Call call)
{
    auto result = call();
    while (result < 0 && errno == EINTR)
        result = call();
    return result;
}

// An open descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes it now: a failed close of a written file is a failed write.
    int close() { return ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd;
};

// Copies what is left of in into out, the file at `to`; 0, or the errno of the failing step. A full
// disk ends the copy as it ends every write (full_disk.h).
int lf_copyBytes(int in, int out, const fs::path& to)
{
    char buffer[64 * 1024];
    for (;;) {
        const auto read = lf_uninterrupted([&] { return ::read(in, buffer, sizeof buffer); });
        if (read <= 0)
            return read < 0 ? errno : 0;
        const auto fit = static_cast<ssize_t>(gf_bytesThatFit(to, static_cast<std::size_t>(read)));
        for (ssize_t done = 0; done < fit;) {
            const auto written = lf_uninterrupted([&] { return ::write(out, buffer + done, static_cast<std::size_t>(fit - done)); });
            if (written < 0)
                return errno;
            done += written;
        }
        if (fit < read)
            return ENOSPC;
    }
}

} // namespace

bool gf_copyToNewFile(const fs::path& from, const fs::path& to, std::error_code& ec)
{
    ec.clear();
    const auto fail = [&ec](int error) {
        ec = std::error_code(error, std::generic_category());
        return false;
    };
    Descriptor source(lf_uninterrupted([&] { return ::open(from.c_str(), O_RDONLY | O_CLOEXEC); }));
    struct stat sourceStatus {};
    if (source.get() < 0 || ::fstat(source.get(), &sourceStatus) != 0)
        return fail(errno);
    if (!S_ISREG(sourceStatus.st_mode))
        return fail(EINVAL);
    if (!gf_roomForNewFile(to))
        return fail(ENOSPC);
    // Readable by whom the source is (a private file's copy stays private) as far as the umask allows,
    // as any new file; writable by its owner (the next copy goes over it). Where the file system
    // keeps no such bits, it stays as it was made.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    const mode_t mode = (sourceStatus.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) | S_IWUSR;
    Descriptor target(lf_uninterrupted([&] { return ::open(to.c_str(), flags, mode); }));
    if (target.get() < 0)
        return errno == EEXIST ? false : fail(errno);
    int error = lf_copyBytes(source.get(), target.get(), to);
    struct stat made {};
    if (error == 0 && ::fstat(target.get(), &made) == 0 && (made.st_mode & S_IWUSR) == 0)
        ::fchmod(target.get(), (made.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) | S_IWUSR); // a umask that takes it
    if (target.close() != 0 && error == 0)
        error = errno;
    if (error == 0)
        return true;
    ::unlink(to.c_str()); // a new file that is not whole goes
    return fail(error);
}

void gf_makeFileWritable(const fs::path& path)
{
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec)
        throw fs::filesystem_error("make writable (read-only file)", path, ec);
}

bool gf_removeFile(const fs::path& path, std::error_code& ec)
{
    ec.clear();
    if (::unlink(path.c_str()) == 0)
        return true;
    if (errno != ENOENT)
        ec = std::error_code(errno, std::generic_category());
    return false;
}

bool gf_removeFolderTree(const fs::path& path, std::error_code& ec, fs::path* stayed)
{
    ec.clear();
    const auto stay = [&](const fs::path& entry) {
        if (stayed != nullptr)
            *stayed = entry;
        return false;
    };
    const auto fail = [&](int error, const fs::path& entry) {
        ec = std::error_code(error, std::generic_category());
        return stay(entry);
    };
    struct stat status {};
    // A trailing separator makes lstat follow a link: the link's own name decides.
    const std::optional<fs::path> entry = gf_treeRemovalEntry(path);
    if (!entry || (*entry != path && ::lstat(entry->c_str(), &status) == 0 && S_ISLNK(status.st_mode)))
        return fail(EINVAL, path);
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT ? false : fail(errno, path);
    if (!S_ISDIR(status.st_mode)) { // a file or a link, never followed
        if (!gf_removeFile(path, ec) && ec)
            return stay(path);
        return true;
    }
    // Its entries go only with write and search permission on it, reading lists them; it goes
    // anyway. A change refused (another account's folder) leaves the removal to say why.
    if ((status.st_mode & S_IRWXU) != S_IRWXU)
        ::chmod(path.c_str(), (status.st_mode & 07777) | S_IRWXU);
    std::vector<fs::path> entries; // listed first: the listing does not see its own removals
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    if (ec)
        return stay(path);
    for (const fs::path& entry : entries)
        if (gf_removeFolderTree(entry, ec, stayed); ec)
            return false;
    return ::rmdir(path.c_str()) == 0 ? true : fail(errno, path);
}

namespace {

// Runs a sync call on the open folder; EINVAL: a file system that cannot sync a folder, where the
// change stands as it is.
void lf_syncOpenFolder(const fs::path& folder, int (*sync)(int), const char* step)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        lf_throwErrno("open", folder, errno);
    const int synced = sync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0 && error != EINVAL)
        lf_throwErrno(step, folder, error);
}

} // namespace

void gf_syncFile(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        lf_throwErrno("open", path, errno);
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0)
        lf_throwErrno("fsync", path, error);
}

void gf_syncFolder(const fs::path& folder) { lf_syncOpenFolder(folder, ::fsync, "fsync"); }

void gf_syncFileSystem(const fs::path& folder, const std::vector<fs::path>&)
{
    lf_syncOpenFolder(folder, ::syncfs, "syncfs");
}

} // namespace zyn
