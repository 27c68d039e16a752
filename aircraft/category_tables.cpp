#include "aircraft/category_tables.h"

#include "base/geo.h"

#include <array>
#include <stdexcept>

namespace zyn {

namespace {

constexpr double deg(double d) { return d * kDegToRad; }

// Turn rates of 0.15, 0.1, 0.07, 0.05, 0.1 and 0.2 degrees per tick.
const std::array<CategoryConstants, 6> g_categoryTable{{
    {250, 250, 100, 200, -9.0, -15.0, 0.002617993877991494, 0.5, 5.0, deg(40), deg(0.035), deg(0.01), 90},
    {300, 300, 200, 250, -8.0, -18.0, 0.0017453292519943294, 0.75, 4.5, deg(35), deg(0.0275), deg(0.0085), 110},
    {400, 350, 200, 300, -6.0, -16.5, 0.0012217304763960306, 0.6, 4.0, deg(30), deg(0.02), deg(0.0075), 140},
    {450, 450, 250, 400, -5.0, -12.5, 0.0008726646259971647, 0.5, 3.0, deg(20), deg(0.015), deg(0.005), 150},
    {150, 150, 100, 200, -6.0, -20.0, 0.0017453292519943294, 1.0, 4.5, deg(90), deg(0.1), deg(0.03), 220},
    {100, 100, 100, 100, -20.0, -30.0, 0.0034906585039886587, 0.75, 5.0, deg(75), deg(0.06), deg(0.03), 0},
}};

[[noreturn]] void lf_badKey() { throw std::out_of_range("invalid unordered_map<K, T> key"); }

} // namespace

const CategoryConstants& gf_categoryConstants(std::uint32_t code)
{
    if (code >= g_categoryTable.size())
        lf_badKey();
    return g_categoryTable[code];
}

} // namespace zyn
