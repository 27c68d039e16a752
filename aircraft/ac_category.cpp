#include "aircraft/ac_category.h"

#include "settings/settings.h"

#include <array>
#include <set>
#include <stdexcept>
#include <string_view>

namespace zyn {

std::string gf_categoryName(std::uint32_t category)
{
    static constexpr std::array<std::string_view, 6> kNames{"Light", "Buzjets", "Large", "Heavy", "HighPerf",
                                                            "Rotorcraft"};
    if (category >= kNames.size())
        throw std::out_of_range("gf_categoryName: " + std::to_string(category));
    return std::string(kNames[category]);
}

bool gf_categoryEnabled(AcCategory c)
{
    switch (c) {
    case AcCategory::Light: return param::LIGHT_AIRCRAFT.on();
    case AcCategory::HighPerf: return param::HIGH_PERF_AIRCRAFT.on();
    case AcCategory::Rotorcraft: return param::HELICOPTERS.on();
    default: return true;
    }
}

bool gf_isAircraftTarget(const AcHead& head, std::string_view category)
{
    static constexpr std::array<std::string_view, 5> notAircraftCategories{"B1", "B2", "B4", "C1", "C2"};
    static const std::set<std::string, std::less<>> notAircraftTypes{"GRND", "GLID", "SERV", "BALL",
                                                                     "PARA", "SHIP", "EMER"};
    for (const auto c : notAircraftCategories)
        if (category == c)
            return false;
    if (head.type.empty() || head.type.size() > 4)
        return false;
    return !notAircraftTypes.contains(head.type);
}

} // namespace zyn
