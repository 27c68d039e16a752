#pragma once
// Random numbers: one Mersenne Twister per thread, seeded from the hardware source at first use.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zyn {

std::mt19937& gf_randomEngine();

// A uniform draw from the closed range [low, high].
std::int32_t gf_randomInt(std::int32_t low, std::int32_t high);

void gf_shuffleStrings(std::vector<std::string>& list);

// value plus or minus value * percent / 100, the sign drawn with equal chance; percent <= 0 gives value.
double gf_randomPercent(double value, double percent);

} // namespace zyn
