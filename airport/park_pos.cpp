#include "airport/park_pos.h"

#include "base/geo.h"
#include "base/log.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace zyn {

std::vector<ParkPos> g_stands;

ParkPos::ParkPos(std::string id, std::vector<ParkPosOption> options, double latDeg, double lonDeg,
                 double headingRad, double radiusMetres, std::int32_t notCargo, std::int32_t notRamp,
                 std::int32_t notHeli)
    : options(std::move(options)), id(std::move(id)), latitude(latDeg), longitude(lonDeg), heading(headingRad),
      radius(radiusMetres * kNmPerMetre), cargo(notCargo == 0), ramp(notRamp == 0), heli(notHeli == 0)
{
    // The maps get their buckets with their first entry: most stands never see one.
    realSeen.max_load_factor(1.0f);
    softSeen.max_load_factor(1.0f);
    adjacent.reserve(8);
}

ParkPos* gf_standBySid(std::uint32_t sid)
{
    if (sid == 0)
        return nullptr;
    if (sid <= g_stands.size() && g_stands[sid - 1].sid == sid)
        return &g_stands[sid - 1]; // numbered in list order
    for (auto& stand : g_stands)
        if (stand.sid == sid)
            return &stand;
    return nullptr;
}

void gf_numberStands(std::vector<ParkPos>& stands)
{
    std::uint32_t sid = 0;
    for (auto& stand : stands)
        stand.sid = ++sid;
}

namespace {

constexpr double kOverlapMargin = 1.1;

} // namespace

// Two stands can overlap only when they lie closer than twice the largest radius / 1.1, which bounds
// their difference of latitude and, away from the poles, of longitude. So each stand is compared
// with the few that follow it in latitude order: n log n, not n x n.
void gf_linkOverlappingStands(std::vector<ParkPos>& stands)
{
    double largestRadius = 0.0;
    double largestLatitude = 0.0;
    for (auto& stand : stands) {
        stand.adjacent.clear();
        largestRadius = std::max(largestRadius, stand.radius);
        largestLatitude = std::max(largestLatitude, std::fabs(stand.latitude));
    }
    const double reachNm = 2.0 * largestRadius / kOverlapMargin * (1.0 + 1e-6) + 1e-9;
    const double latitudeBand = reachNm / kNmPerDegreeOfLatitude;
    const double longitudeBand = gf_longitudeReachDeg(reachNm, largestLatitude + latitudeBand);
    std::vector<std::size_t> byLatitude(stands.size());
    std::iota(byLatitude.begin(), byLatitude.end(), std::size_t{0});
    std::ranges::sort(byLatitude, {}, [&](std::size_t i) { return stands[i].latitude; });
    // The positions packed in that order: the band test reads many stands per stand, and most of
    // them are too far east or west; only a close pair is looked up in the stand list.
    std::vector<LatLon> places(byLatitude.size());
    for (std::size_t i = 0; i < byLatitude.size(); ++i)
        places[i] = {stands[byLatitude[i]].latitude, stands[byLatitude[i]].longitude};
    bool cut = false;
    for (std::size_t i = 0; i < byLatitude.size(); ++i) {
        ParkPos& a = stands[byLatitude[i]];
        for (std::size_t j = i + 1; j < byLatitude.size(); ++j) {
            if (places[j].lat - places[i].lat > latitudeBand)
                break;
            const double apart = std::fabs(places[j].lon - places[i].lon);
            if (std::min(apart, 360.0 - apart) > longitudeBand)
                continue;
            ParkPos& b = stands[byLatitude[j]];
            // Once a full list has been met, pairs with a full list are not even measured.
            const bool full = a.adjacent.size() >= kMostAdjacentStands || b.adjacent.size() >= kMostAdjacentStands;
            if (a.sid == b.sid || (full && cut))
                continue;
            if (!(a.radius + b.radius > kOverlapMargin * gf_distanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude})))
                continue;
            cut = cut || full;
            if (!full) {
                a.adjacent.push_back(b.sid);
                b.adjacent.push_back(a.sid);
            }
        }
    }
    if (cut)
        gf_logf("Stands that overlap more than {0} others: only {0} of them are listed for each", kMostAdjacentStands);
    // The lists keep the room their stand was made with: shrinking each would cost an allocation.
    for (auto& stand : stands)
        std::ranges::sort(stand.adjacent);
}

namespace {

// One piece of an hour list: optional "-", then digits; trailing characters are ignored. A slot is
// 0..47 ("-0" is 0); anything else, a value beyond 32 bits included, is invalid.
bool lf_parseSlot(std::string_view piece, std::int32_t& slot)
{
    std::size_t i = 0;
    const bool negative = !piece.empty() && piece[0] == '-';
    if (negative)
        ++i;
    if (i == piece.size() || piece[i] < '0' || piece[i] > '9')
        return false;
    std::int64_t value = 0;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
        value = value * 10 + (piece[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return false;
    }
    if (negative)
        value = -value;
    if (value < 0 || value >= std::int64_t(kSlotsPerDay))
        return false;
    slot = std::int32_t(value);
    return true;
}

// The common list: slots of one or two digits, each ended by a comma or the end. False for anything
// else, which the piecewise reading handles and reports.
bool lf_plainHours(const char* text, std::uint64_t& bits)
{
    bits = 0;
    while (true) {
        if (*text < '0' || *text > '9')
            return false;
        std::uint32_t slot = static_cast<std::uint32_t>(*text++ - '0');
        if (*text >= '0' && *text <= '9')
            slot = slot * 10 + static_cast<std::uint32_t>(*text++ - '0');
        if (slot >= kSlotsPerDay)
            return false;
        bits |= std::uint64_t{1} << slot;
        if (*text == '\0')
            return true;
        if (*text++ != ',')
            return false;
    }
}

} // namespace

std::uint64_t gf_hours2bitset(std::string_view text)
{
    std::uint64_t bits = 0;
    if (text.empty())
        return bits;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view piece = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
        std::int32_t slot = 0;
        if (lf_parseSlot(piece, slot))
            bits |= std::uint64_t{1} << slot;
        else
            gf_logf("{} invalid hour \"{}\" in {}", "gf_hours2bitset", piece, text);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return bits;
}

std::uint64_t gf_hours2bitset(const char* text)
{
    std::uint64_t bits = 0;
    if (lf_plainHours(text, bits))
        return bits;
    return gf_hours2bitset(std::string_view(text));
}

std::string gf_hoursText(std::uint64_t halfHours)
{
    std::string text;
    for (std::uint32_t n = 0; n < kSlotsPerDay; ++n)
        if (halfHours & (std::uint64_t{1} << n))
            text += fmt::format("{},", n);
    if (!text.empty())
        text.pop_back();
    return text;
}

} // namespace zyn
