#include "livery/scan_driver.h"

#include "base/errors.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "livery/folder_search.h"
#include "livery/livery_index.h"
#include "livery/livery_startup.h"
#include "livery/regcodes.h"
#include "livery/scan_reports.h"
#include "livery/scanned_file.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "requests/exit_request.h"
#include "settings/msfs_install.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shown/display_state.h"
#include "shown/repaint.h"
#include "shown/status_line.h"

#include <array>
#include <map>
#include <system_error>
#include <utility>

#include <fmt/format.h>

namespace zyn {

namespace {

namespace fs = std::filesystem;

using PackageSearch = void (*)(const fs::path&, FolderList&);

ScanStageStep g_scanStageStep = nullptr;

// AI_PACKAGE_ORDER 1 to 6 -> the order of the AIG, FSLTL and JF searches.
constexpr std::array<std::array<PackageSearch, 3>, 6> kPackageOrders{{
    {lf_autoScanAig, lf_autoScanFsltl, lf_autoScanJustFlight},
    {lf_autoScanAig, lf_autoScanJustFlight, lf_autoScanFsltl},
    {lf_autoScanFsltl, lf_autoScanAig, lf_autoScanJustFlight},
    {lf_autoScanFsltl, lf_autoScanJustFlight, lf_autoScanAig},
    {lf_autoScanJustFlight, lf_autoScanAig, lf_autoScanFsltl},
    {lf_autoScanJustFlight, lf_autoScanFsltl, lf_autoScanAig},
}};

// Appends the first entry of the Community folder whose path holds one of the markers (tried in
// order for each entry) and not "_CVT_", and logs it with the search's name.
void lf_findPackage(const fs::path& community, const std::vector<std::string_view>& markers, std::string_view name,
                    FolderList& folders)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(community)) {
        const std::string text = gf_utf8FromPath(entry.path());
        if (text.find("_CVT_") != std::string::npos)
            continue;
        for (std::string_view marker : markers) {
            if (text.find(marker) == std::string::npos)
                continue;
            gf_logf("Automatic {} scan found folder: \"{}\"", name, text);
            folders.push_back(entry.path());
            return;
        }
    }
}

// The status of a folder to scan; a failing query other than "not found" ends the scan, reported
// as the existence test that it is.
fs::file_status lf_folderStatus(const fs::path& folder)
{
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (ec && status.type() != fs::file_type::not_found)
        throw fs::filesystem_error("exists", folder, ec);
    return status;
}

// A completed scan: later starts read its file instead of scanning again.
void lf_switchScanOff()
{
    param::SCAN_LIVERIES.value = 0;
    gf_writeParametersXml(param::SCAN_LIVERIES);
    gf_showCheckBox(param::SCAN_LIVERIES);
    gf_repaintBand(Band::Settings);
}

void lf_reachStage(ScanStage stage)
{
    if (g_scanStageStep)
        g_scanStageStep(stage);
}

ScanOutcome lf_interrupted()
{
    g_scannedLiveries.clear();
    gf_clearLiveryLists();
    return ScanOutcome::Interrupted;
}

ScanOutcome lf_nothingFound()
{
    g_liveryCount = 0;
    gf_repaintBand(Band::Counters);
    gf_clearLiveryLists();
    gf_clearStatusMessage();
    return ScanOutcome::NothingFound;
}

} // namespace

void lf_autoScanAig(const fs::path& community, FolderList& folders)
{
    std::vector<std::string_view> markers;
    if (param::MSFS_2020.on())
        markers.push_back("aig-aitraffic-oci-beta");
    markers.push_back("aig-aitraffic-oci");
    lf_findPackage(community, markers, "AIG", folders);
}

void lf_autoScanFsltl(const fs::path& community, FolderList& folders)
{
    lf_findPackage(community, {"fsltl-traffic-base"}, "FSLTL", folders);
}

void lf_autoScanJustFlight(const fs::path& community, FolderList& folders)
{
    lf_findPackage(community, {"justflight-aircraft-traffic-fleet", "justflight-fstraffic-module"}, "JF", folders);
}

void lf_autoScanUserTraffic(const fs::path& community, FolderList& folders)
{
    lf_findPackage(community, {"user-aitraffic"}, "user-aitraffic", folders);
}

FolderList lf_automaticFolderList(const fs::path& community)
{
    FolderList folders;
    folders.reserve(10);
    // A simulator without a Community folder has no packages: the scan then finds nothing (error 43).
    if (community.empty() || !fs::is_directory(lf_folderStatus(community)))
        return folders;
    const auto order = static_cast<std::size_t>(param::AI_PACKAGE_ORDER.clamp(param::AI_PACKAGE_ORDER.value.load()) - 1);
    for (PackageSearch search : kPackageOrders.at(order))
        search(community, folders);
    lf_autoScanUserTraffic(community, folders);
    return folders;
}

FolderList lf_manualFolderList()
{
    FolderList folders;
    folders.reserve(10);
    for (const StringParameter& folder : param::lfolders)
        if (!folder.empty())
            folders.emplace_back(folder.getValue());
    if (folders.empty())
        throw UserErrorException(
            48, "Set lfolder parameter(-s) to your liveries first, see Manual 5.1 (or check Liveries automatic)");
    return folders;
}

