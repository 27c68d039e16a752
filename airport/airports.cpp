#include "airport/airports.h"
#include "base/path_text.h"

#include "airport/airport_code.h"
#include "airport/read_report.h"
#include "base/errors.h"
#include "base/folders.h"
#include "base/log.h"
#include "platform/system/error_text.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace zyn {

namespace fs = std::filesystem;

std::vector<AirportRecord> g_airports;
std::atomic<bool> g_airportsRead{false};
std::unordered_map<std::string, std::string> g_airportNames;

namespace {

constexpr std::int32_t kXmlQueryError = 87;
constexpr std::int32_t kDatabaseError = 88;
constexpr double kClosestAirportNm = 5.0;

const fs::path g_airportsFile = g_inputPath / "airports_msfs.xml";
const fs::path g_airportNamesFile = g_inputPath / "airports_msfs_names.xml";

// The airports by latitude, so that a position's neighbours are found without a walk over all.
struct LatitudeEntry {
    double lat;
    double lon;
    std::uint32_t index;
};
std::vector<LatitudeEntry> g_airportsByLatitude;

// The last choice between two close airports that was logged (main loop): the park-airport check
// asks every 16 seconds while the user stands there, and the log says it once until it changes.
std::string g_loggedChoice;

std::optional<double> lf_readAirportValue(pugi::xml_node element, const char* name, double limit,
                                          std::string& error)
{
    const auto attribute = element.attribute(name);
    if (!attribute) {
        error = fmt::format("{} missing", name);
        return std::nullopt;
    }
    const auto value = gf_fileNumber(attribute.value());
    if (!value)
        error = fmt::format("{} \"{}\" is no number", name, attribute.value());
    else if (std::fabs(*value) > limit)
        error = fmt::format("{} {} out of range", name, *value);
    return error.empty() ? value : std::nullopt;
}

// One "airport" element; nothing, reported, when it is broken.
std::optional<AirportRecord> lf_readAirportElement(pugi::xml_node element, std::string code, std::size_t number,
                                            ReadReport& report)
{
    // Named only for a report: formatting it for every good entry would cost more than reading it.
    const auto label = [&] {
        return code.empty() ? fmt::format("airport {}", number) : fmt::format("airport \"{}\"", code);
    };
    if (!gf_isAirportCode(code)) {
        report.skip(label(), code.empty() ? "no code" : "code of other characters than letters and digits");
        return std::nullopt;
    }
    std::string error;
    const auto alt = lf_readAirportValue(element, "alt", kHighestAirportFt, error);
    const auto lat = error.empty() ? lf_readAirportValue(element, "lat", 90.0, error) : std::nullopt;
    const auto lon = error.empty() ? lf_readAirportValue(element, "lon", 180.0, error) : std::nullopt;
    if (error.empty() && *alt < kLowestAirportFt)
        error = fmt::format("alt {} out of range", *alt);
    if (!error.empty()) {
        report.skip(label(), error);
        return std::nullopt;
    }
    return AirportRecord{std::move(code), element.attribute("iata").as_string(), *lat, *lon, *alt};
}

std::vector<AirportRecord> lf_readAirportsDocument(const pugi::xml_document& document, const std::string& label)
{
    const auto root = document.child("airports");
    if (!root)
        throw std::runtime_error(fmt::format("{} not found", label));
    ReadReport report(label);
    std::vector<AirportRecord> airports;
    airports.reserve(static_cast<std::size_t>(std::distance(root.children("airport").begin(), root.children("airport").end())));
    std::size_t number = 0;
    for (auto element = root.child("airport"); element; element = element.next_sibling("airport"))
        if (auto airport = lf_readAirportElement(element, element.attribute("code").as_string(), ++number, report))
            airports.push_back(std::move(*airport));
    report.finish();
    return airports;
}

// Sorted by code, equal codes keeping their file order, and indexed by latitude.
void lf_installAirports(std::vector<AirportRecord> airports)
{
    if (!std::ranges::is_sorted(airports, {}, &AirportRecord::icao)) // the shipped file comes sorted
        std::ranges::stable_sort(airports, {}, &AirportRecord::icao);
    airports.shrink_to_fit();
    std::vector<LatitudeEntry> byLatitude;
    byLatitude.reserve(airports.size());
    for (std::size_t i = 0; i < airports.size(); ++i)
        byLatitude.push_back({airports[i].lat, airports[i].lon, static_cast<std::uint32_t>(i)});
    std::ranges::sort(byLatitude, {}, &LatitudeEntry::lat);
    g_airports = std::move(airports);
    g_airportsByLatitude = std::move(byLatitude);
}

} // namespace

std::vector<AirportRecord> gf_parseAirports(std::string_view bytes, const std::string& label)
{
    pugi::xml_document document;
    if (const pugi::xml_parse_result loaded = document.load_buffer(bytes.data(), bytes.size()); !loaded)
        throw std::runtime_error(fmt::format("{} not loaded {}", label, loaded.description()));
    return lf_readAirportsDocument(document, label);
}

