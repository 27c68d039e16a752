#include "platform/simconnect/emulator_report_text.h"

#include <fstream>
#include <stdexcept>

#include <fmt/format.h>

namespace zyn::simemu {

std::vector<std::string> gf_objectReportLines(const std::vector<SimObject>& objects,
                                              std::optional<double> closedAtSeconds)
{
    std::vector<std::string> lines{"    id kind      created_s  removed_s  moved_nm atc_id \"title\""};
    for (const SimObject& o : objects) {
        const char* kind = o.isUser ? "user" : o.isForeign ? "foreign" : "created";
        const std::string removed = o.removed ? fmt::format("{:.1f}", o.removedAt) : "-";
        lines.push_back(fmt::format("{:>6} {:<8} {:>10.1f} {:>10} {:>9.2f} {} \"{}\"", o.id, kind, o.createdAt, removed,
                                    o.distanceMovedNm, o.atcId.empty() ? "-" : o.atcId, o.title));
    }
    if (closedAtSeconds)
        lines.push_back(fmt::format("closed_s {:.1f}", *closedAtSeconds));
    return lines;
}

void gf_writeObjectReport(const std::vector<SimObject>& objects, const std::filesystem::path& folder,
                          std::optional<double> closedAtSeconds)
{
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / kReportObjectsFile;
    std::ofstream text(file, std::ios::binary | std::ios::trunc);
    for (const std::string& line : gf_objectReportLines(objects, closedAtSeconds))
        text << line << '\n';
    if (!text.flush()) {
        const std::u8string name = file.u8string();
        throw std::runtime_error("cannot write " + std::string(name.begin(), name.end()));
    }
}

} // namespace zyn::simemu
