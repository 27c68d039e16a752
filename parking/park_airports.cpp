#include "parking/park_airport.h"

#include "airport/airport_code.h"
#include "airport/airports.h"
#include "airport/stand_lookup.h"
#include "base/atomic_file.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "platform/system/error_text.h"
#include "shown/status_line.h"
#include "sim/user_aircraft.h"

#include <algorithm>
#include <fstream>
#include <mutex>
#include <optional>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr char kListFile[] = "my_park_airports.txt";
constexpr std::size_t kManyAirports = 3000;
constexpr double kStandingKt = 2.0;

// The simulator link, the exit and the main loop may all want to write the file.
std::mutex g_listFileMutex;

std::string lf_plural(std::size_t count) { return count == 1 ? "" : "s"; }

// A stand name that holds a comma or a quote is written quoted, a quote doubled: "V,12" as "\"V,12\"".
std::string lf_standField(std::string_view stand)
{
    if (stand.find_first_of(",\"") == std::string_view::npos)
        return std::string(stand);
    std::string quoted = "\"";
    for (const char c : stand)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

// The quoted stand name after the line's first comma; nothing when it is not quoted.
std::optional<std::string> lf_quotedStand(std::string_view line)
{
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const std::string rest = gf_trim(line.substr(comma + 1));
    if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"')
        return std::nullopt;
    std::string stand;
    for (std::size_t i = 1; i + 1 < rest.size(); ++i) {
        stand += rest[i];
        if (rest[i] == '"' && rest[i + 1] == '"')
            ++i;
    }
    return stand;
}

std::string lf_entryLine(const std::string& code, const std::string& stand)
{
    return code + "," + lf_standField(stand);
}

std::vector<std::string> lf_fields(std::string_view line)
{
    if (auto stand = lf_quotedStand(line))
        return {gf_trim(line.substr(0, line.find(','))), std::move(*stand)};
    std::vector<std::string> fields = gf_splitString(line, ',');
    if (fields.size() == 1 && fields.front().empty())
        fields.clear();
    return fields;
}

bool lf_listed(const std::vector<ParkAirport>& list, std::string_view code)
{
    return std::any_of(list.begin(), list.end(), [code](const ParkAirport& p) { return p.icao == code; });
}

std::optional<AirportRecord> lf_knownAirport(std::string_view code)
{
    return gf_isAirportCode(code) ? gf_findAirport(code) : std::nullopt;
}

// One line of the file; false when it names an unknown airport.
bool lf_readParkAirportsLine(std::string_view line, std::size_t number, std::vector<ParkAirport>& list)
{
    const std::vector<std::string> fields = lf_fields(line);
    if (fields.empty())
        return true;
    if (fields.size() > 2) {
        gf_logErrorf("{}:{} wrong syntax, skipped (line {})", kListFile, line, number);
        return true;
    }
    const auto airport = lf_knownAirport(fields[0]);
    if (!airport) {
        gf_setStatusMessage(fmt::format("airport {} is unknown ({} line {})", fields[0], kListFile, number), true);
        return false;
    }
    if (lf_listed(list, fields[0])) {
        gf_logErrorf("{}:{} double, skipped (line {})", kListFile, fields[0], number);
        return true;
    }
    list.push_back({fields[0], fields.size() == 2 ? fields[1] : std::string(), airport->lat, airport->lon, 0.0});
    return true;
}

void lf_addThirdpartyParkAirports(std::vector<ParkAirport>& list)
{
    if (!fs::exists(g_myThirdpartyPath))
        return; // a user without add-on files
    const std::size_t before = list.size();
    for (const auto& entry : fs::directory_iterator(g_myThirdpartyPath)) {
        if (!entry.is_directory())
            continue;
        const std::string name = gf_utf8FileName(entry.path());
        if (lf_listed(list, name))
            continue;
        if (const auto airport = lf_knownAirport(name))
            list.push_back({name, {}, airport->lat, airport->lon, 0.0});
    }
    if (list.size() > before)
        gf_logf("{} park airport{} added from my_thirdparty folder(-s) ", list.size() - before,
                lf_plural(list.size() - before));
}

// The lines of the file; false when it exists but cannot be read (it must then stay as it is).
bool lf_readLines(std::vector<std::string>& lines, bool& exists)
{
    std::error_code error;
    exists = fs::exists(g_myParkAirportsPath, error);
    if (!exists)
        return !error;
    if (!fs::is_regular_file(g_myParkAirportsPath, error))
        return false;
    std::ifstream in(g_myParkAirportsPath, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return !in.bad();
}

// Sorted by code only: of two lines of one airport the one that is read stays first.
void lf_writeLines(std::vector<std::string>& lines)
{
    const auto code = [](const std::string& line) { return std::string_view(line).substr(0, line.find(',')); };
    std::stable_sort(lines.begin(), lines.end(),
                     [&](const std::string& a, const std::string& b) { return code(a) < code(b); });
    std::string bytes;
    for (const auto& line : lines)
        bytes += line + '\n';
    gf_writeFileAtomic(g_myParkAirportsPath, bytes);
}

void lf_recordEntry(const ParkAirport& first)
{
    std::lock_guard lock(g_listFileMutex);
    std::vector<std::string> lines;
    bool exists = false;
    if (!lf_readLines(lines, exists)) {
        gf_logErrorf("{} cannot be read, {} is not recorded", gf_genericUtf8FromPath(g_myParkAirportsPath), first.icao);
        return;
    }
    const auto own = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        const auto fields = lf_fields(line);
        return !fields.empty() && fields[0] == first.icao;
    });
    if (own != lines.end()) {
        *own = lf_entryLine(first.icao, first.stand);
        gf_logf("{}:{},{} updated stand", kListFile, first.icao, first.stand);
    } else {
        const std::string entry = first.stand.empty() ? first.icao : lf_entryLine(first.icao, first.stand);
        lines.push_back(entry);
        if (exists)
            gf_logf("{}:{} new entry", kListFile, entry);
        else
            gf_logf("{} created with {}", kListFile, entry);
    }
    try {
        fs::create_directories(g_myParkAirportsPath.parent_path());
        lf_writeLines(lines);
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_addParkAirport", gf_exceptionText(e));
    }
}

} // namespace

