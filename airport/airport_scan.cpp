#include "airport/airport_scan.h"

#include "airport/airport_code.h"
#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "airport/bgl_reader.h"
#include "airport/scan_log.h"
#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/exit_flags.h"
#include "base/folder_publish.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "base/workers.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "settings/msfs_install.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shown/display_texts.h"
#include "shown/repaint.h"
#include "shown/status_line.h"

#include <fmt/format.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <future>
#include <memory>
#include <stdexcept>
#include <system_error>

namespace zyn {

namespace fs = std::filesystem;

namespace {

// Characters of the whole path: below the 260 that Windows allows without its long-path setting.
constexpr std::size_t kScanPathLimit = 250;
constexpr std::array<std::string_view, 14> kScanSkipWords{
    "fs-base",      "tutorials",     "aircraft",           "bushtrip", "discovery", "point-of-interest",
    "simobjects",   "vcockpits",     "aig-aitraffic",      "justflight-aicraft", "fsltl", "gsx-pro",
    "gsx-world",    "landingchallenge"};
constexpr std::array<std::string_view, 3> kSkippedBglNames{"statics", "AFCAD Updates", "_heliports"};
constexpr std::string_view kSupportAddress = "airports@tarvo-support.example";
constexpr std::string_view kFailMark = "===> ";

// A scan's results are staged in folders named as the ones they replace; the publish commits them
// under the second name. Every "scan_" folder is the scan's own.
constexpr std::string_view kScanFolderPrefix = "scan_";
const fs::path g_scanStagingPath{g_airportsPath / "scan_new"};
const fs::path g_scanCommittedPath{g_airportsPath / "scan_publish"};

using PendingBgl = std::future<void>;

// Frees a scan worker's slot however its file ends.
struct BglWorkerSlot {
    BglWorkerSlot() = default;
    BglWorkerSlot(const BglWorkerSlot&) = delete;
    BglWorkerSlot& operator=(const BglWorkerSlot&) = delete;
    ~BglWorkerSlot() { gf_workerFinished(); }
};

// The count is raised before the job is posted, so it never lags behind a worker that already ended.
// The file's start goes with the job, its handle (if the start is not the whole file) open until
// the worker has read the rest: at most one per pending job.
PendingBgl lf_startBglWorker(WorkerPool& pool, const fs::path& path, BglFileStart start, const ScanTargets& targets)
{
    gf_waitForThreadSlot();
    g_workersRunning.fetch_add(1);
    try {
        auto job = std::make_shared<std::packaged_task<void()>>([path, start = std::move(start), &targets]() mutable {
            lf_toParkingPositions(path, std::move(start), targets);
        });
        PendingBgl done = job->get_future();
        pool.post([job] {
            const BglWorkerSlot slot;
            (*job)();
        });
        return done;
    } catch (...) {
        gf_workerFinished();
        throw;
    }
}

void lf_waitOldest(std::deque<PendingBgl>& pending, const fs::path& folder, std::string_view which)
{
    PendingBgl oldest = std::move(pending.front());
    pending.pop_front();
    try {
        oldest.get();
    } catch (const std::exception& e) {
        gf_addScanLogLine(fmt::format("{} airports search in {} aborted, futs {} error: {}", kFailMark, gf_utf8FromPath(folder),
                                      which, gf_exceptionText(e)));
    }
}

bool lf_containsAny(std::string_view text, std::span<const std::string_view> words)
{
    return std::any_of(words.begin(), words.end(), [text](std::string_view w) { return text.find(w) != text.npos; });
}

std::string_view lf_belowScanned(std::string_view pathText, std::size_t scannedChars)
{
    return pathText.substr(std::min(scannedChars, pathText.size()));
}

void lf_searchBglEntry(const fs::directory_entry& entry, std::size_t scannedChars, WorkerPool& pool,
                       std::deque<PendingBgl>& pending, const ScanTargets& targets, const fs::path& folder)
{
    std::error_code ec;
    const bool regular = entry.is_regular_file(ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("status", entry.path(), ec);
    if (!regular || !lf_isCandidateName(entry.path(), scannedChars))
        return;
    std::optional<BglFileStart> start = gf_startAirportBgl(entry.path());
    if (!start)
        return;
    pending.push_back(lf_startBglWorker(pool, entry.path(), std::move(*start), targets));
    if (pending.size() > static_cast<std::size_t>(std::max(1, g_workersMax)))
        lf_waitOldest(pending, folder, "inner");
}

// An earlier scan's staging folder that stays: the scan waits for the next start, the start goes on.
class StagingStays : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void lf_prepareTargets()
{
    gf_finishFolderPublish(g_scanCommittedPath); // the staged files are compared with the published ones
    // An earlier scan's staged files would be published as this one's: while one of them stays (held
    // open by another program, another account's), this scan does not run.
    std::error_code ec;
    fs::path stayed;
    if (gf_removeFolderTree(g_scanStagingPath, ec, &stayed); ec)
        throw StagingStays(fmt::format("{} could not be removed: {}", gf_utf8FromPath(stayed), gf_errorText(ec)));
}

// The report goes with the results it describes; one that cannot be written takes the previous one
// along (false).
bool lf_stageScanReport(FolderStaging& staging, const fs::path& report)
{
    std::string text;
    for (const std::string& line : gf_scanLogLines())
        text.append(line).push_back('\n');
    try {
        fs::create_directories(g_airportsScanLogPath.parent_path());
        staging.put(report, text);
        return true;
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("{} could not be written: {}", gf_utf8FromPath(g_airportsScanLogPath), gf_exceptionText(e));
        return false;
    }
}

// The bytes of a file, read through its own handle; throws when it cannot be read whole.
std::string lf_fileBytes(const fs::path& file)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> open(gf_openFile(file, "rb"), &std::fclose);
    if (!open)
        throw fs::filesystem_error("open", file, std::error_code(errno, std::generic_category()));
    std::string bytes;
    std::string chunk(std::size_t{1} << 16, '\0');
    while (const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), open.get()))
        bytes.append(chunk, 0, n);
    if (std::ferror(open.get()))
        throw fs::filesystem_error("read", file, std::make_error_code(std::errc::io_error));
    return bytes;
}

