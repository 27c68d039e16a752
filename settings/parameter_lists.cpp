#include "settings/parameter_lists.h"


namespace zyn {

ParameterLists gf_parameterLists()
{
    using namespace param;
    ParameterLists lists;
    lists.checkBoxes = {&SIM_TIME,          &KEEP_SIM_TIME_PAR,       &RT_PARKTRAFFIC_ONLY, &MSFS_2020,
                        &CALLSIGN_OBJECTIDS, &COLLISION_USER_AIR,      &COLLISION_USER_GND,  &COLLISION_LIVE_PARKED_GND,
                        &SUPPRESS_STUB,     &LOG,                     &ALWAYS_ON_TOP,       &SCAN_LIVERIES,
                        &LIG_AUTOMATIC,     &LIG_PRIORITIZE,          &SCAN_AIRPORTS,       &LIGHT_AIRCRAFT,
                        &HELICOPTERS,       &HIGH_PERF_AIRCRAFT,      &NAV_LIGHTS_WHILE_PARKED, &AUTO_RANGE,
                        &LEARN_SOFT,        &STRAIGHT_PBS_ONLY,       &PARK_SOFT,           &PARK_FAKE,
                        &WEEK,              &INITIAL_LOAD_ONLY,       &GUID_CHANGES};
    lists.ints = {&CUSTOM_PARKING_PERCENTAGE, &MAIN_WINDOW_X,           &MAIN_WINDOW_Y,
                  &LAST_EPOCH_TIME,           &HOLDING_THRESHOLD_METERS, &MAX_HOLDING_MINUTES};
    lists.intBoxes = {&MATCHING_DEPTH, &LATERAL_RANGE,   &MAX_FIT,          &AUTO_RANGE_ABOVE_HEIGHT,
                      &MAX_LIVE,       &AIRPORT_RANGE,   &AIRPORT_HEIGHT,   &CUSTOM_MAX_PARK,
                      &AI_PACKAGE_ORDER, &TIME_SHIFT_DAYS, &TIME_SHIFT_HOURS, &TIME_SHIFT_MINS};
    lists.texts = {&PROGRAM_VERSION, &MSFS_INSTALL_PATH};
    for (auto& folder : lfolders)
        lists.texts.push_back(&folder);
    lists.texts.insert(lists.texts.end(),
                       {&PROGRAM_INSTALL_PATH, &VOZEVURAZO24_VERSION, &MSFS_2024_INSTALL_PATH, &DESTINATION});
    lists.textBoxes = {&BLOCK_CALLSIGN};
    return lists;
}

} // namespace zyn
