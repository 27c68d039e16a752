// Stand-in until the aircraft database is built: an empty database knows no type.
#include "livery/aircraft_db.h"

namespace zyn {

std::atomic<double> g_maxHalfWingspan{0.0};

double gf_wingspan(std::string_view /*type*/) { return 0.0; }

AcCategory gf_aircraftCategory(std::string_view /*type*/) { return AcCategory::Light; }

} // namespace zyn
