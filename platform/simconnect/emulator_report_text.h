#pragma once
// The text half of the emulated simulator's report: a list of every object. It needs no drawing, so
// the stand-in SimConnect library of the Windows check writes it too.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/simconnect/emulator.h"

namespace zyn::simemu {

inline constexpr const char* kReportObjectsFile = "sim_objects.txt";

// One line per object: id, kind, created and removed seconds, distance moved, ATC id and title; with the
// moment the client closed the connection, a last line "closed_s <seconds>", so that a reader tells the
// objects the client removed itself from those the close took away.
std::vector<std::string> gf_objectReportLines(const std::vector<SimObject>& objects,
                                              std::optional<double> closedAtSeconds = std::nullopt);

// Writes the list into the folder (created when missing); throws std::runtime_error on failure.
void gf_writeObjectReport(const std::vector<SimObject>& objects, const std::filesystem::path& folder,
                          std::optional<double> closedAtSeconds = std::nullopt);

} // namespace zyn::simemu
