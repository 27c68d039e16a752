#pragma once
// Writer of compiled scenery files (BGL) with airports, for tests, fuzz seeds and the
// demonstration: several airports per file with helipads and taxiway parking lists (airline codes
// included), sections of other types before and after the airport section, and the newer airport
// record of the 2024 simulator. Written from the documented layout, not by the program's reader.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zyn::tools {

struct BglParking {
    std::uint8_t nameValue = 10; // "g"
    std::uint32_t type = 8;      // a gate
    std::uint32_t number = 1;
    float radius = 20.0f; // metres
    float heading = 90.0f; // degrees
    double lat = 0.0;
    double lon = 0.0;
    std::vector<std::string> airlines{};
};

struct BglHelipad {
    double lat = 0.0;
    double lon = 0.0;
    float width = 20.0f; // metres
};

struct BglAirportSpec {
    std::string code;
    std::int32_t altitudeMm = 0;
    std::vector<BglHelipad> helipads{};
    std::vector<std::vector<BglParking>> parkingLists{}; // the reader takes the first
};

struct BglFileSpec {
    std::vector<BglAirportSpec> airports{};
    bool sectionsAround = true;       // sections of other types before and after the airports
    bool unrecognisedFirst = false;   // a record of the 2024 airport format before the airports
    bool wideSubsectionEntries = false; // the airport section's size word says 20-byte entries
    bool airportSection = true;         // false: the airports' section has another type
    std::uint32_t otherRecords = 3;     // records in each section of another type
};

std::uint32_t gf_packIdentifier(std::string_view code);
std::uint32_t gf_packLatitude(double lat);
std::uint32_t gf_packLongitude(double lon);

std::vector<std::uint8_t> gf_bglBytes(const BglFileSpec& spec);
void gf_writeBglFile(const BglFileSpec& spec, const std::filesystem::path& path); // creates its folder

// An airport of gates, ramp and cargo stands and a helipad around a centre.
BglAirportSpec gf_bglAirport(std::string_view code, double lat, double lon, std::size_t gates,
                             std::int32_t altitudeMm = 100000);

// A package of the Community folder: "manifest.json" (title, creator, manufacturer) and the
// scenery file "scenery/<name>/<file>".
struct BglPackageSpec {
    std::string folder;
    std::string title;
    std::string creator;
    std::string manufacturer;
    std::string bglName = "airport.bgl";
};
void gf_writeAirportPackage(const std::filesystem::path& community, const BglPackageSpec& package,
                            const BglFileSpec& file);

// The demonstration's add-on airport: a package of an unknown publisher in the Community folder,
// whose airport the scan generates a parking file for.
void gf_writeDemoAddonAirport(const std::filesystem::path& community);
// One small file of each kind into the folder: fuzz seeds and examples.
void gf_writeBglSamples(const std::filesystem::path& folder);

} // namespace zyn::tools
