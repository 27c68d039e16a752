#include "aircraft/ac_category.h"

#include "settings/settings.h"

#include <array>
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

} // namespace zyn
