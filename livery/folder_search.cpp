#include "livery/folder_search.h"

#include "base/log.h"
#include "base/text_util.h"
#include "base/workers.h"
#include "livery/cfg_reader.h"
#include "livery/ivao_liveries.h"

#include <algorithm>
#include <deque>
#include <future>
#include <system_error>

namespace zyn {

namespace {

namespace fs = std::filesystem;

using PendingFile = std::future<std::list<LiveryData>>;

// Frees the worker's slot however its reading ends.
struct WorkerSlot {
    WorkerSlot() = default;
    WorkerSlot(const WorkerSlot&) = delete;
    WorkerSlot& operator=(const WorkerSlot&) = delete;
    ~WorkerSlot() { gf_workerFinished(); }
};

// The slot is taken before the thread starts, so the count never lags behind the running workers.
PendingFile lf_startWorker(const LiveryFileReader& reader, std::uint32_t folderIndex, const fs::path& path)
{
    gf_waitForThreadSlot();
    g_workersRunning.fetch_add(1);
    try {
        return std::async(std::launch::async, [reader, folderIndex, path] {
            const WorkerSlot slot;
            return reader(folderIndex, path);
        });
    } catch (...) {
        gf_workerFinished();
        throw;
    }
}

// Waits for the oldest pending file and moves its records to the end of the scanned list.
void lf_collectOldest(std::deque<PendingFile>& pending, std::string_view which)
{
    PendingFile file = std::move(pending.front());
    pending.pop_front();
    try {
        g_scannedLiveries.splice(g_scannedLiveries.end(), file.get());
    } catch (const std::exception& e) {
        gf_logErrorf("liveries search aborted, futs {}, {}", which, e.what());
    }
}

// The part of an entry's path below the scanned folder: what the user installed there, not where
// the user keeps it (a Community folder below "D:/airport_fan" or "inibuilds" must still be searched).
std::string_view lf_belowFolder(std::string_view pathText, std::size_t folderChars)
{
    return pathText.substr(std::min(folderChars, pathText.size()));
}

void lf_searchEntry(fs::recursive_directory_iterator& walk, std::size_t folderChars, std::uint32_t folderIndex,
                    const LiveryFileReader& reader, std::deque<PendingFile>& pending)
{
    const fs::directory_entry& entry = *walk;
    const std::string pathText = entry.path().string();
    if (lf_skipsLiveryFolder(lf_belowFolder(pathText, folderChars)))
        walk.disable_recursion_pending();
    std::error_code ec;
    const fs::file_status status = entry.status(ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("status", entry.path(), ec);
    if (!fs::is_regular_file(status) || !lf_isAircraftCfgName(entry.path()))
        return;
    pending.push_back(lf_startWorker(reader, folderIndex, entry.path()));
    if (pending.size() > static_cast<std::size_t>(std::max(1, g_workersMax)))
        lf_collectOldest(pending, "inner");
}

} // namespace

bool lf_skipsLiveryFolder(std::string_view belowScannedFolder)
{
    if (belowScannedFolder.size() >= kLiveryPathLimit)
        return true;
    return std::any_of(kLiverySkipWords.begin(), kLiverySkipWords.end(), [belowScannedFolder](std::string_view word) {
        return belowScannedFolder.find(word) != std::string_view::npos;
    });
}

bool lf_isAircraftCfgName(const fs::path& path)
{
    return gf_toUpper(path.extension().string()) == ".CFG" && gf_toUpper(path.stem().string()) == "AIRCRAFT";
}

std::list<LiveryData> lf_readLiveryFile(std::uint32_t folderIndex, const fs::path& path)
{
    return lf_isIvaoPath(path) ? lf_searchIvaoLiveriesinFile(folderIndex, path)
                               : lf_searchLiveriesinFile(folderIndex, path);
}

void lf_searchLiveriesInFolder(std::uint32_t folderIndex, const fs::path& folder)
{
    lf_searchLiveriesInFolder(folderIndex, folder, lf_readLiveryFile);
}

void lf_searchLiveriesInFolder(std::uint32_t folderIndex, const fs::path& folder, const LiveryFileReader& reader)
{
    std::deque<PendingFile> pending;
    std::error_code ec;
    fs::recursive_directory_iterator walk(folder, ec);
    const std::size_t folderChars = folder.string().size(); // the walk's paths begin with it
    for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
        try {
            lf_searchEntry(walk, folderChars, folderIndex, reader, pending);
        } catch (const std::exception& e) {
            gf_logErrorf("liveries search in {} aborted, cause: {}", walk->path().string(), e.what());
        }
    }
    if (ec)
        gf_logErrorf("liveries search in folder {} aborted because of iterator problem: {}", folder.string(),
                     ec.message());
    // Files already being read are collected also after a walk error: their records are kept and
    // no worker outlives the search.
    while (!pending.empty())
        lf_collectOldest(pending, "outer");
}

} // namespace zyn
