#pragma once
// What the emulated simulator held, for looking at a run afterwards: a text list of every object and a
// picture of the tracks of the user and the AI aircraft over the airport of the scenario.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/simconnect/emulator.h"

namespace zyn::simemu {

inline constexpr const char* kReportObjectsFile = "sim_objects.txt";
inline constexpr const char* kReportTracksFile = "sim_tracks.png";
inline constexpr int kReportImageSize = 1024; // the side of one square panel

// One line per object: id, kind, created and removed seconds, distance moved, ATC id and title; with the
// moment the client closed the connection, a last line "closed_s <seconds>", so that a reader tells the
// objects the client removed itself from those the close took away.
std::vector<std::string> gf_objectReportLines(const std::vector<SimObject>& objects,
                                              std::optional<double> closedAtSeconds = std::nullopt);

// Writes both files into the folder (created when missing); throws std::runtime_error on failure.
void gf_writeReport(const std::vector<SimObject>& objects, const Airport& airport, const std::filesystem::path& folder,
                    std::optional<double> closedAtSeconds = std::nullopt);

// The track picture: every track over the airport in one square panel; when the scenario has an airport, a
// second panel to its right shows the airport alone, where its stands lie far enough apart to tell.
enum class ReportPanel { Tracks, Airport };

// The pixel (x right, y down) where a position falls in a panel of the picture of these objects and airport.
std::pair<double, double> gf_reportPixel(const std::vector<SimObject>& objects, const Airport& airport,
                                         ReportPanel panel, LatLon at);

} // namespace zyn::simemu
