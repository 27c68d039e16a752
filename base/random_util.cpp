#include "base/random_util.h"

#include <algorithm>

namespace zyn {

std::mt19937& gf_randomEngine()
{
    thread_local std::mt19937 engine{std::random_device{}()};
    return engine;
}

std::int32_t gf_randomInt(std::int32_t low, std::int32_t high)
{
    return std::uniform_int_distribution<std::int32_t>(low, high)(gf_randomEngine());
}

void gf_shuffleStrings(std::vector<std::string>& list)
{
    if (list.size() >= 2)
        std::shuffle(list.begin(), list.end(), gf_randomEngine());
}

double gf_randomPercent(double value, double percent)
{
    if (percent <= 0.0)
        return value;
    const double change = value * percent / 100.0;
    return (gf_randomEngine()() & 1u) == 0 ? value + change : value - change;
}

} // namespace zyn
