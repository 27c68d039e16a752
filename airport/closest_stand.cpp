// The stand of an airport's parking file nearest to a position: how the closest-airport rule
// decides between two airports close together.
#include "airport/airports.h"

#include "airport/apf_locations.h"
#include "airport/read_report.h"
#include "base/folders.h"
#include "base/log.h"

#include <pugixml.hpp>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr double kUnknownStandNm = 100.0;

double lf_nearestStandNm(const fs::path& file, LatLon position, std::string& standId)
{
    pugi::xml_document document;
    const auto parkpositions = document.load_file(file.c_str()) ? document.child("parkpositions") : pugi::xml_node();
    double best = kUnknownStandNm;
    for (auto parkpos : parkpositions.children("parkpos")) {
        const LatLon stand{gf_fileNumber(parkpos.attribute("latitude").as_string()).value_or(0.0),
                           gf_fileNumber(parkpos.attribute("longitude").as_string()).value_or(0.0)};
        const double d = gf_distanceNm(position, stand);
        if (d < best) {
            standId = parkpos.attribute("id").as_string();
            best = d;
        }
    }
    return best;
}

} // namespace

double gf_readDestApfForClosestStand(std::string_view code, LatLon position, std::string& standId)
{
    try {
        const std::string location = gf_getStockApf(code);
        if (location.empty())
            return kUnknownStandNm;
        if (location.starts_with(g_airportsPath.generic_string()))
            return lf_nearestStandNm(location, position, standId);
        const fs::path download = gf_uniqueTempPath("airport");
        const bool fetched = lf_downloadAddonApf(location, download).empty();
        const double nm = fetched ? lf_nearestStandNm(download, position, standId) : kUnknownStandNm;
        std::error_code ignored;
        fs::remove(download, ignored);
        return nm;
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_readDestApfForClosestStand", e.what());
        return kUnknownStandNm;
    }
}

} // namespace zyn