void lf_scanLiveryFolder(FolderWalk& walk, const fs::path& folder)
{
    if (folder.empty())
        return;
    const fs::file_status status = lf_folderStatus(folder);
    if (!fs::exists(status)) {
        gf_log(gf_utf8FromPath(folder) + " does not exist, skipped!");
        return;
    }
    if (!fs::is_directory(status)) {
        gf_log(gf_utf8FromPath(folder) + " is not a folder name, skipped!");
        return;
    }
    if (walk.folderIndex < 10)
        ++walk.folderIndex;
    if (gf_exitUnderWay())
        return;
    lf_searchLiveriesInFolder(walk.folderIndex, folder);
    const std::size_t size = g_scannedLiveries.size();
    if (size == 0) {
        gf_logf("No liveries found in {}", gf_utf8FromPath(folder));
        return;
    }
    const std::size_t found = size - walk.previousSize;
    gf_logf("{} liverie{} found in {}", found, gf_plural(found), gf_utf8FromPath(folder));
    walk.total += found;
    walk.previousSize = size;
}

bool lf_sameLivery(const LiveryData& a, const LiveryData& b)
{
    return a.title == b.title && a.airl == b.airl && a.type == b.type && a.atcid == b.atcid && a.cargo == b.cargo;
}

void lf_keepPriorityLiveries(std::list<LiveryData>& liveries)
{
    std::map<std::pair<std::string_view, std::string_view>, std::uint32_t> best;
    for (const LiveryData& livery : liveries) {
        auto [it, added] = best.try_emplace({livery.airl, livery.type}, livery.folderIndex);
        if (!added && livery.folderIndex < it->second)
            it->second = livery.folderIndex;
    }
    // The views point into the records; erase only once every priority is known.
    std::vector<std::list<LiveryData>::iterator> dropped;
    for (auto it = liveries.begin(); it != liveries.end(); ++it)
        if (it->folderIndex > best.at({it->airl, it->type}))
            dropped.push_back(it);
    best.clear();
    for (auto it : dropped)
        liveries.erase(it);
}

void lf_sortAndThinLiveries(std::list<LiveryData>& liveries)
{
    liveries.sort(gf_liveryOrder); // stable
    liveries.unique(lf_sameLivery);
}

ScanOutcome lf_scanAndWriteLiveries(const FolderList& folders)
{
    g_scannedLiveries.clear();
    // A scan that ended with an exception left its titles and problem lines behind.
    gf_clearLiveryLists();
    lf_removeScanReports();
    lf_readAigRegcodesForScan(g_dontUseTitles);
    FolderWalk walk;
    for (const fs::path& folder : folders)
        lf_scanLiveryFolder(walk, folder);
    if (gf_exitUnderWay())
        return lf_interrupted();
    lf_reachStage(ScanStage::Walked);
    if (g_scannedLiveries.empty())
        return lf_nothingFound();
    if (folders.size() >= 2)
        gf_logf("{} in total", walk.total);
    for (LiveryData& livery : g_scannedLiveries)
        lf_writeCodeFixes(livery);
    if (param::LIG_PRIORITIZE.on())
        lf_keepPriorityLiveries(g_scannedLiveries);
    lf_sortAndThinLiveries(g_scannedLiveries);
    // A simulator switch removes the file and asks for a rescan: the other simulator's list stays out.
    if (gf_exitUnderWay())
        return lf_interrupted();
    const bool saved = gf_saveLiveries();
    if (saved)
        gf_clearLiveries(); // the index is built again from this scan, also in a running program
    else
        gf_logErrorf("could not write {}; the previous scan stays in use", gf_utf8FromPath(g_liveriesScannedPath));
    g_scannedLiveries.clear();
    lf_reachStage(ScanStage::Saved);
    lf_writeScanSummary();
    gf_clearLiveryLists();
    gf_clearStatusMessage();
    return saved ? ScanOutcome::Saved : ScanOutcome::NotSaved;
}

void gf_setLiveryScanStep(ScanStageStep step) { g_scanStageStep = step; }

void lf_processScannedLiveries() { gf_processScannedLiveries(lf_readLiveriesScanned); }

void gf_scanLiveries()
{
    if (!param::SCAN_LIVERIES.on()) {
        lf_processScannedLiveries();
        return;
    }
    const bool automatic = param::LIG_AUTOMATIC.on();
    gf_setStatusMessage(fmt::format("Scanning {} for liveries ...",
                                    param::LIG_PRIORITIZE.on() && !automatic ? "prioritized " : ""),
                        false);
    gf_logf("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++",
            automatic ? "automatic" : "manual");
    const FolderList folders =
        automatic ? lf_automaticFolderList(gf_msfsContentFolder("Community")) : lf_manualFolderList();
    const ScanOutcome outcome = lf_scanAndWriteLiveries(folders);
    if (outcome == ScanOutcome::NothingFound) {
        if (automatic)
            throw UserErrorException(43, "Automatic scan has not found any liveries, switch off automatic and set "
                                         "lfolder parameter(-s), Manual 5.1");
        throw UserErrorException(53, "no liveries found");
    }
    // The setting stays on, so the next start scans again. An exit that came while the scan finished
    // leaves the setting and the file as it set them: a simulator switch has removed the file and
    // turned the scan on for the restart.
    if (outcome == ScanOutcome::Interrupted || gf_exitUnderWay())
        return;
    if (outcome == ScanOutcome::NotSaved) {
        // The next start scans again; this one carries on with the previous scan, if there is one.
        gf_setStatusMessage(fmt::format("Could not write {}, liveries of the previous scan used",
                                        gf_utf8FromPath(g_liveriesScannedPath)),
                            true);
    } else {
        lf_switchScanOff();
    }
    gf_log("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
    lf_processScannedLiveries();
}

} // namespace zyn
