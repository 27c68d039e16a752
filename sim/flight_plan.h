#pragma once
// Flight plan files: one small AceXML ".pln" per live AI aircraft in the folder "orig_dest" of the
// per-user data folder, so that the simulator can show where the aircraft flies from and to.
#include "aircraft/records.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace zyn {

extern std::filesystem::path g_flightPlanFolder;

// Sets g_flightPlanFolder to the per-user data folder / "orig_dest" and creates both folders when missing.
// Returns whether the flight plan folder exists afterwards; file-system errors are thrown.
bool gf_createFlightPlanFolder();

// "{objectId}.pln"; the caller joins it to g_flightPlanFolder.
std::filesystem::path gf_flightPlanFileName(std::uint32_t objectId);

// The file's text: the flight plan type of the category, the escaped origin and destination.
std::string gf_flightPlanText(const AcHead& head, AcCategory category);

// Creates or truncates the file and writes the plan; false when it cannot be written completely.
bool gf_writeFlightPlan(const std::filesystem::path& path, const AcHead& head, AcCategory category);

// At exit: removes the flight plan folder with its files; errors are logged, never thrown.
void gf_removeFlightPlanFolder();

} // namespace zyn
