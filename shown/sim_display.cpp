#include "shown/sim_display.h"

#include "shown/repaint.h"

#include <mutex>

namespace zyn {

namespace {
std::mutex g_displayMutex;
SimDisplay g_display;

template <typename T> void lf_store(T SimDisplay::*field, T value)
{
    {
        std::lock_guard lock(g_displayMutex);
        g_display.*field = std::move(value);
    }
    gf_repaintStatusArea();
}
} // namespace

void gf_showSimulatorLabel(std::string_view text) { lf_store(&SimDisplay::simulatorLabel, std::string(text)); }
void gf_showUserAcLabel(std::string_view text) { lf_store(&SimDisplay::userAcLabel, std::string(text)); }
void gf_showStandLabel(std::string_view text) { lf_store(&SimDisplay::standLabel, std::string(text)); }
void gf_showFlightLight(bool running) { lf_store(&SimDisplay::flightLight, running); }
void gf_showUserAcLight(bool wingspanKnown) { lf_store(&SimDisplay::userAcLight, wingspanKnown); }
void gf_repaintStatusArea() { gf_repaintBand(Band::Counters); }

SimDisplay gf_simDisplay()
{
    std::lock_guard lock(g_displayMutex);
    return g_display;
}

void gf_resetSimDisplay()
{
    std::lock_guard lock(g_displayMutex);
    g_display = SimDisplay{};
}

} // namespace zyn
