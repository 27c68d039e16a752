#include "shown/display_texts.h"

#include "shown/repaint.h"

#include <mutex>

namespace zyn {

namespace {

std::mutex g_displayMutex;
DisplayTexts g_texts; // under g_displayMutex

// Changes the texts under the lock; the repaint follows once the lock is released.
template <typename Change> void lf_change(Change change, std::initializer_list<Band> bands)
{
    {
        std::lock_guard lock(g_displayMutex);
        change(g_texts);
    }
    for (const Band band : bands)
        gf_repaintBand(band);
}

template <typename T> void lf_storeSim(T SimDisplay::*field, T value)
{
    lf_change([&](DisplayTexts& t) { t.sim.*field = std::move(value); }, {Band::Counters});
}

} // namespace

void gf_showSimulatorLabel(std::string_view text) { lf_storeSim(&SimDisplay::simulatorLabel, std::string(text)); }
void gf_showUserAcLabel(std::string_view text) { lf_storeSim(&SimDisplay::userAcLabel, std::string(text)); }
void gf_showStandLabel(std::string_view text) { lf_storeSim(&SimDisplay::standLabel, std::string(text)); }
void gf_showFlightLight(bool running) { lf_storeSim(&SimDisplay::flightLight, running); }
void gf_showUserAcLight(bool wingspanKnown) { lf_storeSim(&SimDisplay::userAcLight, wingspanKnown); }
void gf_repaintStatusArea() { gf_repaintBand(Band::Counters); }

SimDisplay gf_simDisplay()
{
    std::lock_guard lock(g_displayMutex);
    return g_texts.sim;
}

void gf_resetSimDisplay()
{
    std::lock_guard lock(g_displayMutex);
    g_texts.sim = SimDisplay{};
}

DisplayTexts gf_displayTexts()
{
    std::lock_guard lock(g_displayMutex);
    return g_texts;
}

void gf_showServiceLabel(std::string_view text)
{
    lf_change([&](DisplayTexts& t) { t.serviceLabel = text; }, {Band::Counters});
}

void gf_showCallsignAnswer(std::string_view text)
{
    lf_change([&](DisplayTexts& t) { t.callsignAnswer = text; }, {Band::Settings});
}

void gf_showParking(const std::function<void(ParkingDisplay&)>& change)
{
    lf_change([&](DisplayTexts& t) { change(t.parking); }, {Band::Settings, Band::Statistics});
}

void gf_showStaticAverage(float hours)
{
    {
        std::lock_guard lock(g_displayMutex);
        if (g_texts.parking.staticAverage == hours)
            return;
    }
    lf_change([hours](DisplayTexts& t) { t.parking.staticAverage = hours; }, {Band::Statistics});
}

void gf_resetDisplayTexts()
{
    std::lock_guard lock(g_displayMutex);
    g_texts = DisplayTexts{};
}

} // namespace zyn
