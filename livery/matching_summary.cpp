#include "livery/matching_summary.h"

#include "base/log.h"
#include "base/text_util.h"
#include "livery/matching.h"
#include "settings/settings.h"
#include "sim/failed_liveries.h"

#include <string>
#include <vector>

namespace zyn {

std::set<std::string> g_aircraftWithoutLivery;

namespace {
constexpr std::string_view kSummaryTitle = "live traffic livery matching summary";
constexpr std::uint32_t kBannerWidth = 100;
} // namespace

void gf_liveryMatchingSummary()
{
    const auto titleWidth = static_cast<std::uint32_t>(kSummaryTitle.size());
    std::vector<std::string> lines;
    lines.reserve(256);
    lines.push_back(gf_starBanner(kBannerWidth - titleWidth, 0, true, false, kSummaryTitle));
    lines.emplace_back("Matches at step: ");
    for (std::size_t k = 1; k <= g_matchStepCounts.size(); ++k)
        lines.push_back(fmt::format("  {}: {}", k, g_matchStepCounts[k - 1]));
    const auto failed = gf_failedLiveries();
    if (!failed.empty()) {
        lines.push_back(fmt::format("\nCould not be created by {}:", "MSFS"));
        lines.insert(lines.end(), failed.begin(), failed.end());
    }
    lines.push_back(gf_starBanner(kBannerWidth - titleWidth, titleWidth, false, true, ""));
    for (const auto& line : lines)
        gf_log(line);
}

void gf_logNoMatchList()
{
    if (g_aircraftWithoutLivery.empty() || !param::LOG.on())
        return;
    gf_log("\nNo match found for: ");
    for (const auto& text : g_aircraftWithoutLivery)
        gf_log(text);
    gf_log("");
}

} // namespace zyn
