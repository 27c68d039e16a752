// Stand-in until the main window is built: keeps the values the painter will show; nothing is painted.
#include "ui/sim_display.h"

#include <mutex>

namespace zyn {

namespace {
std::mutex g_displayMutex;
SimDisplay g_display;

template <typename T> void lf_store(T SimDisplay::*field, T value)
{
    std::lock_guard lock(g_displayMutex);
    g_display.*field = std::move(value);
}
} // namespace

void gf_showSimulatorLabel(std::string_view text) { lf_store(&SimDisplay::simulatorLabel, std::string(text)); }
void gf_showUserAcLabel(std::string_view text) { lf_store(&SimDisplay::userAcLabel, std::string(text)); }
void gf_showStandLabel(std::string_view text) { lf_store(&SimDisplay::standLabel, std::string(text)); }
void gf_showFlightLight(bool running) { lf_store(&SimDisplay::flightLight, running); }
void gf_showUserAcLight(bool wingspanKnown) { lf_store(&SimDisplay::userAcLight, wingspanKnown); }
void gf_repaintStatusArea() {}

SimDisplay gf_simDisplay()
{
    std::lock_guard lock(g_displayMutex);
    return g_display;
}

} // namespace zyn
