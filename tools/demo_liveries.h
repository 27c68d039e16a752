#pragma once
// Generator of the demonstration's installed liveries: one synthetic AI traffic package in the
// Community folder whose aircraft.cfg files carry exactly the titles the emulated simulator can
// create (gf_demoLiveryList), with airline and type, so the scan finds them.
#include "tools/scenario_gen.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zyn::tools {

// Its name carries the marker the automatic scan looks for in user traffic packages.
inline constexpr char kDemoLiveryPackage[] = "user-aitraffic-tarvo-demo";

// The text of one aircraft.cfg (Windows line ends) for liveries of one type.
std::string gf_demoAircraftCfg(const std::string& type, const std::vector<DemoLivery>& liveries);

// Writes the package below the Community folder, one model folder per type, each file atomically;
// returns the package folder.
std::filesystem::path gf_writeDemoLiveries(const std::filesystem::path& community);

} // namespace zyn::tools
