#pragma once
// Queries of the aircraft database that other subsystems make.
#include "core/records.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// Half the wingspan of an ICAO type in nautical miles: the type's own, else its category's default.
double gf_wingspan(std::string_view type);
// The category of an ICAO type; Light when no type list names it.
AcCategory gf_aircraftCategory(std::string_view type);
// The largest half wingspan the database holds.
extern std::atomic<double> g_maxHalfWingspan;

// The spellings under which a registration is looked up, in the order to try them.
std::vector<std::string> gf_registrationVariants(std::string_view registration);
// Operator and airline of the first spelling of a registration that the database holds; empty when none.
std::string gf_regOperator(std::string_view registration);
std::string gf_regAirline(std::string_view registration);
// Similar types of which the airline has liveries, in a fresh random order; valid until the next call.
const std::vector<std::string>& gf_lookupAirlineTypeList(std::string_view airline, std::string_view type);
// The types that may stand in for a type; valid until the next call.
const std::vector<std::string>& gf_substituteTypes(std::string_view type);
// The similar-model tables, once the livery index exists.
void gf_buildSimilarModels();
// A registration as the data files store it, made plain.
std::string lf_descrambleCode(std::string_view text);

} // namespace zyn
