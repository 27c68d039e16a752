#pragma once
// The steps of other subsystems that the start-up sequence calls, in one table so that a test can
// put recorders in their place. The program always runs the defaults.
#include "core/auto_range.h"
#include "settings/settings.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "airport/airport_record.h"

namespace zyn {

// Working folders and start-up controls.
void lf_checkCommunityPath(StringParameter& parameter);
void lf_createFolders();
void lf_enableStartupControls();
// Program and companion-package updates.
void gf_checkProgramVersion();
bool lf_simAddonMissing();
bool gf_updateSimAddon();
// Simulator install detection: the packages folder, or an empty path.
std::filesystem::path gf_detectMsfsInstall();
// The session run: simulator link, traffic readers and the main loop.
void lf_runSession();
// The engine's current maximum of live aircraft, a copy of MAX_LIVE made at start-up.
extern std::atomic<std::int32_t> g_maxLive;

struct StartupSteps {
    std::function<void()> buildParameterLists;
    std::function<void(StringParameter&)> checkCommunityPath;
    std::function<void()> createFolders;
    std::function<void()> checkProgramVersion;
    std::function<bool()> simAddonMissing;
    std::function<bool()> updateSimAddon;
    std::function<void()> enableStartupControls;
    std::function<void()> readDbase;
    std::function<std::filesystem::path()> detectMsfsInstall;
    std::function<void()> readAirports;
    std::function<void()> scanLiveries;
    std::function<void()> scanAirports;
    std::function<bool()> createFlightPlanFolder;
    std::function<bool()> readMyParkAirports;
    std::function<std::optional<AirportRecord>(std::string_view)> findAirport;
    std::function<void()> adjustTrafficRange;
    std::function<void()> runSession;
};

StartupSteps gf_defaultStartupSteps();
extern StartupSteps g_startupSteps;

} // namespace zyn
