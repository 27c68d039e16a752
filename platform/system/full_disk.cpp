#include "platform/system/full_disk.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>

namespace zyn {

namespace {

namespace fs = std::filesystem;

std::atomic<bool> g_fullDiskSet{false}; // the one test every write makes while none is set
std::mutex g_fullDiskMutex;
std::optional<FullDisk> g_fullDisk; // under g_fullDiskMutex

bool lf_onFullDiskLocked(const fs::path& file)
{
    return g_fullDisk && file.parent_path().lexically_normal() == g_fullDisk->folder.lexically_normal();
}

} // namespace

void gf_setFullDisk(std::optional<FullDisk> disk)
{
    std::lock_guard lock(g_fullDiskMutex);
    g_fullDisk = std::move(disk);
    g_fullDiskSet = g_fullDisk.has_value();
}

bool gf_roomForNewFile(const fs::path& file)
{
    if (!g_fullDiskSet.load())
        return true;
    std::lock_guard lock(g_fullDiskMutex);
    return !lf_onFullDiskLocked(file) || g_fullDisk->bytesLeft > 0;
}

std::size_t gf_bytesThatFit(const fs::path& file, std::size_t bytes)
{
    if (!g_fullDiskSet.load())
        return bytes;
    std::lock_guard lock(g_fullDiskMutex);
    if (!lf_onFullDiskLocked(file))
        return bytes;
    const std::uint64_t reachable = g_fullDisk->bytesLeft - std::min(g_fullDisk->bytesLeft, g_fullDisk->bytesKept);
    const auto fit = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, reachable));
    g_fullDisk->bytesLeft -= fit;
    return fit;
}

bool gf_noRoomFor(const fs::path& file, std::uintmax_t bytes)
{
    if (g_fullDiskSet.load()) {
        std::lock_guard lock(g_fullDiskMutex);
        if (lf_onFullDiskLocked(file))
            return g_fullDisk->bytesLeft < bytes;
    }
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code ec;
    const fs::space_info space = fs::space(folder, ec);
    return !ec && space.available < bytes;
}

} // namespace zyn