std::vector<ParkAirport> gf_parkAirportsCopy()
{
    std::lock_guard lock(g_parkAirportsMutex);
    return g_parkAirports;
}

bool lf_readMyParkAirports()
{
    std::vector<ParkAirport> list;
    bool allKnown = true;
    try {
        std::ifstream in(g_myParkAirportsPath, std::ios::binary);
        if (!in) {
            gf_logf("{} not found", gf_genericUtf8FromPath(g_myParkAirportsPath));
        } else {
            std::string line;
            for (std::size_t number = 1; std::getline(in, line); ++number)
                allKnown = lf_readParkAirportsLine(line, number, list) && allKnown;
            if (!list.empty())
                gf_logf("{} park airport{} read from \"{}\"", list.size(), lf_plural(list.size()), kListFile);
            if (list.size() > kManyAirports)
                gf_setStatusMessage(fmt::format("Warning: There are a lot of airports ({}) in {}, that will cost "
                                                "Tarvo much cpu time, and may give stutters",
                                                list.size(), kListFile),
                                    true);
        }
        lf_addThirdpartyParkAirports(list);
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "lf_readMyParkAirports", gf_exceptionText(e));
        allKnown = false;
    }
    std::lock_guard lock(g_parkAirportsMutex);
    g_parkAirports = std::move(list);
    return allKnown;
}

void gf_addParkAirport()
{
    ParkAirport first;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        if (g_parkAirports.empty())
            return;
        first = g_parkAirports.front();
    }
    lf_recordEntry(first);
}

void gf_addDestinationParkAirport(const std::string& code, LatLon position)
{
    if (!gf_checkAirportCode(code, "gf_addDestinationParkAirport"))
        return;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        const auto listed = std::find_if(g_parkAirports.begin(), g_parkAirports.end(),
                                         [&](const ParkAirport& p) { return p.icao == code; });
        if (listed != g_parkAirports.end()) {
            std::rotate(g_parkAirports.begin(), listed, listed + 1);
            return;
        }
        g_parkAirports.insert(g_parkAirports.begin(), ParkAirport{code, {}, position.lat, position.lon, 0.0});
    }
    // This entry, not whatever another thread put in front meanwhile.
    lf_recordEntry(ParkAirport{code, {}, position.lat, position.lon, 0.0});
}

void gf_checkUserAcAtNewAirport()
{
    if (g_userDataValid.load() == 0 || g_userAc.get().groundSpeed > kStandingKt)
        return;
    const std::string name = gf_closestStandName(gf_positionOf(g_userAcSim.get()));
    const std::string park = gf_parkAirport().icao;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        if (name.empty() || g_parkAirports.empty() || park.empty() || g_parkAirports.front().icao != park ||
            g_parkAirports.front().stand == name)
            return;
        g_parkAirports.front().stand = name;
    }
    lf_recordEntry(ParkAirport{park, name, 0.0, 0.0, 0.0});
}

} // namespace zyn
