#pragma once
// What the main window shows of the park airport's parking file in its airport strip (the
// statistics band): the number of stands read, the file's publisher, whether a handmade file
// replaced it, and the quality factors as text. Written on the main-loop thread when a file has
// been read; each setter repaints the strip; the painter reads a copy.
#include <cstdint>
#include <string>

namespace zyn {

struct AirportFileDisplay {
    std::uint32_t standCount = 0;
    std::string publisher;
    bool handmade = false;
    std::string quality; // "63/12", "88" or two blanks
};

void gf_showStandCount(std::uint32_t count);
void gf_showAirportFile(std::string publisher, bool handmade, std::string quality);
AirportFileDisplay gf_airportFileDisplay();
void gf_resetAirportFileDisplay();

} // namespace zyn
