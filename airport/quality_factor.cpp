#include "airport/quality_factor.h"

#include "base/log.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace zyn {

namespace {

constexpr double kFactorScale = 0.00625;
constexpr double kSmallStandWeight = static_cast<double>(0.3f); // as the factor has always been computed

// Stands are weighed by size: small ones (at most 7 m) count little, middling ones (up to 10 m) most.
double lf_standWeight(const ParkPos& stand)
{
    const double metres = stand.radius * kMetresPerNm;
    if (metres <= 7.0)
        return kSmallStandWeight;
    return metres <= 10.0 ? 1.5 : 1.0;
}

// What one stand's valid options of one kind (real or soft) add up to.
struct OptionTally {
    std::uint32_t count = 0;
    std::uint32_t days = 0; // bit d: day d seen
    std::uint64_t slots = 0;
    std::uint64_t slotUses = 0;

    void add(const ParkPosOption& option)
    {
        ++count;
        if (option.day >= 1 && option.day <= 7)
            days |= 1u << option.day;
        const std::uint64_t hours = option.halfHours & ((std::uint64_t{1} << kSlotsPerDay) - 1);
        slots |= hours;
        slotUses += gf_bitCount(hours);
    }

    // The stand's term; 0 without any option.
    double term() const
    {
        if (count == 0)
            return 0.0;
        return 12.5 * gf_bitCount(slots) + std::min(20.0 * count, 4000.0) + 10000.0 + 100.0 * gf_bitCount(days) +
               2.0 * static_cast<double>(std::min<std::uint64_t>(slotUses, 600));
    }
};

std::int32_t lf_factor(double sum, double weight)
{
    const double q = std::round(sum / weight * kFactorScale);
    return q <= 0.0 ? 0 : q >= 100.0 ? 100 : static_cast<std::int32_t>(q);
}

} // namespace

std::uint64_t gf_qualityFactor(const std::vector<ParkPos>& stands)
{
    try {
        if (std::ranges::none_of(stands, [](const ParkPos& s) { return !s.options.empty(); }))
            return kNoQualityFactors;
        double weight = 0.0;
        double realSum = 0.0;
        double softSum = 0.0;
        for (const auto& stand : stands) {
            OptionTally real;
            OptionTally soft;
            for (const auto& option : stand.options) {
                if (option.number == 0)
                    continue;
                if (option.real == 1)
                    real.add(option);
                else if (option.real == 0)
                    soft.add(option);
            }
            const double w = lf_standWeight(stand);
            weight += w;
            realSum += real.term() * w;
            softSum += soft.term() * w;
        }
        if (!(weight > 0.0))
            return gf_qualityPair(0, 0);
        return gf_qualityPair(lf_factor(realSum, weight), lf_factor(softSum, weight));
    } catch (const std::exception& e) {
        gf_logErrorf("{} {}", "gf_qualityFactor", e.what());
        return gf_qualityPair(0, 0);
    }
}

std::string lf_qualityPairText(std::uint64_t pair)
{
    const std::int32_t real = gf_qualityReal(pair);
    const std::int32_t soft = gf_qualitySoft(pair);
    if (real < 0 && soft < 0)
        return "  ";
    if (real < 45)
        return fmt::format("{:2}/{:2}", real, soft);
    return fmt::format("{:2}", real);
}

} // namespace zyn
