#include "livery/scan_reports.h"

#include "aircraft/aircraft_db.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "livery/regcodes.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <algorithm>
#include <array>
#include <optional>

#include <fmt/format.h>

namespace zyn {

std::vector<std::string> g_modelConversionLines;

namespace {

namespace fs = std::filesystem;

const char* lf_flagText(bool flag) { return flag ? "true" : "false"; }

void lf_addConversionLine(const LiveryData& livery, std::string_view field, std::string_view from,
                          std::string_view to)
{
    g_modelConversionLines.push_back(fmt::format("{:80} {} {} {} => {}", livery.title, livery.atcid, field, from, to));
}

void lf_sortLines(std::list<std::string>& lines) { lines.sort(); }
void lf_sortLines(std::vector<std::string>& lines) { std::sort(lines.begin(), lines.end()); }

// Replaces a report whole and logs its summary line; a report that cannot be written is logged with
// the reason instead, so that the log never points to the previous scan's report.
void lf_writeReport(const std::vector<std::string>& lines, const fs::path& path, const std::string& summary)
{
    fs::create_directories(path.parent_path());
    try {
        gf_writeLines(lines, path);
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("{} line{} for \"{}\" could not be written: {}", lines.size(), gf_plural(lines.size()),
                     gf_utf8FromPath(path), gf_exceptionText(e));
        return;
    }
    gf_log(summary);
}

// Writes one problem list to its report with the summary line made by `line` from the count and the
// report path.
template <typename Lines, typename LineText>
void lf_reportList(ProblemList<Lines>& list, bool sorted, LineText line)
{
    if (list.lines.empty())
        return;
    if (sorted)
        lf_sortLines(list.lines);
    lf_writeReport(std::vector<std::string>(list.lines.begin(), list.lines.end()), list.reportPath,
                   line(list.lines.size(), gf_utf8FromPath(list.reportPath)));
}

} // namespace

void lf_removeScanReports()
{
    const fs::path inlineRegcodes = gf_inlineRegcodesPath();
    const std::array<const fs::path*, 8> reports{
        &g_noFltsimSectionList.reportPath, &g_liveriesSkippedOnPriorityPath, &inlineRegcodes,
        &g_invalidAirlineList.reportPath,  &g_invalidTypeList.reportPath,    &g_fixList.reportPath,
        &g_invalidFileList.reportPath,     &g_incompleteSectionList.reportPath};
    // Each goes on its own: one that stays (held open, another account's) keeps no other.
    const auto remove = [](const fs::path& path, auto removal) {
        try {
            removal(path);
        } catch (const fs::filesystem_error& e) {
            gf_logf("problems with removing previous files: {}", gf_exceptionText(e));
        }
    };
    for (const fs::path* report : reports)
        remove(*report, [](const fs::path& p) { gf_removeFile(p); });
    // Only an empty folder goes: other writers may keep their files there.
    std::error_code error;
    if (fs::is_directory(g_outputErrorsPath, error) && fs::is_empty(g_outputErrorsPath, error))
        remove(g_outputErrorsPath, [](const fs::path& p) { gf_removeFolderTree(p); });
}

void lf_writeCodeFixes(LiveryData& livery)
{
    if (livery.atcid.empty())
        return;
    const auto record = gf_findRegistration(livery.atcid);
    if (!record)
        return;
    const bool cargo = record->cargo;
    if (livery.cargo != cargo) {
        lf_addConversionLine(livery, "cargo", lf_flagText(livery.cargo), lf_flagText(cargo));
        livery.cargo = cargo;
    }
    const std::string& airline = record->opr.empty() ? record->airl : record->opr;
    if (livery.airl != airline) {
        lf_addConversionLine(livery, "airl", livery.airl, airline);
        livery.airl = airline;
    }
    if (livery.type != record->type) {
        lf_addConversionLine(livery, "model", livery.type, record->type);
        livery.type = record->type;
    }
}

void lf_writeScanSummary()
{
    const bool noErrors = g_invalidAirlineList.lines.empty() && g_invalidTypeList.lines.empty() &&
                          g_fixList.lines.empty() && g_invalidFileList.lines.empty() &&
                          g_incompleteSectionList.lines.empty();
    gf_log(noErrors ? "\nNo errors" : "\nErrors:");
    lf_reportList(g_invalidAirlineList, true, [](std::size_t n, const std::string& path) {
        return fmt::format("{} invalid airline code{}, see {}", n, gf_plural(n), path);
    });
    lf_reportList(g_invalidTypeList, true, [](std::size_t n, const std::string& path) {
        return fmt::format("{} invalid model code{}, see {}", n, gf_plural(n), path);
    });
    lf_reportList(g_fixList, false,
                  [](std::size_t n, const std::string& path) { return fmt::format("{} code fixes, see {}", n, path); });
    lf_reportList(g_invalidFileList, true, [](std::size_t n, const std::string& path) {
        return fmt::format("{} invalid aircraft.cfg files, see {}", n, path);
    });
    lf_reportList(g_incompleteSectionList, true, [](std::size_t n, const std::string& path) {
        return fmt::format("{} incomplete [fltsim.x] sections, see {}", n, path);
    });
    gf_log("\nInformation:");
    lf_reportList(g_noFltsimSectionList, true, [](std::size_t n, const std::string& path) {
        return fmt::format("{} empty aircraft.cfg files, see {}", n, path);
    });
    if (!g_modelConversionLines.empty())
        lf_writeReport(g_modelConversionLines, g_airlineModelConversionsPath,
                       fmt::format("{} liveries updated with real live data from dbase, see {}",
                                   g_modelConversionLines.size(), gf_utf8FromPath(g_airlineModelConversionsPath)));
}

void gf_clearLiveryLists()
{
    g_modelConversionLines.clear();
    g_invalidAirlineList.lines.clear();
    g_invalidTypeList.lines.clear();
    g_incompleteSectionList.lines.clear();
    g_noFltsimSectionList.lines.clear();
    g_invalidFileList.lines.clear();
    g_fixList.lines.clear();
    g_titleSet.titles.clear();
    g_dontUseTitles.clear();
}

} // namespace zyn
