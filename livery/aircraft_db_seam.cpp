// Stand-in until the aircraft database is built: an empty database knows no type.
#include "livery/aircraft_db.h"

namespace zyn {

std::atomic<double> g_maxHalfWingspan{0.0};

double gf_wingspan(std::string_view /*type*/) { return 0.0; }

AcCategory gf_aircraftCategory(std::string_view /*type*/) { return AcCategory::Light; }

// Without the database a registration has only its own spelling and no record, no type has a
// similar one, and stored codes are taken as they stand.
std::vector<std::string> gf_registrationVariants(std::string_view registration) { return {std::string(registration)}; }

std::string gf_regOperator(std::string_view /*registration*/) { return {}; }

std::string gf_regAirline(std::string_view /*registration*/) { return {}; }

namespace {
const std::vector<std::string> g_noTypes;
}

const std::vector<std::string>& gf_lookupAirlineTypeList(std::string_view, std::string_view) { return g_noTypes; }

const std::vector<std::string>& gf_substituteTypes(std::string_view) { return g_noTypes; }

void gf_buildSimilarModels() {}

std::string lf_descrambleCode(std::string_view text) { return std::string(text); }

} // namespace zyn
