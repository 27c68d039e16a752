#include "tools/airport_gen.h"

#include "base/atomic_file.h"
#include "base/path_text.h"
#include "base/version.h"
#include "tools/scenario_gen.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <stdexcept>
#include <unordered_set>

namespace zyn::tools {

namespace fs = std::filesystem;

namespace {

constexpr double kMetresPerDegree = 111120.0;
constexpr std::size_t kRegions = 24;
const char* const kAirlines[] = {"ZYN", "TVO", "QKX", "ABC", "VXA"};
const char* const kTypes[] = {"A320", "B738", "A20N", "E190", "A321", "BCS3"};
const char* const kCargoTypes[] = {"B77L", "B744", "A332"};
const char* const kHeliTypes[] = {"EC35", "H145"};

std::string lf_fixed(double value, int decimals) { return fmt::format("{:.{}f}", value, decimals); }

LatLon lf_offset(LatLon centre, double eastMetres, double northMetres)
{
    return {centre.lat + northMetres / kMetresPerDegree,
            centre.lon + eastMetres / (kMetresPerDegree * std::cos(centre.lat * kDegToRad))};
}

std::string lf_airportCode(std::mt19937& random)
{
    static constexpr char kAlnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uniform_int_distribution<int> letter(0, 25);
    std::uniform_int_distribution<int> alnum(0, 35);
    std::string code(1, kAlnum[letter(random)]);
    for (int i = 0; i < 3; ++i)
        code += kAlnum[alnum(random)];
    return code;
}

std::string lf_slots(std::mt19937& random, int maxLength)
{
    const int length = std::uniform_int_distribution<int>(1, maxLength)(random);
    const int first = std::uniform_int_distribution<int>(0, 48 - length)(random);
    std::string text;
    for (int slot = first; slot < first + length; ++slot)
        text += fmt::format("{}{}", text.empty() ? "" : ",", slot);
    return text;
}

// One use of a stand, as a file records it; numbered n within its stand.
Attributes lf_option(std::mt19937& random, std::size_t n, const char* const* types, std::size_t typeCount)
{
    const std::string airline = kAirlines[random() % std::size(kAirlines)];
    const auto flight = 100 + random() % 900;
    Attributes option{{"reg", fmt::format("TV-{:c}{:c}{:c}", 'A' + random() % 26, 'A' + random() % 26, 'A' + n % 26)},
                      {"airl", airline},
                      {"type", types[random() % typeCount]}};
    if (n % 2 == 1)
        option.emplace_back("soft", "true");
    option.emplace_back("day", std::to_string(1 + random() % 7));
    option.emplace_back("hh", lf_slots(random, 8));
    if (n % 3 == 0)
        option.emplace_back("cs", fmt::format("{}{}:{}{}", airline, flight, airline, flight + 1));
    else
        option.emplace_back("cs", fmt::format("{}{}", airline, flight));
    return option;
}

struct StandRow {
    const char* prefix;
    std::size_t count;
    double northMetres;
    double spacingMetres;
    double radiusMetres;
    const char* kind; // "gate", "ramp", "cargo", "heli"
};

ParkposSpec lf_fullStand(const std::string& id, LatLon at, double headingDeg, double radiusMetres, std::string_view kind)
{
    ParkposSpec stand{{{"id", id},
                       {"latitude", lf_fixed(at.lat, 6)},
                       {"longitude", lf_fixed(at.lon, 6)},
                       {"heading", lf_fixed(headingDeg, 1)},
                       {"radius", lf_fixed(radiusMetres, 1)}},
                      {}};
    if (kind == "heli")
        stand.attributes.emplace_back("heli", "true");
    else
        stand.attributes.emplace_back("cargo", kind == "cargo" ? "true" : "false");
    stand.attributes.emplace_back("ramp", kind == "ramp" ? "true" : "false");
    return stand;
}

const std::string* lf_specAttribute(const Attributes& attributes, std::string_view name)
{
    for (const auto& [key, value] : attributes)
        if (key == name)
            return &value;
    return nullptr;
}

void lf_appendAttributes(pugi::xml_node node, const Attributes& attributes)
{
    for (const auto& [name, value] : attributes)
        node.append_attribute(name.c_str()).set_value(value.c_str());
}

std::string lf_xmlText(const pugi::xml_document& document)
{
    std::ostringstream out;
    document.save(out);
    return out.str();
}

// The demonstration field's stock parking file in the server's archive below downloadsRoot.
void lf_writeDemoStockApf(const DemoAirport& demo, const fs::path& downloadsRoot)
{
    std::mt19937 random(11);
    ApfSpec stock;
    stock.parameters = {{"airport_name", demo.name},
                        {"publisher", "stock"},
                        {"altitude", lf_fixed(demo.elevationFt, 0)},
                        {"num_parkpos", std::to_string(demo.stands.size())}};
    for (const DemoStand& s : demo.stands) {
        ParkposSpec stand = lf_fullStand(s.name, {s.lat, s.lon}, s.headingDeg, 24.0, "gate");
        for (std::size_t n = 0; n < 3; ++n)
            stand.options.push_back(lf_option(random, n, kTypes, std::size(kTypes)));
        stock.stands.push_back(std::move(stand));
    }
    gf_writeApfSpec(stock, downloadsRoot / "MSFS/archive/stock" / (demo.code + ".xml"));
}

Attributes lf_parameter(std::string name, std::string value) { return {{"name", std::move(name)}, {"value", std::move(value)}}; }

} // namespace

std::vector<GeneratedAirport> gf_generateAirports(std::size_t count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<LatLon> regions;
    for (std::size_t i = 0; i < kRegions; ++i)
        regions.push_back({std::uniform_real_distribution<double>(-45.0, 65.0)(random),
                           std::uniform_real_distribution<double>(-170.0, 170.0)(random)});
    std::normal_distribution<double> spread(0.0, 3.0);
    std::unordered_set<std::string> codes;
    std::vector<GeneratedAirport> airports;
    airports.reserve(count);
    while (airports.size() < count) {
        std::string code = lf_airportCode(random);
        if (!codes.insert(code).second)
            continue;
        const LatLon& region = regions[random() % regions.size()];
        GeneratedAirport airport;
        airport.code = std::move(code);
        if (random() % 3 == 0)
            airport.iata = fmt::format("{:c}{:c}{:c}", 'A' + random() % 26, 'A' + random() % 26, 'A' + random() % 26);
        airport.name = fmt::format("Generated field {}", airport.code);
        airport.lat = std::clamp(region.lat + spread(random), -89.0, 89.0);
        airport.lon = std::remainder(region.lon + 1.5 * spread(random), 360.0);
        airport.altitudeFt = std::round(std::uniform_real_distribution<double>(-50.0, 8000.0)(random));
        airports.push_back(std::move(airport));
    }
    return airports;
}

std::string gf_airportsXml(const std::vector<GeneratedAirport>& airports)
{
    std::string text = "<?xml version=\"1.0\"?>\n<airports>\n";
    for (const auto& a : airports) {
        const std::string iata = a.iata.empty() ? "" : fmt::format(" iata=\"{}\"", a.iata);
        text += fmt::format("\t<airport code=\"{}\"{} lat=\"{:.6f}\" lon=\"{:.6f}\" alt=\"{:.0f}\" />\n", a.code, iata,
                            a.lat, a.lon, a.altitudeFt);
    }
    return text + "</airports>\n";
}

std::string gf_airportNamesXml(const std::vector<GeneratedAirport>& airports)
{
    pugi::xml_document document;
    auto root = document.append_child("AirportNames");
    for (const auto& a : airports)
        lf_appendAttributes(root.append_child("airport"), {{"ICAO", a.code}, {"name", a.name}});
    return lf_xmlText(document);
}

std::string gf_apfXml(const ApfSpec& spec)
{
    pugi::xml_document document;
    if (spec.meta) {
        auto meta = document.append_child("meta");
        for (const auto& [name, value] : Attributes{{"author", "Tarvo"},
                                                    {"version", gf_versionToString(g_programVersion)},
                                                    {"date", "Jan 05, 2026"},
                                                    {"copyright", "generated test data"},
                                                    {"MSFS", "2020"}})
            lf_appendAttributes(meta.append_child("info"), {{"name", name}, {"value", value}});
    }
    auto parameters = document.append_child("parameters");
    for (const auto& [name, value] : spec.parameters)
        lf_appendAttributes(parameters.append_child("parameter"), lf_parameter(name, value));
    auto parkpositions = document.append_child("parkpositions");
    for (const auto& stand : spec.stands) {
        auto parkpos = parkpositions.append_child("parkpos");
        lf_appendAttributes(parkpos, stand.attributes);
        for (const auto& option : stand.options)
            lf_appendAttributes(parkpos.append_child("opt"), option);
    }
    return lf_xmlText(document);
}

void gf_writeApfSpec(const ApfSpec& spec, const fs::path& path)
{
    fs::create_directories(path.parent_path().empty() ? fs::path(".") : path.parent_path());
    gf_writeFileAtomic(path, gf_apfXml(spec));
}

ApfSpec gf_stockApf(std::string_view airportName, std::string_view publisher, LatLon centre, std::int32_t altitudeFt,
                    const StandLayout& layout)
{
    std::mt19937 random(layout.seed);
    ApfSpec spec;
    spec.parameters = {{"airport_name", std::string(airportName)},
                       {"publisher", std::string(publisher)},
                       {"altitude", std::to_string(altitudeFt)},
                       {"num_parkpos", "0"}};
    const StandRow rows[] = {{"A", layout.gates, 200.0, 60.0, 26.0, "gate"},
                             {"R", layout.rampStands, -150.0, 35.0, 14.0, "ramp"},
                             {"C", layout.cargoStands, 420.0, 80.0, 36.0, "cargo"},
                             {"H", layout.helipads, -320.0, 40.0, 9.0, "heli"}};
    for (const StandRow& row : rows)
        for (std::size_t i = 0; i < row.count; ++i) {
            // rows wrap every 40 stands, so that large airports stay compact
            const double east = (static_cast<double>(i % 40) - 20.0) * row.spacingMetres;
            const double north = row.northMetres + static_cast<double>(i / 40) * 700.0;
            const double radius = row.radiusMetres + static_cast<double>(random() % 5);
            ParkposSpec stand = lf_fullStand(fmt::format("{}{}", row.prefix, i + 1), lf_offset(centre, east, north),
                                             static_cast<double>(random() % 360), radius, row.kind);
            const std::string_view kind = row.kind;
            for (std::size_t n = 0; n < layout.optionsPerStand; ++n)
                stand.options.push_back(kind == "heli"    ? lf_option(random, n, kHeliTypes, std::size(kHeliTypes))
                                        : kind == "cargo" ? lf_option(random, n, kCargoTypes, std::size(kCargoTypes))
                                                          : lf_option(random, n, kTypes, std::size(kTypes)));
            spec.stands.push_back(std::move(stand));
        }
    spec.parameters[3].second = std::to_string(spec.stands.size());
    return spec;
}

ApfSpec gf_learnedApf(const ApfSpec& stock, std::size_t options, std::size_t manualStands, std::uint32_t seed)
{
    std::mt19937 random(seed);
    ApfSpec spec;
    spec.parameters = {{"airport_name", *lf_specAttribute(stock.parameters, "airport_name")},
                       {"publisher", *lf_specAttribute(stock.parameters, "publisher")},
                       {"num_parkpos", "0"},
                       {"LATERAL_RANGE", "30"},
                       {"AUTO_RANGE", "false"},
                       {"WEEK", "false"},
                       {"PARK_FAKE", "false"},
                       {"PARK_SOFT", "true"},
                       {"parking_percentage", "40"},
                       {"INITIAL_LOAD_ONLY", "false"},
                       {"MAX_FIT", "20"},
                       {"RT_PARKTRAFFIC_ONLY", "false"},
                       {"MAX_LIVE", "150"},
                       {"LEARN_SOFT", "true"}};
    for (std::size_t i = 0; i < stock.stands.size(); ++i) {
        ParkposSpec stand{{{"id", *lf_specAttribute(stock.stands[i].attributes, "id")}}, {}};
        if (i % 10 == 3)
            stand.attributes.insert(stand.attributes.end(), {{"radius_change", "true"}, {"radius", "21.0"}});
        if (i % 15 == 7)
            stand.attributes.insert(stand.attributes.end(), {{"cargo_change", "true"}, {"cargo", "true"}});
        spec.stands.push_back(std::move(stand));
    }
    for (std::size_t n = 0; n < options && !spec.stands.empty(); ++n)
        spec.stands[n % spec.stands.size()].options.push_back(lf_option(random, n, kTypes, std::size(kTypes)));
    const LatLon first{std::stod(*lf_specAttribute(stock.stands.front().attributes, "latitude")),
                       std::stod(*lf_specAttribute(stock.stands.front().attributes, "longitude"))};
    for (std::size_t m = 0; m < manualStands; ++m) {
        ParkposSpec stand = lf_fullStand(fmt::format("M{}", m + 1), lf_offset(first, 30.0 * static_cast<double>(m), -90.0),
                                         90.0, 15.0, "ramp");
        stand.attributes.emplace_back("manual", "true");
        stand.options.push_back(lf_option(random, m, kTypes, std::size(kTypes)));
        spec.stands.push_back(std::move(stand));
    }
    spec.parameters[2].second = std::to_string(spec.stands.size());
    return spec;
}

ApfSpec gf_handmadeApf(const ApfSpec& stock)
{
    ApfSpec spec = stock;
    spec.parameters = {{"airport_name", *lf_specAttribute(stock.parameters, "airport_name")},
                       {"publisher", *lf_specAttribute(stock.parameters, "publisher")},
                       {"handmade", "true"},
                       {"altitude", *lf_specAttribute(stock.parameters, "altitude")},
                       {"num_parkpos", std::to_string(stock.stands.size())},
                       {"Qf_real", "50"},
                       {"Qf_soft", "40"}};
    return spec;
}

void gf_writeAirportArchive(const fs::path& root, const std::vector<GeneratedAirport>& airports,
                            const StandLayout& layout)
{
    for (std::size_t i = 0; i < airports.size(); ++i) {
        const GeneratedAirport& a = airports[i];
        StandLayout own = layout;
        own.seed = layout.seed + static_cast<std::uint32_t>(i);
        const std::string file = a.code + ".xml";
        const auto altitude = static_cast<std::int32_t>(a.altitudeFt);
        gf_writeApfSpec(gf_stockApf(a.name, "stock", {a.lat, a.lon}, altitude, own), root / "MSFS/archive/stock" / file);
        if (i % 3 == 0)
            gf_writeApfSpec(gf_stockApf(a.name, "simaddon", {a.lat, a.lon}, altitude, own),
                            root / "MSFS/archive/simaddon" / file);
        if (i % 5 == 0)
            for (const char* branch : {"MSFS", "MSFS2024"})
                gf_writeApfSpec(gf_stockApf(a.name, kArchivePublisher, {a.lat, a.lon}, altitude, own),
                                root / branch / "archive/thirdparty" / kArchivePublisher / file);
    }
}

void gf_writeDemoAirportData(const fs::path& inputFolder, const fs::path& downloadsRoot)
{
    const DemoAirport demo = gf_demoAirport();
    std::vector<GeneratedAirport> airports = gf_generateAirports(400, 7);
    std::erase_if(airports, [&](const GeneratedAirport& a) { return a.code == demo.code; });
    airports.push_back({demo.code, demo.iata, demo.name, demo.lat, demo.lon, demo.elevationFt});
    fs::create_directories(inputFolder);
    gf_writeFileAtomic(inputFolder / "airports_msfs.xml", gf_airportsXml(airports));
    gf_writeFileAtomic(inputFolder / "airports_msfs_names.xml", gf_airportNamesXml(airports));
    lf_writeDemoStockApf(demo, downloadsRoot);
}

bool gf_addDemoAirport(const fs::path& inputFolder, const fs::path& downloadsRoot)
{
    const DemoAirport demo = gf_demoAirport();
    const fs::path databasePath = inputFolder / "airports_msfs.xml";
    pugi::xml_document database;
    if (!database.load_file(databasePath.c_str()) || !database.child("airports"))
        throw std::runtime_error(gf_utf8FromPath(databasePath) + " is no airports database");
    auto airports = database.child("airports");
    const bool added = !airports.find_child_by_attribute("airport", "code", demo.code.c_str());
    if (added) {
        lf_appendAttributes(airports.append_child("airport"), {{"code", demo.code},
                                                               {"iata", demo.iata},
                                                               {"lat", lf_fixed(demo.lat, 6)},
                                                               {"lon", lf_fixed(demo.lon, 6)},
                                                               {"alt", lf_fixed(demo.elevationFt, 0)}});
        gf_writeFileAtomic(databasePath, lf_xmlText(database));
        const fs::path namesPath = inputFolder / "airports_msfs_names.xml";
        pugi::xml_document names;
        if (!names.load_file(namesPath.c_str()) || !names.child("AirportNames"))
            names.reset();
        auto root = names.child("AirportNames") ? names.child("AirportNames") : names.append_child("AirportNames");
        lf_appendAttributes(root.append_child("airport"), {{"ICAO", demo.code}, {"name", demo.name}});
        gf_writeFileAtomic(namesPath, lf_xmlText(names));
    }
    lf_writeDemoStockApf(demo, downloadsRoot);
    return added;
}

bool gf_writeDemoLearnedApf(const fs::path& learnedFolder)
{
    const DemoAirport demo = gf_demoAirport();
    const fs::path path = learnedFolder / "stock" / (demo.code + ".xml");
    if (fs::exists(path))
        return false;
    ApfSpec learned;
    learned.parameters = {{"airport_name", demo.name},
                          {"publisher", "stock"},
                          {"parking_percentage", std::to_string(demo.parkingPercentage)}};
    gf_writeApfSpec(learned, path);
    return true;
}

} // namespace zyn::tools
