// Registration queries of the aircraft database.
#include "aircraft/aircraft_db.h"

#include <fmt/format.h>

namespace zyn {

std::vector<std::string> gf_registrationVariants(std::string_view reg)
{
    std::vector<std::string> variants;
    // Registrations often arrive without their country prefix's dash; US ones never have one.
    if (reg.size() >= 5 && reg.front() != 'N' && !gf_containsChar(reg, '-')) {
        variants.push_back(fmt::format("{}-{}", reg.substr(0, 2), reg.substr(2)));
        variants.push_back(fmt::format("{}-{}", reg.substr(0, 1), reg.substr(1)));
    }
    variants.emplace_back(reg);
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
    if (reg.empty())
        return std::nullopt;
    for (const auto& spelling : gf_registrationVariants(reg))
        if (auto found = gf_lookupRegistration(spelling))
            return found;
    return std::nullopt;
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
