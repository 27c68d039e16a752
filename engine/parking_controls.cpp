// The parking settings are locked while static parking works out or changes its set of statics: a
// change half-way would leave the set computed with two different values.
#include "airport/park_airport_state.h"
#include "engine/session_calls.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "shown/display_state.h"
#include "shown/repaint.h"

#include <array>

namespace zyn {

namespace {

constexpr std::int32_t kMinutesToRenewalShown = 19;

void lf_enableParkingButtons(bool enable)
{
    // "Flush static" acts on the park airport's statics: without a loaded airport it stays off.
    gf_enableControl(param::FLUSH_STATIC_BUTTON, enable && g_parkAirportLoaded.load() != 0);
    gf_enableControl(param::REREAD_BUTTON, enable);
}

} // namespace

void gf_disableControls()
{
    using namespace param;
    g_parkingBusy = 1;
    for (const ParameterControl* control : std::array<const ParameterControl*, 8>{
             &parking_percentage, &INITIAL_LOAD_ONLY, &PARK_FAKE, &PARK_SOFT, &CUSTOM_MAX_PARK,
             &RT_PARKTRAFFIC_ONLY, &MAX_FIT_FL, &WEEK})
        gf_enableControl(*control, false);
    lf_enableParkingButtons(false);
    gf_repaintBand(Band::Settings);
    gf_repaintBand(Band::Status);
}

void gf_enableControls()
{
    g_parkingBusy = 0;
    g_renewalMinutesShown = kMinutesToRenewalShown;
    gf_enableControl(param::CUSTOM_MAX_PARK, true);
    gf_enableControl(param::RT_PARKTRAFFIC_ONLY, true);
    gf_applyParkTrafficOnly();
    lf_enableParkingButtons(true);
    gf_repaintBand(Band::Settings);
}

} // namespace zyn
