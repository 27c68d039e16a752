#pragma once
// The texts and the parking figures of the main window that other threads write: kept together
// behind one lock, so that the painter copies them at one moment and never reads a text while it
// is being written. Each setter repaints the band that shows what it changed; any thread.
#include "shown/sim_display.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zyn {

// The statistics band and the parking labels of the settings band. Static parking and the reading
// of the park airport's file write them; until they do, the band stays empty.
struct ParkingDisplay {
    std::string airportLabel;     // the park airport's display label ("EHAM (AMS)"); empty: none
    bool parkFileRead = false;    // its airport parking file was read
    std::string fileText1;        // what the file says of itself: publisher, airport name
    std::string fileText2;
    bool handmade = false;
    std::int32_t trafficWeek = 0; // the file's traffic week value
    bool softParking = false;
    std::string qualityText;
    std::string reservedStand;    // empty: none
    bool reservedFound = false;   // the reserved stand is one of the airport's stands
    std::int32_t updates = 0;     // learned updates
    std::uint64_t stands = 0;
    float staticAverage = -1.0f;  // average fit of the static parked aircraft, hours
    std::int32_t parkCount = 0;   // aircraft to park
    std::int32_t achievedPercent = 0;
    std::uint32_t setAsideAirports = 0; // add-on airports set aside in the "TBLO" folder
};

struct DisplayTexts {
    SimDisplay sim;
    std::string serviceLabel;   // the traffic service's server name
    std::string callsignAnswer; // the answer to the callsign query; empty: none
    ParkingDisplay parking;
};

// Everything above, copied under the one lock.
DisplayTexts gf_displayTexts();

void gf_showServiceLabel(std::string_view text);
void gf_showCallsignAnswer(std::string_view text);
// Changes the parking figures under the lock, then repaints the settings and statistics bands.
void gf_showParking(const std::function<void(ParkingDisplay&)>& change);

// The statics' average fit; repaints the statistics band only when it changed.
void gf_showStaticAverage(float hours);

// Back to empty texts (restart and tests).
void gf_resetDisplayTexts();

} // namespace zyn
