#include "traffic/query_box.h"

#include "base/units.h"
#include "settings/traffic_range.h"

#include <algorithm>
#include <cmath>

namespace zyn {

namespace {
constexpr double kKmPerDegreeLat = 111.2;
constexpr double kMoveThresholdDeg = 0.00015;
} // namespace

QueryBox gf_trafficBoxAround(LatLon centre, double rangeNm)
{
    const double d = rangeNm * kKmPerNm / kKmPerDegreeLat;
    QueryBox box;
    box.top = centre.lat + d;
    box.bottom = centre.lat - d;
    if (box.top >= 90.0 || box.bottom <= -90.0) {
        box.top = std::min(box.top, 90.0);
        box.bottom = std::max(box.bottom, -90.0);
        box.left = -180.0;
        box.right = 180.0;
        return box;
    }
    box.left = gf_destinationPoint(centre, -kPi / 2.0, rangeNm * kFeetPerNm).lon;
    box.right = gf_destinationPoint(centre, kPi / 2.0, rangeNm * kFeetPerNm).lon;
    return box;
}

void gf_updateTrafficBox()
{
    const LatLon user = gf_serviceUserPosition().position;
    if (!gf_positionKnown(user)) return;
    const double range = g_rangeNm.load();
    TrafficClient::BoxState state = g_trafficClient.boxState();
    if (std::fabs(user.lat - state.centre.lat) < kMoveThresholdDeg &&
        std::fabs(user.lon - state.centre.lon) < kMoveThresholdDeg && range == state.range)
        return;
    state.range = range;
    state.centre = user;
    state.box = gf_trafficBoxAround(user, range);
    g_trafficClient.setBoxState(state);
}

} // namespace zyn
