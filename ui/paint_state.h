#pragma once
// What one paint of the main window shows, taken at its start: the texts under their one lock, the
// status line under its own, the lights and counters each at once. A paint never sees a text half
// written, and every band of it is drawn from the same moment.
#include "shown/display_texts.h"
#include "shown/status_line.h"
#include "ui/painter.h"

#include <cstdint>

namespace zyn {

struct PaintState {
    DisplayTexts texts;
    StatusLineView status;
    bool simConnected = false;
    bool loggedIn = false;
    bool serviceBusy = false;
    std::uint8_t weatherReader = 3; // 1 running, 2 starting, 3 not running
    std::uint8_t trafficReader = 3;
    std::int32_t qnh = 0;
    std::uint64_t liveries = 0;
    std::uint64_t simaddonAirports = 0;
    std::uint64_t thirdpartyAirports = 0;
    std::uint32_t live = 0;
    std::uint32_t parkedLive = 0;
    std::uint32_t parkedStatic = 0;
    double liveParkedMeanHours = -1.0;
    std::int32_t renewalMinutes = 0;
    bool timeControlsEnabled = false;
    bool parkingBusy = false;   // the parking controls are disabled for a running change
    bool parkingLoaded = false; // the park airport's stands are loaded
};

PaintState gf_paintState();

// The band painters.
void lf_paintCounters(Painter& p, const PaintState& s);
void lf_paintQnh(Painter& p, const PaintState& s);
void lf_paintControls(Painter& p, const PaintState& s);
void lf_paintStatistics(Painter& p, const PaintState& s);

} // namespace zyn
