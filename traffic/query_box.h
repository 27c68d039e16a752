#pragma once
// The latitude/longitude box around the user in which live traffic is requested; its half-size
// follows the traffic range.
#include "traffic/client.h"

namespace zyn {

// The box of half-size rangeNm around centre. Latitudes stay within -90..90; a box that reaches a
// pole spans every longitude; across the antimeridian left is greater than right.
QueryBox gf_trafficBoxAround(LatLon centre, double rangeNm);
// Recomputes g_trafficClient's box when the user has moved or the range has changed.
void gf_updateTrafficBox();

} // namespace zyn
