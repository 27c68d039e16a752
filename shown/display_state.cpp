#include "shown/display_state.h"

#include "shown/airport_display.h"
#include "shown/sim_display.h"

namespace zyn {

std::atomic<std::uint8_t> g_loginShown{0};
std::atomic<std::uint8_t> g_trafficLight{3};
std::atomic<std::uint8_t> g_weatherLight{3};
std::atomic<std::int32_t> g_qnhDisplay{0};
std::atomic<std::uint64_t> g_simaddonCount{0};
std::atomic<std::uint64_t> g_thirdpartyCount{0};
std::atomic<std::uint64_t> g_liveryCount{0};
std::atomic<std::uint32_t> g_liveCountShown{0};
std::atomic<std::uint32_t> g_liveParkedShown{0};
std::atomic<std::uint32_t> g_staticParkedShown{0};
std::atomic<std::int32_t> g_renewalMinutesShown{0};
std::atomic<std::uint8_t> g_timeControlsEnabled{0};

void gf_setQnhDisplay(std::int32_t qnh)
{
    g_qnhDisplay.store(qnh);
    std::uint8_t connected = 2;
    g_weatherLight.compare_exchange_strong(connected, 1);
    gf_repaintBand(Band::Counters);
}

void gf_resetDisplayState()
{
    g_loginShown = 0;
    g_trafficLight = 3;
    g_weatherLight = 3;
    g_qnhDisplay = 0;
    g_simaddonCount = 0;
    g_thirdpartyCount = 0;
    g_liveryCount = 0;
    g_liveCountShown = 0;
    g_liveParkedShown = 0;
    g_staticParkedShown = 0;
    g_renewalMinutesShown = 0;
    g_timeControlsEnabled = 0;
    gf_resetSimDisplay();
    gf_resetAirportFileDisplay();
    gf_repaintMainWindow();
}

} // namespace zyn
