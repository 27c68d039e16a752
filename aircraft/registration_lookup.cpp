// Registration queries of the aircraft database.
#include "aircraft/aircraft_db.h"

namespace zyn {

std::vector<std::string> gf_registrationVariants(std::string_view reg)
{
    std::vector<std::string> variants;
    gf_visitSpellings(reg, [&](std::string_view spelling) {
        variants.emplace_back(spelling);
        return false;
    });
    return variants;
}

std::optional<RegistrationRecord> gf_lookupRegistration(std::string_view reg)
{
    const auto it = g_registrations.find(std::string(reg));
    if (it == g_registrations.end())
        return std::nullopt;
    return it->second;
}

bool gf_lookupRegistration(std::string_view reg, std::optional<RegistrationRecord>& record)
{
    auto found = gf_lookupRegistration(reg);
    if (!found)
        return false;
    record = std::move(found);
    return true;
}

std::optional<RegistrationRecord> gf_findRegistration(std::string_view reg)
{
    if (reg.empty() || g_registrations.empty())
        return std::nullopt;
    std::optional<RegistrationRecord> found;
    gf_visitSpellings(reg, [&](std::string_view spelling) { return gf_lookupRegistration(spelling, found); });
    return found;
}

void gf_takeRegistrationNames(AcHead& head, const RegistrationRecord& record)
{
    if (!record.airl.empty())
        head.airline = record.airl;
    if (!record.type.empty())
        head.type = record.type;
    if (!record.opr.empty())
        head.airline = record.opr;
}

std::string gf_regOperator(std::string_view reg)
{
    const auto found = gf_findRegistration(reg);
    return found ? found->opr : std::string();
}

std::string gf_regAirline(std::string_view reg)
{
    const auto found = gf_findRegistration(reg);
    return found ? found->airl : std::string();
}

std::string gf_regType(std::string_view reg)
{
    const auto found = gf_findRegistration(reg);
    return found ? found->type : std::string();
}

std::string gf_findPrivateRegPrefix(std::string_view text)
{
    // The smallest such registration, so the answer does not depend on the hash order.
    std::string best;
    for (const auto& [reg, record] : g_registrations)
        if (record.airl == "PVT" && !reg.empty() && reg.size() < 5 && text.find(reg) != std::string_view::npos &&
            (best.empty() || reg < best))
            best = reg;
    return best;
}

} // namespace zyn
