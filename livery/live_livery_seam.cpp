// Stand-in until the aircraft database is built: a type is known when a livery of it is installed,
// and no registration is known.
#include "livery/live_livery.h"

#include "core/log.h"
#include "livery/livery_index.h"

namespace zyn {

namespace {

void lf_registrationsNotBuilt()
{
    static bool logged = false;
    if (!logged) {
        logged = true;
        gf_log("gf_lookupRegistration: the registration database is not built yet");
    }
}

} // namespace

bool gf_isKnownAircraftType(std::string_view type) { return !type.empty() && gf_hasGenericLivery(type); }

std::string gf_regType(std::string_view)
{
    lf_registrationsNotBuilt();
    return {};
}

std::optional<RegistrationRecord> gf_lookupRegistration(std::string_view)
{
    lf_registrationsNotBuilt();
    return std::nullopt;
}

} // namespace zyn