enum class SetAside : std::uint8_t { Copied, NotNeeded, Failed };

// One thirdparty file of the staged thirdparty folder for the staged TBLO folder. A copy that fails
// (a full disk) is logged and left out; the scan goes on with the others.
SetAside lf_setAsideForLearning(const std::string& code, const fs::path& thirdparty, const fs::path& tblo,
                                StockAsks& asks)
{
    const fs::path file = thirdparty / (code + ".xml");
    if (code == "KMCI" && lf_readApfPublisher(file) == "TropicalSim") {
        gf_removeFile(file); // a known broken file of that package
        return SetAside::NotNeeded;
    }
    if (!lf_suitableForLearning(code, asks) || !lf_detectPublisher(file).empty())
        return SetAside::NotNeeded;
    const fs::path published = g_tbloPath / (code + ".xml");
    // Written whole under a name of its own, then renamed over the staged entry: an entry equal to
    // the published one is a link to it until the commit, so the previous TBLO keeps its bytes, and
    // a write that fails leaves neither a part of the copy nor its temporary behind.
    try {
        gf_writeFileAtomic(tblo / (code + ".xml"), lf_fileBytes(file), FileSync::Deferred);
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("\"{}\" failed to copy \"{}\"", gf_utf8FromPath(g_myThirdpartyPath / (code + ".xml")),
                     gf_utf8FromPath(published));
        gf_logIndented(gf_exceptionText(e));
        return SetAside::Failed;
    }
    gf_logf("{} copied to {}", code, gf_utf8FromPath(published));
    if (fs::exists(thirdparty / (code + ".txt")))
        gf_removeFile(file);
    return SetAside::Copied;
}

// Runs on the staged folders before their publish, so the copies go with the scan's own entries.
void lf_tbloStep(const fs::path& thirdparty, const fs::path& tblo, ScanPublish& done)
{
    const std::vector<std::string> codes = gf_listAirportXmlFiles(thirdparty);
    if (!codes.empty())
        fs::create_directories(tblo);
    StockAsks asks;
    for (const std::string& code : codes)
        if (gf_isAirportCode(code) && lf_setAsideForLearning(code, thirdparty, tblo, asks) == SetAside::Failed)
            done.copyFailed = true;
    if (fs::is_directory(tblo) && fs::is_empty(tblo))
        gf_removeFolderTree(tblo); // no folder at all once published
    done.thirdpartyListed = !codes.empty();
}

