#include "aircraft/aircraft_db.h"

namespace zyn {

TypeSet g_aircraftTypes;
TypeSet g_largeTypes;
TypeSet g_heavyTypes;
TypeSet g_buzjetTypes;
TypeSet g_rotorcraftTypes;
TypeSet g_highPerfTypes;
TypeSet g_cargoTypes;
std::vector<TypeList> g_similarTypeGroups;
TypeSet g_icaoAirlines;
TypeSet g_cargoOperators;
std::vector<std::vector<std::string>> g_publishers;
std::map<std::string, double, std::less<>> g_wingspans;
std::array<double, 6> g_defaultWingspans{};
std::atomic<double> g_maxHalfWingspan{0.0};
std::unordered_map<std::string, std::string> g_modelFixes;
TypeSet g_simAddonAirports;
std::vector<PublisherAirports> g_publisherAirports2020;
std::vector<PublisherAirports> g_publisherAirports2024;
std::unordered_map<std::string, RegistrationRecord> g_registrations;

void gf_clearDbase()
{
    for (TypeSet* set : {&g_aircraftTypes, &g_largeTypes, &g_heavyTypes, &g_buzjetTypes, &g_rotorcraftTypes,
                         &g_highPerfTypes, &g_cargoTypes, &g_icaoAirlines, &g_cargoOperators, &g_simAddonAirports})
        set->clear();
    g_similarTypeGroups.clear();
    g_publishers.clear();
    g_wingspans.clear();
    g_defaultWingspans.fill(0.0);
    g_maxHalfWingspan = 0.0;
    g_modelFixes.clear();
    g_publisherAirports2020.clear();
    g_publisherAirports2024.clear();
    g_registrations.clear();
}

AcCategory gf_aircraftCategory(std::string_view type)
{
    // The order decides for a type that two class lists name.
    if (g_largeTypes.contains(type))
        return AcCategory::Large;
    if (g_heavyTypes.contains(type))
        return AcCategory::Heavy;
    if (g_buzjetTypes.contains(type))
        return AcCategory::Buzjets;
    if (g_rotorcraftTypes.contains(type))
        return AcCategory::Rotorcraft;
    if (g_highPerfTypes.contains(type))
        return AcCategory::HighPerf;
    return AcCategory::Light;
}

bool gf_isKnownAircraftType(std::string_view type) { return !type.empty() && g_aircraftTypes.contains(type); }

bool gf_isIcaoAirline(std::string_view code) { return !code.empty() && g_icaoAirlines.contains(code); }

double gf_wingspan(std::string_view type)
{
    if (const auto it = g_wingspans.find(type); it != g_wingspans.end())
        return it->second;
    return g_defaultWingspans[static_cast<std::size_t>(gf_aircraftCategory(type))];
}

bool gf_containsChar(std::string_view text, char ch) { return text.find(ch) != std::string_view::npos; }

} // namespace zyn
