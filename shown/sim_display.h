#pragma once
// What the main window shows of the simulator link: its labels and lights. Each setter stores the value
// and repaints the counters band, where they are shown; callable from any thread.
#include <string>
#include <string_view>

namespace zyn {

void gf_showSimulatorLabel(std::string_view text); // "MSFS 2020 (1.2.3.4)" or "MSFS 2024"
void gf_showUserAcLabel(std::string_view text);    // the user aircraft's title
void gf_showStandLabel(std::string_view text);     // the stand of the user aircraft, or empty
void gf_showFlightLight(bool running);             // a flight runs
void gf_showUserAcLight(bool wingspanKnown);
void gf_repaintStatusArea();

struct SimDisplay {
    std::string simulatorLabel;
    std::string userAcLabel;
    std::string standLabel;
    bool flightLight = false;
    bool userAcLight = false;
};
SimDisplay gf_simDisplay();
void gf_resetSimDisplay();

} // namespace zyn
