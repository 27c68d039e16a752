#pragma once
// How well an airport's stands are described by their options: a real and a soft factor, each 0 to
// 100, or -1 when no stand has any option. The pair travels as one value: real in the low 32 bits,
// soft in the high 32 bits, each a signed 32-bit number.
#include "airport/park_pos.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zyn {

inline constexpr std::uint64_t kNoQualityFactors = ~std::uint64_t{0}; // -1 in both halves

constexpr std::uint64_t gf_qualityPair(std::int32_t real, std::int32_t soft)
{
    return static_cast<std::uint32_t>(real) | (std::uint64_t{static_cast<std::uint32_t>(soft)} << 32);
}
constexpr std::int32_t gf_qualityReal(std::uint64_t pair) { return static_cast<std::int32_t>(pair & 0xffffffffu); }
constexpr std::int32_t gf_qualitySoft(std::uint64_t pair) { return static_cast<std::int32_t>(pair >> 32); }

// The bits set in a value, counted in a few steps: std::popcount becomes a library call on a build
// without the processor's popcount instruction, and the factor counts bits of every option.
constexpr std::uint32_t gf_bitCount(std::uint64_t bits)
{
    bits -= (bits >> 1) & 0x5555555555555555u;
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<std::uint32_t>((bits * 0x0101010101010101u) >> 56);
}

// Computed from the stands.
std::uint64_t gf_qualityFactor(const std::vector<ParkPos>& stands = g_stands);

// The short text of a pair: two blanks when both are negative, "{:2}/{:2}" (real, soft) when the
// real one is below 45, else the real one alone.
std::string lf_qualityPairText(std::uint64_t pair);

} // namespace zyn
