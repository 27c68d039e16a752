#include "engine/motion_inputs.h"

#include "airport/park_airport_state.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/user_aircraft.h"
#include "traffic/client.h"

namespace zyn {

MotionInputs g_motionInputs;

namespace {
constexpr double kGroundRangeNm = 10.0;
} // namespace

void gf_refreshMotionInputs()
{
    MotionInputs& in = g_motionInputs;
    const UserAcData user = g_userAc.get();
    in.user = {user.lat, user.lon};
    in.rangeNm = g_rangeNm.load();
    in.autoGroundRange = param::AUTO_RANGE.on() && in.rangeNm == kGroundRangeNm;
    in.parkingLoaded = g_parkAirportLoaded.load() != 0;
    const AirportRecord park = gf_parkAirport();
    in.parkAirportSet = !park.icao.empty();
    in.parkAirport = {park.lat, park.lon};
    in.parkAirportAltitudeFt = park.altitude;
    in.qnh = g_qnh.load();
}

} // namespace zyn
