#pragma once
// Saving what was learned at the park airport (new stand uses, changed radii and cargo flags, stands
// made by hand, changed parking parameters) into its learned airport file when parking there ends.
// Main-loop thread.
#include "airport/apf_read.h"
#include "airport/park_pos.h"
#include "settings/airport_settings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zyn {

struct LearnedState {
    std::int32_t updates = 0;      // learned stand uses and stand changes since the last save
    bool parameterChanged = false; // the user changed a parking parameter while the stands were loaded
    bool handmade = false;         // the loaded learned file was a handmade one
    AirportSettings settings{};    // the airport's settings, as its file is to keep them
};

// Where the airport's learned file lies: where its file was read from when that is known, else by
// its publisher ("stock", "simaddon", or a folder of the publisher's own). Empty, logged, when the
// code or the publisher cannot be a file name.
std::filesystem::path gf_learnedFilePath(const std::string& code, const ApfFileInfo& info);

// Writes what was learned into the learned file and shows the outcome on the status line (also
// logged). Not handmade: the options read from the airport file are dropped from the stands, and
// only stands made by hand, changed, or with options left are written. On success the update count
// and the parameter flag are cleared; on failure both stay, and the file on disk stays as it was.
bool gf_saveLearnedAirportFile(const std::string& code, const ApfFileInfo& info, std::vector<ParkPos>& stands,
                               LearnedState& state);

} // namespace zyn
