#pragma once
// Per-category flight constants, indexed by the AcCategory code (0 Light .. 5 Rotorcraft).
// An unknown code raises std::out_of_range, as a missing table key does.
#include <cstdint>

namespace zyn {

struct CategoryConstants {
    std::uint32_t flareTicks;
    std::uint32_t touchdownTicks;
    std::uint32_t rotationTicks;
    std::uint32_t climbTransitionTicks;
    double rotationPitchDeg;    // before the random spread; negative is nose up
    double climbPitchDeg;       // before the random spread
    double turnRatePerTick;     // radians per tick (live aircraft)
    double categoryFactor;      // live aircraft: the highest climb per tick, feet
    double categorySpeedStep;   // live aircraft: the taxi speed towards and away from a stand, knots
    double maxBank;             // radians
    double maxBankRatePerTick;  // radians per tick
    double maxPitchRatePerTick; // radians per tick
    double rotationSpeedKt;     // reported speed at which the take-off run may rotate
};

const CategoryConstants& gf_categoryConstants(std::uint32_t code);

} // namespace zyn
