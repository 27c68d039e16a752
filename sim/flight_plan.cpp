#include "sim/flight_plan.h"

#include "base/folders.h"
#include "base/log.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <fmt/format.h>

#include <fstream>

namespace zyn {

std::filesystem::path g_flightPlanFolder;

namespace {

// Airport codes come from the traffic feed; escape them so that a stray character cannot break the XML.
std::string lf_xmlEscaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

const char* lf_flightPlanType(AcCategory category)
{
    switch (category) {
    case AcCategory::Buzjets:
    case AcCategory::Large:
    case AcCategory::Heavy: return "IFR";
    default: return "VFR";
    }
}

void lf_createFolderIfMissing(const std::filesystem::path& folder)
{
    if (!std::filesystem::exists(folder))
        std::filesystem::create_directory(folder);
}

} // namespace

bool gf_createFlightPlanFolder()
{
    g_flightPlanFolder = gf_userDataPath() / "orig_dest";
    if (!std::filesystem::exists(gf_userDataPath()))
        std::filesystem::create_directories(gf_userDataPath()); // a fresh system may lack the roaming folder too
    lf_createFolderIfMissing(g_flightPlanFolder);
    return std::filesystem::exists(g_flightPlanFolder);
}

std::filesystem::path gf_flightPlanFileName(std::uint32_t objectId) { return fmt::format("{}.pln", objectId); }

std::string gf_flightPlanText(const AcHead& head, AcCategory category)
{
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                       "<FlightPlan.FlightPlan>\n"
                       "<FPType>{}</FPType>\n"
                       "<DepartureID>{}</DepartureID>\n"
                       "<DestinationID>{}</DestinationID>\n"
                       "</FlightPlan.FlightPlan>\n"
                       "</SimBase.Document>\n",
                       lf_flightPlanType(category), lf_xmlEscaped(head.origin), lf_xmlEscaped(head.destination));
}

bool gf_writeFlightPlan(const std::filesystem::path& path, const AcHead& head, AcCategory category)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.is_open())
        return false;
    file << gf_flightPlanText(head, category);
    file.close();
    return !file.fail();
}

void gf_removeFlightPlanFolder()
{
    try {
        if (!g_flightPlanFolder.empty())
            gf_removeFolderTree(g_flightPlanFolder);
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "gf_removeFlightPlanFolder", gf_exceptionText(e));
    }
}

} // namespace zyn
