// Stand-in until the main window is built: keeps the values it will paint; nothing is painted.
#include "ui/display_state.h"

namespace zyn {

std::atomic<std::uint8_t> g_loginShown{0};
std::atomic<std::uint8_t> g_trafficLight{3};
std::atomic<std::uint8_t> g_weatherLight{3};
std::atomic<std::int32_t> g_qnhDisplay{0};

void gf_setQnhDisplay(std::int32_t qnh)
{
    g_qnhDisplay.store(qnh);
    std::uint8_t connected = 2;
    g_weatherLight.compare_exchange_strong(connected, 1);
}

void gf_repaintMainWindow() {}

} // namespace zyn
