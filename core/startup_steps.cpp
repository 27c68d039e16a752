#include "core/startup_steps.h"

#include "aircraft/dbase_read.h"
#include "airport/airports.h"
#include "core/work_folders.h"
#include "livery/livery_startup.h"
#include "parking/park_airport.h"
#include "settings/parameter_lists.h"
#include "sim/flight_plan.h"

namespace zyn {

StartupSteps gf_defaultStartupSteps()
{
    return StartupSteps{
        .buildParameterLists = lf_buildParameterLists,
        .checkCommunityPath = lf_checkCommunityPath,
        .createFolders = lf_createFolders,
        .checkProgramVersion = gf_checkProgramVersion,
        .simAddonMissing = lf_simAddonMissing,
        .updateSimAddon = gf_updateSimAddon,
        .enableStartupControls = lf_enableStartupControls,
        .readDbase = gf_readDbase,
        .detectMsfsInstall = gf_detectMsfsInstall,
        .readAirports = gf_readAirports,
        .scanLiveries = gf_scanLiveries,
        .scanAirports = gf_scanAirports,
        .createFlightPlanFolder = gf_createFlightPlanFolder,
        .readMyParkAirports = lf_readMyParkAirports,
        .findAirport = gf_findAirport,
        .adjustTrafficRange = gf_adjustTrafficRange,
        .runSession = lf_runSession,
    };
}

StartupSteps g_startupSteps = gf_defaultStartupSteps();

} // namespace zyn
