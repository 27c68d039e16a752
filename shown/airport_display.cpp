#include "shown/airport_display.h"

#include "shown/repaint.h"

#include <mutex>

namespace zyn {

namespace {
std::mutex g_airportDisplayMutex;
AirportFileDisplay g_airportDisplay; // under g_airportDisplayMutex
} // namespace

void gf_showStandCount(std::uint32_t count)
{
    {
        std::lock_guard lock(g_airportDisplayMutex);
        g_airportDisplay.standCount = count;
    }
    gf_repaintBand(Band::Statistics);
}

void gf_showAirportFile(std::string publisher, bool handmade, std::string quality)
{
    {
        std::lock_guard lock(g_airportDisplayMutex);
        g_airportDisplay.publisher = std::move(publisher);
        g_airportDisplay.handmade = handmade;
        g_airportDisplay.quality = std::move(quality);
    }
    gf_repaintBand(Band::Statistics);
}

AirportFileDisplay gf_airportFileDisplay()
{
    std::lock_guard lock(g_airportDisplayMutex);
    return g_airportDisplay;
}

void gf_resetAirportFileDisplay()
{
    std::lock_guard lock(g_airportDisplayMutex);
    g_airportDisplay = AirportFileDisplay{};
}

} // namespace zyn
