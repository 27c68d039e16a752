#pragma once
// What the emulated simulator held, for looking at a run afterwards: a text list of every object and a
// picture of the tracks of the user and the AI aircraft.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/simconnect/emulator.h"

namespace zyn::simemu {

inline constexpr const char* kReportObjectsFile = "sim_objects.txt";
inline constexpr const char* kReportTracksFile = "sim_tracks.png";
inline constexpr int kReportImageSize = 1024;

// One line per object: id, kind, created and removed seconds, distance moved, ATC id and title; with the
// moment the client closed the connection, a last line "closed_s <seconds>", so that a reader tells the
// objects the client removed itself from those the close took away.
std::vector<std::string> gf_objectReportLines(const std::vector<SimObject>& objects,
                                              std::optional<double> closedAtSeconds = std::nullopt);

// Writes both files into the folder (created when missing); throws std::runtime_error on failure.
void gf_writeReport(const std::vector<SimObject>& objects, const std::filesystem::path& folder,
                    std::optional<double> closedAtSeconds = std::nullopt);

} // namespace zyn::simemu
