#include "sim/failed_liveries.h"

#include "base/errors.h"
#include "base/log.h"
#include "requests/exit_request.h"
#include "shown/status_line.h"

#include <fmt/format.h>

#include <algorithm>

namespace zyn {

std::vector<std::string> g_notCreatableTitles;

namespace {
std::vector<std::string> g_failedLiveryReport;
} // namespace

void gf_liveryCreateFailed(const AcHead& head, std::string_view liveryTitle)
{
    if (g_exitRequested.load() || g_exiting.load())
        return;
    gf_setStatusMessage(fmt::format("{} \"{}\" could not be created by your Sim!", head.callsign, liveryTitle), true);
    g_failedLiveryReport.push_back(head.type + " " + head.airline);
    // Aircraft that carried the title before it failed may fail with it once more: the limit counts
    // liveries, not failures, so that one livery never ends the run.
    if (gf_isNotCreatableTitle(liveryTitle))
        return;
    g_notCreatableTitles.emplace_back(liveryTitle);
    if (g_notCreatableTitles.size() >= kMaxNotCreatableTitles) {
        const auto message = fmt::format("there are too many liveries that could not be created by {}!", "MSFS");
        gf_logf("\n{}Error 81, {}\n", "===> ", message);
        throw UserErrorException(81, fmt::format("{}, see Log.txt", message));
    }
}

bool gf_isNotCreatableTitle(std::string_view title)
{
    return std::find(g_notCreatableTitles.begin(), g_notCreatableTitles.end(), title) != g_notCreatableTitles.end();
}

std::vector<std::string> gf_failedLiveries()
{
    std::sort(g_failedLiveryReport.begin(), g_failedLiveryReport.end());
    g_failedLiveryReport.erase(std::unique(g_failedLiveryReport.begin(), g_failedLiveryReport.end()),
                               g_failedLiveryReport.end());
    std::vector<std::string> lines;
    lines.reserve(g_failedLiveryReport.size());
    for (const auto& entry : g_failedLiveryReport)
        lines.push_back("  " + entry);
    return lines;
}

void gf_forgetNotCreatableTitles() { g_notCreatableTitles.clear(); }

void gf_resetFailedLiveries()
{
    g_notCreatableTitles.clear();
    g_failedLiveryReport.clear();
}

} // namespace zyn
