#pragma once
// The aircraft and airline database ("dbase.xml") and the questions every subsystem asks of it.
// The tables are filled once, by gf_readDbase on the start-up thread before any other thread starts,
// and only read afterwards, so the queries take no lock. Codes are held plain (descrambled).
#include "aircraft/descramble.h"
#include "aircraft/records.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zyn {

// What the database knows of one registration.
struct RegistrationRecord {
    std::string airl; // ICAO airline code, may be empty
    std::string type; // ICAO type designator, may be empty
    std::string opr;  // ICAO code of the company that flies it for the airline, may be empty
    bool cargo = false;
};

// One publisher's airports: each entry an airport code followed by the number of stands of its file.
struct PublisherAirports {
    std::string pub;
    std::vector<std::string> arpts;
};

using TypeSet = std::set<std::string, std::less<>>;
using TypeList = std::vector<std::string>;

extern TypeSet g_aircraftTypes;
extern TypeSet g_largeTypes;
extern TypeSet g_heavyTypes;
extern TypeSet g_buzjetTypes;
extern TypeSet g_rotorcraftTypes;
extern TypeSet g_highPerfTypes;
extern TypeSet g_cargoTypes;                         // kept; no query reads it
extern std::vector<TypeList> g_similarTypeGroups;    // each group sorted
extern TypeSet g_icaoAirlines;
extern TypeSet g_cargoOperators;                     // kept; no query reads it
extern std::vector<std::vector<std::string>> g_publishers; // name first, then further name patterns
extern std::map<std::string, double, std::less<>> g_wingspans; // type -> half span, nautical miles
extern std::array<double, 6> g_defaultWingspans;     // by AcCategory
extern std::atomic<double> g_maxHalfWingspan;
extern std::unordered_map<std::string, std::string> g_modelFixes; // wrong type -> correct type
extern TypeSet g_simAddonAirports;
extern std::vector<PublisherAirports> g_publisherAirports2020;
extern std::vector<PublisherAirports> g_publisherAirports2024;
extern std::unordered_map<std::string, RegistrationRecord> g_registrations;

// Empties every table (a new read, and tests).
void gf_clearDbase();

// Size class, existence and wingspan.
AcCategory gf_aircraftCategory(std::string_view type);
bool gf_isKnownAircraftType(std::string_view type);
bool gf_isIcaoAirline(std::string_view code);
// Half the wingspan in nautical miles: the type's own, else its category's default.
double gf_wingspan(std::string_view type);
bool gf_containsChar(std::string_view text, char ch);

// Registrations. Every look-up by registration tries its spellings in one order (gf_visitSpellings):
// reports and liveries often give a registration without its country prefix's dash.
std::vector<std::string> gf_registrationVariants(std::string_view reg);
// Exact lookup of one spelling; look-ups by registration go through gf_findRegistration.
std::optional<RegistrationRecord> gf_lookupRegistration(std::string_view reg);
bool gf_lookupRegistration(std::string_view reg, std::optional<RegistrationRecord>& record);
// The database's record of the first spelling it knows; empty for an empty registration.
std::optional<RegistrationRecord> gf_findRegistration(std::string_view reg);
// The database's names for an aircraft: its operator, else its airline, and its type. An empty
// field keeps what the aircraft had rather than erase it.
void gf_takeRegistrationNames(AcHead& head, const RegistrationRecord& record);
std::string gf_regOperator(std::string_view reg);
std::string gf_regAirline(std::string_view reg);
std::string gf_regType(std::string_view reg);
// A short private ("PVT") registration that occurs in the text; empty when none.
std::string gf_findPrivateRegPrefix(std::string_view text);

// Calls visit with each spelling of a registration in the order they are tried, until it returns
// true; true when one did. One buffer for all, so a look-up allocates nothing for short registrations.
template <typename Visit> bool gf_visitSpellings(std::string_view reg, Visit&& visit)
{
    // US registrations never have a dash.
    if (reg.size() >= 5 && reg.front() != 'N' && !gf_containsChar(reg, '-')) {
        std::string spelling;
        for (const std::size_t prefix : {std::size_t{2}, std::size_t{1}}) {
            spelling.assign(reg.substr(0, prefix));
            spelling += '-';
            spelling += reg.substr(prefix);
            if (visit(std::string_view(spelling)))
                return true;
        }
    }
    return visit(reg);
}

// Publishers of add-on folders.
bool gf_matchPublisherPattern(std::string_view path, std::string_view pattern);
std::string gf_publisherOfPath(std::string_view path); // "unknown" when no publisher matches
// For an entry of a PublisherAirports list: false when it does not begin with prefix; otherwise
// the number that follows the prefix goes to number (left as it was, with an error line, when
// it does not parse) and the result is true.
bool gf_parsePrefixedNumber(std::string_view label, std::string_view prefix, std::int32_t& number,
                            std::string_view entry);

} // namespace zyn
