#include "livery/folder_search.h"

#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "base/workers.h"
#include "livery/cfg_reader.h"
#include "livery/ivao_liveries.h"
#include "platform/system/error_text.h"

#include <algorithm>
#include <deque>
#include <future>
#include <memory>
#include <system_error>

namespace zyn {

namespace {

namespace fs = std::filesystem;

using PendingLiveries = std::future<std::list<LiveryData>>;

// Frees the worker's slot however its reading ends.
struct WorkerSlot {
    WorkerSlot() = default;
    WorkerSlot(const WorkerSlot&) = delete;
    WorkerSlot& operator=(const WorkerSlot&) = delete;
    ~WorkerSlot() { gf_workerFinished(); }
};

// Files read or being read whose records wait to be collected in walk order: a few per worker, so
// that the walk goes on while one file takes long.
std::size_t lf_pendingLimit() { return 4 * static_cast<std::size_t>(std::max(1, g_workersMax)); }

// The slot is taken before the job is posted, so the count never lags behind the running workers
// and a posted job always finds a free thread of the pool.
PendingLiveries lf_startWorker(WorkerPool& pool, const LiveryFileReader& reader, std::uint32_t folderIndex,
                           const fs::path& path)
{
    gf_waitForThreadSlot();
    g_workersRunning.fetch_add(1);
    try {
        auto job = std::make_shared<std::packaged_task<std::list<LiveryData>()>>(
            [&reader, folderIndex, path] { return reader(folderIndex, path); });
        PendingLiveries file = job->get_future();
        pool.post([job] {
            const WorkerSlot slot;
            (*job)(); // an exception ends in the future
        });
        return file;
    } catch (...) {
        gf_workerFinished();
        throw;
    }
}

// Waits for the oldest pending file and moves its records to the end of the scanned list.
void lf_collectOldest(std::deque<PendingLiveries>& pending, std::string_view which)
{
    PendingLiveries file = std::move(pending.front());
    pending.pop_front();
    try {
        g_scannedLiveries.splice(g_scannedLiveries.end(), file.get());
    } catch (const std::exception& e) {
        gf_logErrorf("liveries search aborted, futs {}, {}", which, gf_exceptionText(e));
    }
}

// The part of an entry's path below the scanned folder: what the user installed there, not where
// the user keeps it (a Community folder below "D:/airport_fan" or "inibuilds" must still be searched).
std::string_view lf_belowFolder(std::string_view pathText, std::size_t folderChars)
{
    return pathText.substr(std::min(folderChars, pathText.size()));
}

// The entry's type as the walk read it with the folder (a link's is looked up); not found counts as
// no file, any other failure is thrown.
bool lf_entryIs(const fs::directory_entry& entry, fs::file_type type)
{
    std::error_code ec;
    const bool is = type == fs::file_type::directory ? entry.is_directory(ec) : entry.is_regular_file(ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("status", entry.path(), ec);
    return is;
}

void lf_searchEntry(fs::recursive_directory_iterator& walk, std::size_t folderChars, std::uint32_t folderIndex,
                    const LiveryFileReader& reader, WorkerPool& pool, std::deque<PendingLiveries>& pending)
{
    const fs::directory_entry& entry = *walk;
    if (!lf_isAircraftCfgName(entry.path())) {
        if (lf_entryIs(entry, fs::file_type::directory) && lf_skipsLiveryFolder(gf_utf8FromPath(entry.path()), folderChars))
            walk.disable_recursion_pending();
        return;
    }
    if (!lf_entryIs(entry, fs::file_type::regular))
        return;
    pending.push_back(lf_startWorker(pool, reader, folderIndex, entry.path()));
    if (pending.size() > lf_pendingLimit())
        lf_collectOldest(pending, "inner");
}

} // namespace

bool lf_skipsLiveryFolder(std::string_view pathText, std::size_t folderChars)
{
    if (gf_hasUtf16Units(pathText, kLiveryPathLimit))
        return true;
    const std::string_view belowScannedFolder = lf_belowFolder(pathText, folderChars);
    return std::any_of(kLiverySkipWords.begin(), kLiverySkipWords.end(), [belowScannedFolder](std::string_view word) {
        return belowScannedFolder.find(word) != std::string_view::npos;
    });
}

bool lf_isAircraftCfgName(const fs::path& path)
{
    // Compared in place: this runs for every entry of the walk.
    constexpr std::string_view kName = "AIRCRAFT.CFG";
    const auto& text = path.native();
    if (text.size() < kName.size())
        return false;
    const std::size_t start = text.size() - kName.size();
    if (start > 0 && text[start - 1] != fs::path::preferred_separator && text[start - 1] != '/')
        return false;
    return std::equal(kName.begin(), kName.end(), text.begin() + static_cast<std::ptrdiff_t>(start),
                      [](char upper, auto c) {
                          return static_cast<std::uint32_t>(c) < 128u && gf_toUpper(static_cast<char>(c)) == upper;
                      });
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
    WorkerPool pool(g_workersMax);
    std::deque<PendingLiveries> pending;
    std::error_code ec;
    fs::recursive_directory_iterator walk(folder, ec);
    const std::size_t folderChars = gf_utf8FromPath(folder).size(); // the walk's paths begin with it
    for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
        try {
            lf_searchEntry(walk, folderChars, folderIndex, reader, pool, pending);
        } catch (const std::exception& e) {
            gf_logErrorf("liveries search in {} aborted, cause: {}", gf_utf8FromPath(walk->path()), gf_exceptionText(e));
        }
    }
    if (ec)
        gf_logErrorf("liveries search in folder {} aborted because of iterator problem: {}", gf_utf8FromPath(folder),
                     gf_errorText(ec));
    // Files already being read are collected also after a walk error: their records are kept and
    // no worker outlives the search.
    while (!pending.empty())
        lf_collectOldest(pending, "outer");
}

} // namespace zyn
