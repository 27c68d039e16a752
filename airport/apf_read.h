#pragma once
// Reading the park airport's parking file into the stands: find it (a local file or a server file,
// fetched), check it, read its parameters and stands, merge the airport's learned file, number the
// stands, link the overlapping ones, rate them, and leave a summary in the log and the window.
// Main-loop thread, when static parking starts at a park airport.
#include "airport/park_pos.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// What the parking file says of its airport, and where its learned file lies (the learned-file
// writer saves there, so that the next read finds what it saved).
struct ApfFileInfo {
    std::string airportName;
    std::string publisher;
    std::int32_t altitude = 0; // feet
    std::filesystem::path learnedPath;
};

extern std::int32_t g_rtTrafficWeek; // the file's "RT_traffic_week"; 0 when it has none

// fileName: a local path beginning with "airports", or a server path that is downloaded into
// "park_airport.xml" in the per-user data folder first, beside the caller (the main loop): nothing
// while it is on its way, nothing read yet (a later check reads it). The stands are appended to
// stands and the quality pair (airport/quality_factor.h) goes to quality. The result is empty on
// success, "no stands found" when the file gave none, else why nothing was read. A missing
// "altitude" parameter raises UserErrorException 65.
std::optional<std::string> gf_readApf(const std::string& fileName, ApfFileInfo& info, std::uint64_t& quality,
                       std::vector<ParkPos>& stands);

// The parameters and stands of a parking file's bytes (label names it in the log), as gf_readApf
// reads them before the learned merge; quality gets the file's own pair. False when the bytes are
// no parking file (logged). Raises UserErrorException 65 as gf_readApf does.
bool gf_readApfBytes(std::string_view bytes, const std::string& label, ApfFileInfo& info, std::uint64_t& quality,
                     std::vector<ParkPos>& stands);

} // namespace zyn
