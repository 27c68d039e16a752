// Stand-in until the livery catalogue is built: a short list of {type, title} pairs that the run
// or a test installs. It knows no registration; an empty list matches nothing.
#include "livery/live_livery.h"

#include "core/log.h"

#include <algorithm>

namespace zyn {

namespace {

std::vector<std::pair<std::string, std::string>> g_installed;

const std::pair<std::string, std::string>* lf_findType(std::string_view type)
{
    if (type.empty())
        return nullptr;
    const auto it = std::find_if(g_installed.begin(), g_installed.end(), [type](const auto& e) { return e.first == type; });
    return it == g_installed.end() ? nullptr : &*it;
}

void lf_registrationsNotBuilt()
{
    static bool logged = false;
    if (!logged) {
        logged = true;
        gf_log("gf_lookupRegistration: the registration database is not built yet");
    }
}

} // namespace

void gf_setInstalledLiveLiveries(std::vector<std::pair<std::string, std::string>> liveries)
{
    g_installed = std::move(liveries);
}

void gf_matchLiveAcLivery(AcRecord& a)
{
    if (const auto* e = lf_findType(a.head.type)) {
        a.liveryTitle = e->second;
        a.fsltlTitle = e->second.find("FSLTL_") != std::string::npos ? 1 : 0;
    }
}

bool gf_isKnownAircraftType(std::string_view type) { return lf_findType(type) != nullptr; }

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
