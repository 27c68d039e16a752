#pragma once
// Similar types that have an installed livery: the aircraft database's groups of similar types
// narrowed to what the livery index holds, for the matching ladder's steps 3 and 6.
#include "aircraft/aircraft_db.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace zyn {

extern std::unordered_map<std::string, TypeList> g_similarTypesWithLivery;
extern std::unordered_map<std::string, std::unordered_map<std::string, TypeList>> g_airlineSimilarTypes;

// Built by the livery index build, from the index's generic and airline liveries.
void gf_buildSimilarModels();
// Empties both similar-type tables (before the index is rebuilt).
void gf_clearSimilarModels();
// The types that may stand in for `type`: its similar types with a generic livery (shuffled), else
// one drawn from its category's pool (Light, Buzjets, Rotorcraft only), else none. The list stays
// valid until the next call; main-loop thread only.
const TypeList& gf_substituteTypes(std::string_view type);
// The similar types of which the airline has liveries (shuffled); empty when none.
const TypeList& gf_lookupAirlineTypeList(std::string_view airline, std::string_view type);

} // namespace zyn