// A copy that failed leaves learning undone: "all done" would not be true then.
void lf_reportTblo(bool listed, bool copyFailed)
{
    std::uint32_t entries = 0;
    std::error_code ec;
    for (fs::directory_iterator file(g_tbloPath, ec); !ec && file != fs::directory_iterator(); file.increment(ec))
        ++entries;
    g_tbloEntries.store(entries);
    if (entries > 0) {
        gf_log(fmt::format("\nPlease zip the folder {} and mail it to {}", gf_utf8FromPath(fs::absolute(g_tbloPath)),
                           kSupportAddress));
    } else if (listed && !copyFailed) {
        gf_log("All your third party airports are done, no off line learning needed.");
    }
    gf_showParking([](ParkingDisplay& display) { display.setAsideAirports = g_tbloEntries.load(); });
}

void lf_logPutBack(const PublishPutBack& e)
{
    gf_logErrorf("The airports scan results could not be put in place, the previous results are kept and the next "
                 "start tries again ({})",
                 gf_exceptionText(e));
}

void lf_switchAirportScanOff()
{
    param::SCAN_AIRPORTS.value = 0;
    gf_writeParametersXml(param::SCAN_AIRPORTS);
    gf_showCheckBox(param::SCAN_AIRPORTS);
    gf_repaintBand(Band::Settings);
}

} // namespace

bool lf_skipFolder(std::string_view pathText, std::size_t scannedChars)
{
    return gf_hasUtf16Units(pathText, kScanPathLimit) ||
           lf_containsAny(lf_belowScanned(pathText, scannedChars), kScanSkipWords);
}

bool lf_isCandidateName(const fs::path& path, std::size_t scannedChars)
{
    return lf_isBglFile(gf_utf8FromPath(path.extension())) &&
           !lf_containsAny(lf_belowScanned(gf_utf8FromPath(path), scannedChars), kSkippedBglNames);
}

void lf_scanFolderForAirports(const fs::path& folder, const ScanTargets& targets)
{
    gf_addScanLogLine(fmt::format("Scanning for addon airports in {}", gf_utf8FromPath(folder)));
    const std::size_t scannedChars = gf_utf8FromPath(folder).size();
    std::deque<PendingBgl> pending;
    {
        WorkerPool pool(g_workersMax);
        std::error_code ec;
        fs::recursive_directory_iterator walk(folder, ec);
        for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
            try {
                if (lf_skipFolder(gf_utf8FromPath(walk->path()), scannedChars)) {
                    walk.disable_recursion_pending();
                    continue;
                }
                if (gf_exitUnderWay())
                    break;
                lf_searchBglEntry(*walk, scannedChars, pool, pending, targets, folder);
            } catch (const std::exception& e) {
                gf_addScanLogLine(fmt::format("{} airports search in folder {} aborted, cause: {}", kFailMark,
                                              gf_utf8FromPath(folder), gf_exceptionText(e)));
            }
        }
        if (ec)
            gf_addScanLogLine(fmt::format("{} airports search in folder {} aborted because of iterator problem: {}",
                                          kFailMark, gf_utf8FromPath(folder), gf_errorText(ec)));
    } // the pool runs what was posted and joins: no worker outlives the search
    while (!pending.empty())
        lf_waitOldest(pending, folder, "outer");
}

void lf_scanFolder(const fs::path& folder, const ScanTargets& targets)
{
    if (folder.empty())
        return;
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (ec && status.type() != fs::file_type::not_found)
        throw fs::filesystem_error("status", folder, ec);
    if (status.type() == fs::file_type::not_found)
        gf_setStatusMessage(gf_utf8FromPath(folder) + " does not exist, skipped!", true);
    else if (status.type() == fs::file_type::directory)
        lf_scanFolderForAirports(folder, targets);
    else
        gf_setStatusMessage(gf_utf8FromPath(folder) + " is not a folder name, skipped!", true);
}

std::vector<std::string> gf_listAirportXmlFiles(const fs::path& folder)
{
    std::vector<std::string> codes;
    codes.reserve(512);
    if (!fs::is_directory(folder))
        return codes;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && gf_toUpper(gf_utf8FromPath(entry.path().extension())) == ".XML")
            codes.push_back(gf_utf8FromPath(entry.path().stem()));
    return codes;
}

