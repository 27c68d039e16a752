#pragma once
// What the traffic service client shows in the main window: the connection lights and the QNH.
// The window paints from these values.
#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<std::uint8_t> g_loginShown;   // a traffic service session exists
extern std::atomic<std::uint8_t> g_trafficLight; // 1 receiving, 2 connected but no data, 3 failed
extern std::atomic<std::uint8_t> g_weatherLight;
extern std::atomic<std::int32_t> g_qnhDisplay;   // hPa shown; 0 none yet

void gf_setQnhDisplay(std::int32_t qnh);
void gf_repaintMainWindow();

} // namespace zyn