bool gf_readAirports()
{
    if (g_airportsRead.load())
        return !g_airports.empty();
    const std::string label = gf_genericUtf8FromPath(g_airportsFile);
    try {
        lf_installAirports({});
        pugi::xml_document document;
        if (const pugi::xml_parse_result loaded = document.load_file(g_airportsFile.c_str()); !loaded)
            throw std::runtime_error(fmt::format("{} not loaded {}", label, loaded.description()));
        lf_installAirports(lf_readAirportsDocument(document, label));
    } catch (const pugi::xpath_exception& e) {
        throw UserErrorException(kXmlQueryError, e.what());
    } catch (const std::exception& e) {
        throw UserErrorException(kDatabaseError, gf_exceptionText(e));
    }
    gf_logf("{} airports read from \"{}\"", g_airports.size(), label);
    g_airportsRead = true;
    return !g_airports.empty();
}

bool gf_readAirportNames()
{
    pugi::xml_document document;
    if (document.load_file(g_airportNamesFile.c_str()))
        for (auto airport : document.child("AirportNames").children("airport"))
            g_airportNames.emplace(airport.attribute("ICAO").as_string(), airport.attribute("name").as_string());
    gf_logf("{} airport names read from \"{}\"", g_airportNames.size(), gf_genericUtf8FromPath(g_airportNamesFile));
    return !g_airportNames.empty();
}

void gf_resetAirports()
{
    lf_installAirports({});
    g_loggedChoice.clear();
    g_airportNames.clear();
    g_airportsRead = false;
}

std::optional<AirportRecord> gf_findAirport(std::string_view code)
{
    const auto it = std::ranges::lower_bound(g_airports, code, std::less<>{}, &AirportRecord::icao);
    if (it == g_airports.end() || it->icao != code)
        return std::nullopt;
    return *it;
}

NearAirports gf_nearAirports(LatLon position)
{
    // Only airports in a band of latitude (and, away from the poles, of longitude) can be that near.
    const double latitudeBand = kClosestAirportNm / kNmPerDegreeOfLatitude * (1.0 + 1e-6) + 1e-9;
    const double longitudeBand = gf_longitudeReachDeg(kClosestAirportNm, std::fabs(position.lat) + latitudeBand);
    const auto first = std::ranges::lower_bound(g_airportsByLatitude, position.lat - latitudeBand, {}, &LatitudeEntry::lat);
    std::vector<std::pair<std::uint32_t, double>> inReach; // index, distance
    for (auto it = first; it != g_airportsByLatitude.end() && it->lat <= position.lat + latitudeBand; ++it) {
        const double apart = std::fabs(it->lon - position.lon);
        if (std::min(apart, 360.0 - apart) > longitudeBand)
            continue;
        const double d = gf_distanceNm(position, {it->lat, it->lon});
        if (d <= kClosestAirportNm)
            inReach.emplace_back(it->index, d);
    }
    std::ranges::sort(inReach); // database order, as the rule walks it
    NearAirports result;
    double bestNm = 100.0;
    for (const auto& [index, d] : inReach)
        if (d < bestNm) {
            result.neighbour = result.best;
            result.best = index;
            bestNm = d;
        }
    return result;
}

ClosestAirport gf_closestAirport(LatLon position)
{
    const NearAirports found = gf_nearAirports(position);
    if (!found.best || !found.neighbour)
        g_loggedChoice.clear(); // a pair met again later is logged again
    if (!found.best)
        return {};
    const AirportRecord& best = g_airports[*found.best];
    if (!found.neighbour)
        return {best};
    const AirportRecord& neighbour = g_airports[*found.neighbour];
    std::string bestStand;
    std::string neighbourStand;
    const std::optional<double> d1 = gf_readDestApfForClosestStand(best.icao, position, bestStand);
    if (!d1)
        return {.airport = std::nullopt, .fileUnderWay = true, .awaited = best};
    const std::optional<double> d2 = gf_readDestApfForClosestStand(neighbour.icao, position, neighbourStand);
    if (!d2)
        return {.airport = std::nullopt, .fileUnderWay = true, .awaited = neighbour};
    const AirportRecord& chosen = *d2 >= *d1 ? best : neighbour;
    const std::string choice = fmt::format("{} {} {}", best.icao, neighbour.icao, chosen.icao);
    if (choice != g_loggedChoice) {
        g_loggedChoice = choice;
        gf_logf("Airport {} is closest, neighbour is {}", best.icao, neighbour.icao);
        if (&chosen == &neighbour)
            gf_logf("Airport {} is closest, but stand {} at neighbouring airport {} is closest at {:.0F} meters ...",
                    best.icao, neighbourStand, neighbour.icao, *d2 * kMetresPerNm);
    }
    return {chosen};
}

bool lf_containsDashedWord(std::string_view text, const AirportRecord& airport)
{
    std::string pattern = fmt::format("-{}-", airport.icao);
    if (text.find(pattern) != std::string_view::npos)
        return true;
    std::ranges::transform(pattern, pattern.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.find(pattern) != std::string_view::npos;
}

std::string gf_displayLabel(const AirportRecord& airport)
{
    std::string label = airport.icao.empty() ? "?" : airport.icao;
    if (!airport.iata.empty())
        label += fmt::format(" ({})", airport.iata);
    return label;
}

} // namespace zyn
