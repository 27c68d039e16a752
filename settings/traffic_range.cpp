#include "settings/traffic_range.h"

#include "base/units.h"
#include "settings/settings.h"

namespace zyn {

namespace {
constexpr std::uint32_t kQueryMarginMetres = 10000;
// LATERAL_RANGE's default; a literal because the parameter object lives in another translation
// unit and may not be constructed yet when these are.
constexpr std::int32_t kDefaultRangeNm = 40;
} // namespace

std::atomic<double> g_rangeNm{kDefaultRangeNm};
std::atomic<std::uint32_t> g_rangeMetres{kDefaultRangeNm * kWholeMetresPerNm + kQueryMarginMetres};
std::atomic<std::uint8_t> g_airportRangeMode{0};

namespace {
std::atomic<RangeAdjustment> g_autoRangeAdjustment{nullptr};
} // namespace

void gf_setTrafficRange(std::int32_t nm)
{
    const auto range = param::LATERAL_RANGE.clamp(nm);
    param::LATERAL_RANGE.value = range;
    g_rangeNm = range;
    g_rangeMetres = static_cast<std::uint32_t>(range) * kWholeMetresPerNm + kQueryMarginMetres;
}

void gf_setAutoRangeAdjustment(RangeAdjustment adjustment) { g_autoRangeAdjustment = adjustment; }

void gf_adjustAutoRange()
{
    if (const RangeAdjustment adjust = g_autoRangeAdjustment.load())
        adjust();
}

} // namespace zyn
