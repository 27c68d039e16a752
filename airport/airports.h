#pragma once
// The airports database: every known airport with its position, read once at start-up from
// "airports_msfs.xml" in the "input" folder (and the optional display names from
// "airports_msfs_names.xml"), then only read: look-ups by code, the closest airport to a position,
// display labels. The add-on airport scan is its own module.
#include "airport/airport_record.h"
#include "base/geo.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zyn {

extern std::vector<AirportRecord> g_airports; // ascending by code; equal codes in file order
extern std::atomic<bool> g_airportsRead;
extern std::unordered_map<std::string, std::string> g_airportNames; // code -> display name

// Reads the database into g_airports on the first call (later calls only answer); true when it
// holds an airport. Entries that are broken (no code, an unusable code, a missing or out-of-range
// position or elevation) are reported and skipped. A file that cannot be loaded or is no airports
// database raises UserErrorException 88 (87 for an error of the XML query layer); g_airports then
// stays empty.
bool gf_readAirports();
// The airports of a database's bytes, in file order; label names the file in the log. Throws
// std::runtime_error when the bytes are no airports database.
std::vector<AirportRecord> gf_parseAirports(std::string_view bytes, const std::string& label);
// Reads "airports_msfs_names.xml" into g_airportNames (a code's first name stays); true when the
// map holds a name. A missing or broken file changes nothing.
bool gf_readAirportNames();
// Empties the database (tests).
void gf_resetAirports();

// The first airport with exactly this code (case matters).
std::optional<AirportRecord> gf_findAirport(std::string_view code);

// The airports within 5 NM of a position, as the closest-airport rule walks them in database order:
// best is the nearest, neighbour the one that was best just before it (not necessarily the second
// nearest). Indices into g_airports.
struct NearAirports {
    std::optional<std::size_t> best;
    std::optional<std::size_t> neighbour;
};
NearAirports gf_nearAirports(LatLon position);
// The closest airport within 5 NM (none when there is none); when a neighbour is also that close,
// the one of the two whose parking file has the stand nearest to the position, logged when that
// choice is made and again only when it changes. While one of their files is on its way from the
// server nothing is decided (fileUnderWay, awaited the airport whose file that is): a later check decides.
struct ClosestAirport {
    std::optional<AirportRecord> airport;
    bool fileUnderWay = false;
    std::optional<AirportRecord> awaited{};
};
ClosestAirport gf_closestAirport(LatLon position);
// Distance in NM from the position to the nearest stand of the airport's parking file, that stand's
// id in standId; 100.0 when it cannot tell; nothing while the file is on its way from the server.
std::optional<double> gf_readDestApfForClosestStand(std::string_view code, LatLon position, std::string& standId);
// Forgets the server files that look-up fetched (a new session fetches them again).
void gf_forgetFetchedStands();

// Whether the text holds the code between hyphens: "-EDDF-" or "-eddf-".
bool lf_containsDashedWord(std::string_view text, const AirportRecord& airport);
// "EHAM (AMS)", "EHAM" without an IATA code, "? (AMS)" without a code.
std::string gf_displayLabel(const AirportRecord& airport);

// The add-on airport scan (run at start-up when SCAN_AIRPORTS is on).
void gf_scanAirports();

} // namespace zyn
