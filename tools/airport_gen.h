#pragma once
// Generator of airport data for tests, benchmarks and the demonstration: airports databases
// ("airports_msfs.xml", "airports_msfs_names.xml") of any size, airport parking files (stock files
// with gates, ramp stands, cargo stands and helipads and their options by day and half hour, learned
// files with deltas, manual stands and learned options, handmade files), and the download server's
// archive of them. The files are written here from the documented format, not by the program's own
// writer, so that the readers are tested against files they did not make.
#include "base/geo.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zyn::tools {

struct GeneratedAirport {
    std::string code;
    std::string iata; // empty for most
    std::string name;
    double lat = 0.0;
    double lon = 0.0;
    double altitudeFt = 0.0;
};

// count airports with unique codes of a letter and three letters or digits, clustered as real ones
// are (many in a few regions, airports a few miles apart among them); the same seed, the same list.
std::vector<GeneratedAirport> gf_generateAirports(std::size_t count, std::uint32_t seed);
std::string gf_airportsXml(const std::vector<GeneratedAirport>& airports);
std::string gf_airportNamesXml(const std::vector<GeneratedAirport>& airports);

// An airport parking file as elements with their attributes in order.
using Attributes = std::vector<std::pair<std::string, std::string>>;
struct ParkposSpec {
    Attributes attributes{};
    std::vector<Attributes> options{};
};
struct ApfSpec {
    bool meta = true; // the program's meta block
    Attributes parameters{};
    std::vector<ParkposSpec> stands{};
};
std::string gf_apfXml(const ApfSpec& spec);
void gf_writeApfSpec(const ApfSpec& spec, const std::filesystem::path& path); // creates its folder

struct StandLayout {
    std::size_t gates = 20;
    std::size_t rampStands = 6;
    std::size_t cargoStands = 4;
    std::size_t helipads = 2;
    std::size_t optionsPerStand = 2; // real and soft uses, some over several half hours
    std::uint32_t seed = 1;
};
// A stock file: the stands in rows around the centre, with archived options.
ApfSpec gf_stockApf(std::string_view airportName, std::string_view publisher, LatLon centre, std::int32_t altitudeFt,
                    const StandLayout& layout);
// A learned file for a stock file: the per-airport settings, learned options spread over the
// stands (bare form), a few changed radii and cargo uses (delta form) and manual stands in full.
ApfSpec gf_learnedApf(const ApfSpec& stock, std::size_t options, std::size_t manualStands, std::uint32_t seed);
// A handmade file: the stock file's stands in full, its own altitude and quality factors.
ApfSpec gf_handmadeApf(const ApfSpec& stock);

// The download server's archive below root: for each airport a stock file under
// "MSFS/archive/stock/", every third one also under "MSFS/archive/simaddon/", every fifth one from
// a publisher with a blank in its name under "MSFS/archive/thirdparty/<publisher>/" and
// "MSFS2024/archive/thirdparty/<publisher>/".
void gf_writeAirportArchive(const std::filesystem::path& root, const std::vector<GeneratedAirport>& airports,
                            const StandLayout& layout);
inline constexpr char kArchivePublisher[] = "Generated Sceneries";

// The demonstration: "airports_msfs.xml" and "airports_msfs_names.xml" in inputFolder with the
// demonstration airport among generated ones, and its stock file in the archive below
// downloadsRoot ("MSFS/archive/stock/<code>.xml").
void gf_writeDemoAirportData(const std::filesystem::path& inputFolder, const std::filesystem::path& downloadsRoot);
// The demonstration on the program folder's own airports database: the field's entry (and name) added
// to the database in inputFolder only when no airport there has its code, and its stock file in the
// archive below downloadsRoot; true when the entry was added. Throws std::runtime_error when
// inputFolder holds no airports database.
bool gf_addDemoAirport(const std::filesystem::path& inputFolder, const std::filesystem::path& downloadsRoot);
// The field's learned file below the program's learned folder ("stock/<code>.xml"), with the share of
// its stands it wants filled; only when there is none, so that what the program learned there stays.
// True when written.
bool gf_writeDemoLearnedApf(const std::filesystem::path& learnedFolder);

} // namespace zyn::tools