ScanPublish lf_scanAndPublish(const std::vector<fs::path>& folders)
{
    const fs::path simaddon = g_scanStagingPath / g_mySimaddonPath.filename();
    const fs::path thirdparty = g_scanStagingPath / g_myThirdpartyPath.filename();
    const fs::path tblo = g_scanStagingPath / g_tbloPath.filename();
    const fs::path report = g_scanStagingPath / g_airportsScanLogPath.filename();
    FolderStaging staging(g_scanStagingPath, {simaddon, thirdparty}, {{tblo, g_tbloPath}, {report, g_airportsScanLogPath}});
    const ScanTargets targets{simaddon, thirdparty, tblo, &staging};
    lf_prepareTargets();
    for (const fs::path& folder : folders)
        lf_scanFolder(folder, targets);
    if (gf_exitUnderWay()) {
        gf_removeFolderOrLog(g_scanStagingPath); // what stays goes before the next scan
        return {};
    }
    // Every worker has ended: the old results, report and TBLO folder give way to the new ones only
    // now. Outside MSFS 2020 mode the simaddon folder also holds the companion package's files: the
    // scan's files are added to them, and without any new the folder stays as it is.
    ScanPublish done{.scanned = true};
    const bool reportStaged = lf_stageScanReport(staging, report);
    if (!param::MSFS_2020.on())
        staging.keepPublished(simaddon);
    try {
        // A scan whose results equal the published ones publishes nothing, its report neither.
        const bool published = staging.publish(g_scanCommittedPath, [&] { lf_tbloStep(thirdparty, tblo, done); });
        done.report = published && reportStaged;
    } catch (const PublishPutBack&) {
        throw; // the committed results wait for the next start
    } catch (...) {
        std::error_code ignored; // not committed: the previous results stay, the staged ones go
        gf_removeFolderTree(g_scanStagingPath, ignored);
        throw;
    }
    return done;
}

bool lf_scanAddonAirports(const std::vector<fs::path>& folders)
{
    g_tbloEntries.store(0);
    g_airportsLinkedOrGenerated.store(false);
    gf_resetScanLog();
    const ScanPublish done = lf_scanAndPublish(folders);
    gf_clearStatusMessage();
    gf_resetScanLog();
    if (!done.scanned) {
        gf_logError("scan interrupted by the exit, the previous results and report are kept");
        return false;
    }
    if (done.report)
        gf_log(gf_utf8FromPath(g_airportsScanLogPath) + " written");
    lf_reportTblo(done.thirdpartyListed, done.copyFailed);
    const bool found = g_airportsLinkedOrGenerated.load();
    if (found)
        gf_log("Airports scan successful");
    return found;
}

void gf_repairScanFolders()
{
    try {
        gf_finishFolderPublish(g_scanCommittedPath);
    } catch (const PublishPutBack& e) {
        lf_logPutBack(e);
        return;
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_repairScanFolders", gf_exceptionText(e));
        return;
    }
    try {
        std::vector<fs::path> leftovers;
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(g_airportsPath, ec))
            if (entry.is_directory() && gf_utf8FileName(entry.path()).starts_with(kScanFolderPrefix))
                leftovers.push_back(entry.path());
        for (const fs::path& folder : leftovers)
            gf_removeFolderOrLog(folder); // one that stays is tried again at the next start
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_repairScanFolders", gf_exceptionText(e));
    }
}

void gf_scanAirports()
{
    gf_setStatusMessage("Scanning for addon airports ...", false);
    gf_log("\n++++++++++++++++++++++++ airports scan  starts +++++++++++++++++++++++++++++");
    std::vector<fs::path> folders;
    if (param::MSFS_2020.on())
        if (fs::path official = gf_msfsContentFolder(std::string(kOfficialName)); !official.empty())
            folders.push_back(std::move(official));
    if (fs::path community = gf_msfsContentFolder(std::string(kCommunityName)); !community.empty())
        folders.push_back(std::move(community));
    gf_readAirportNames();
    try {
        const bool found = lf_scanAddonAirports(folders);
        if (!found && !gf_exitUnderWay())
            gf_setStatusMessage("Warning: Scan has not found any add-on airports", true);
        if (!gf_exitUnderWay())
            lf_switchAirportScanOff();
    } catch (const PublishPutBack& e) { // the setting stays on
        gf_clearStatusMessage();
        gf_resetScanLog();
        lf_logPutBack(e);
    } catch (const StagingStays& e) { // the setting stays on
        gf_clearStatusMessage();
        gf_resetScanLog();
        gf_logErrorf("The airports scan waits for the next start, the previous results are kept: {}", gf_exceptionText(e));
    }
    g_airportNames.clear();
    gf_log("-------------------------- airports scan ends    ----------------------------\n");
}

} // namespace zyn
