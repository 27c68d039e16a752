// The stand of an airport's parking file nearest to a position: how the closest-airport rule
// decides between two airports close together.
#include "airport/airports.h"
#include "base/path_text.h"

#include "airport/apf_locations.h"
#include "airport/read_report.h"
#include "base/folders.h"
#include "base/log.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <pugixml.hpp>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr double kUnknownStandNm = 100.0;

struct StandPoint {
    std::string id;
    LatLon at;
};
using StandPoints = std::vector<StandPoint>;

// Server files already fetched for this rule, by location: the park-airport check asks every 16
// seconds while the user stands between two airports, and must not download both files each time.
std::mutex g_fetchedStandsMutex;
std::map<std::string, StandPoints, std::less<>> g_fetchedStands; // under g_fetchedStandsMutex

StandPoints lf_readStandPoints(const fs::path& file)
{
    pugi::xml_document document;
    const auto parkpositions = document.load_file(file.c_str()) ? document.child("parkpositions") : pugi::xml_node();
    StandPoints points;
    for (auto parkpos : parkpositions.children("parkpos"))
        points.push_back({parkpos.attribute("id").as_string(),
                          {gf_fileNumber(parkpos.attribute("latitude").as_string()).value_or(0.0),
                           gf_fileNumber(parkpos.attribute("longitude").as_string()).value_or(0.0)}});
    return points;
}

// The stands of a server file, fetched once per session; empty when it cannot be fetched: asked again
// after the file's or the server's pause (lf_downloadAddonApf); nothing while it is on its way.
std::optional<StandPoints> lf_fetchedStandPoints(const std::string& location)
{
    {
        std::lock_guard lock(g_fetchedStandsMutex);
        if (const auto it = g_fetchedStands.find(location); it != g_fetchedStands.end())
            return it->second;
    }
    const fs::path download = gf_uniqueTempPath("airport");
    const std::optional<std::string> failed = lf_downloadAddonApf(location, download);
    if (!failed)
        return std::nullopt;
    StandPoints points;
    if (failed->empty())
        points = lf_readStandPoints(download);
    std::error_code ignored; // a temporary file of its own, swept at the next start
    gf_removeFile(download, ignored);
    if (failed->empty()) {
        std::lock_guard lock(g_fetchedStandsMutex);
        g_fetchedStands.emplace(location, points);
    }
    return points;
}

double lf_nearestStandNm(const StandPoints& points, LatLon position, std::string& standId)
{
    double best = kUnknownStandNm;
    for (const auto& point : points) {
        const double d = gf_distanceNm(position, point.at);
        if (d < best) {
            standId = point.id;
            best = d;
        }
    }
    return best;
}

} // namespace

void gf_forgetFetchedStands()
{
    std::lock_guard lock(g_fetchedStandsMutex);
    g_fetchedStands.clear();
}

std::optional<double> gf_readDestApfForClosestStand(std::string_view code, LatLon position, std::string& standId)
{
    try {
        const std::optional<std::string> location = gf_getStockApf(code);
        if (!location)
            return std::nullopt;
        if (location->empty())
            return kUnknownStandNm;
        if (location->starts_with(gf_genericUtf8FromPath(g_airportsPath))) // the user's own file may change
            return lf_nearestStandNm(lf_readStandPoints(gf_pathFromUtf8(*location)), position, standId);
        const std::optional<StandPoints> points = lf_fetchedStandPoints(*location);
        if (!points)
            return std::nullopt;
        return lf_nearestStandNm(*points, position, standId);
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_readDestApfForClosestStand", gf_exceptionText(e));
        return kUnknownStandNm;
    }
}

} // namespace zyn
