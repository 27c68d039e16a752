#pragma once
// Queries of the aircraft database that other subsystems make.
#include "core/records.h"

#include <atomic>
#include <string_view>

namespace zyn {

// Half the wingspan of an ICAO type in nautical miles: the type's own, else its category's default.
double gf_wingspan(std::string_view type);
// The category of an ICAO type; Light when no type list names it.
AcCategory gf_aircraftCategory(std::string_view type);
// The largest half wingspan the database holds.
extern std::atomic<double> g_maxHalfWingspan;

} // namespace zyn
