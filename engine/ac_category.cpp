#include "engine/ac_category.h"

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

} // namespace zyn
