// The settings objects with their keys, defaults, bounds, control ids and rows.
#include "settings/settings.h"

#include "settings/settings_file.h"

#include <algorithm>

namespace zyn {

StringParameter::StringParameter(std::string key, std::string defaultValue)
    : Parameter(std::move(key)), defaultValue(defaultValue), m_value(std::move(defaultValue))
{
}

std::string StringParameter::getValue() const
{
    std::lock_guard lock(m_mutex);
    return m_value;
}

void StringParameter::setValue(std::string value)
{
    std::lock_guard lock(m_mutex);
    m_value = std::move(value);
}

void StringParameter::setValueAndSave(std::string value)
{
    setValue(std::move(value));
    saveParameter(*this);
}

bool StringParameter::empty() const
{
    std::lock_guard lock(m_mutex);
    return m_value.empty();
}

IntParameter::IntParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum)
    : Parameter(std::move(key)), defaultValue(defaultValue), minimum(minimum), maximum(maximum), value(defaultValue)
{
}

std::int32_t IntParameter::clamp(std::int64_t v) const
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, minimum, maximum));
}

BoolParameter::BoolParameter(std::string key, bool defaultValue)
    : Parameter(std::move(key)), defaultValue(defaultValue ? 1 : 0), value(defaultValue ? 1 : 0)
{
}

FloatParameter::FloatParameter(std::string key, float defaultValue, float minimum, float maximum)
    : Parameter(std::move(key)), defaultValue(defaultValue), minimum(minimum), maximum(maximum), value(defaultValue)
{
}

namespace param {

BoolControlParameter MSFS_2020{"MSFS_2020", true, 32790, 119};
BoolControlParameter ALWAYS_ON_TOP{"ALWAYS_ON_TOP", false, 32771, 147};
BoolControlParameter LOG{"LOG", true, 32779, 147};
BoolControlParameter SCAN_LIVERIES{"SCAN_LIVERIES", true, 32797, 147};
BoolControlParameter LIG_AUTOMATIC{"LIG_AUTOMATIC", true, 32798, 147};
BoolControlParameter LIG_PRIORITIZE{"LIG_PRIORITIZE", false, 32799, 147};
BoolControlParameter SUPPRESS_STUB{"SUPPRESS_STUB", true, 32801, 147};
BoolControlParameter SCAN_AIRPORTS{"SCAN_AIRPORTS", true, 32802, 175};
BoolControlParameter LEARN_SOFT{"LEARN_SOFT", true, 32777, 175};
BoolControlParameter NAV_LIGHTS_WHILE_PARKED{"NAV_LIGHTS_WHILE_PARKED", true, 32778, 175};
BoolControlParameter GUID_CHANGES{"GUID_CHANGES", true, 32773, 203};
BoolControlParameter CALLSIGN_OBJECTIDS{"CALLSIGN_OBJECTIDS", false, 32822, 203};
BoolControlParameter LIGHT_AIRCRAFT{"LIGHT_AIRCRAFT", true, 32809, 203};
BoolControlParameter HELICOPTERS{"HELICOPTERS", true, 32810, 203};
BoolControlParameter HIGH_PERF_AIRCRAFT{"HIGH_PERF_AIRCRAFT", true, 32811, 203};
BoolControlParameter AUTO_RANGE{"AUTO_RANGE", true, 32819, 231};
BoolControlParameter SIM_TIME{"SIM_TIME", false, 32862, 231};
BoolControlParameter COLLISION_USER_AIR{"COLLISION_USER_AIR", true, 32833, 287};
BoolControlParameter COLLISION_USER_GND{"COLLISION_USER_GND", true, 32834, 287};
BoolControlParameter COLLISION_LIVE_PARKED_GND{"COLLISION_LIVE_PARKED_GND", false, 32835, 287};
BoolControlParameter KEEP_SIM_TIME_PAR{"KEEP_SIM_TIME_PAR", false, 32863, 287};
BoolControlParameter STRAIGHT_PBS_ONLY{"STRAIGHT_PBS_ONLY", false, 32856, 315};
BoolControlParameter INITIAL_LOAD_ONLY{"INITIAL_LOAD_ONLY", false, 32850, 371};
BoolControlParameter PARK_SOFT{"PARK_SOFT", true, 32851, 371};
BoolControlParameter PARK_FAKE{"PARK_FAKE", false, 32852, 371};
BoolControlParameter WEEK{"WEEK", false, 32854, 371};
BoolControlParameter RT_PARKTRAFFIC_ONLY{"RT_PARKTRAFFIC_ONLY", false, 32857, 371};

IntControlParameter AI_PACKAGE_ORDER{"AI_PACKAGE_ORDER", 1, 1, 6, 32800, 147};
IntControlParameter MATCHING_DEPTH{"MATCHING_DEPTH", 4, 1, 4, 32808, 203};
IntControlParameter LATERAL_RANGE{"LATERAL_RANGE", 40, 2, 100, 32818, 231};
IntControlParameter AUTO_RANGE_ABOVE_HEIGHT{"AUTO_RANGE_ABOVE_HEIGHT", 49000, 18000, 49000, 32820, 231};
IntControlParameter TIME_SHIFT_HOURS{"TIME_SHIFT_HOURS", 0, 0, 23, 32860, 231};
IntControlParameter TIME_SHIFT_DAYS{"TIME_SHIFT_DAYS", 0, 0, 28, 32859, 259};
IntControlParameter TIME_SHIFT_MINS{"TIME_SHIFT_MINS", 0, 0, 59, 32861, 287};
IntControlParameter MAX_LIVE{"MAX_LIVE", -1, -1, 300, 32821, 315};
IntControlParameter CUSTOM_MAX_PARK{"CUSTOM_MAX_PARK", -1, -1, 500, 32865, 315};
IntControlParameter AIRPORT_RANGE{"AIRPORT_RANGE", 20, 8, 30, 32841, 343};
IntControlParameter AIRPORT_HEIGHT{"AIRPORT_HEIGHT", 18000, 2000, 45000, 32842, 343};
IntControlParameter parking_percentage{"parking_percentage", 30, 0, 100, 32848, 371};
IntControlParameter MAX_FIT{"MAX_FIT", 47, 0, 47, 32853, 371};

FloatControlParameter MAX_FIT_FL{"MAX_FIT_FL", 24.0f, 0.5f, 24.0f, 32855, 371};

IntParameter HOLDING_THRESHOLD_METERS{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
IntParameter MAX_HOLDING_MINUTES{"MAX_HOLDING_MINUTES", 20, 1, 60};
IntParameter CUSTOM_PARKING_PERCENTAGE{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
IntParameter LAST_EPOCH_TIME{"LAST_EPOCH_TIME", 0, 0, 2147483647};
IntParameter MAIN_WINDOW_X{"MAIN_WINDOW_X", 400, -30000, 30000};
IntParameter MAIN_WINDOW_Y{"MAIN_WINDOW_Y", 20, -30000, 30000};

StringParameter PROGRAM_INSTALL_PATH{"PROGRAM_INSTALL_PATH", ""};
StringParameter VOZEVURAZO24_VERSION{"VOZEVURAZO24_VERSION", ""};
StringParameter MSFS_INSTALL_PATH{"MSFS_INSTALL_PATH", ""};
StringParameter MSFS_2024_INSTALL_PATH{"MSFS_2024_INSTALL_PATH", ""};
StringParameter PROGRAM_VERSION{"PROGRAM_VERSION", ""};
std::array<StringParameter, 10> lfolders{
    StringParameter{"lfolder0", ""}, StringParameter{"lfolder1", ""}, StringParameter{"lfolder2", ""},
    StringParameter{"lfolder3", ""}, StringParameter{"lfolder4", ""}, StringParameter{"lfolder5", ""},
    StringParameter{"lfolder6", ""}, StringParameter{"lfolder7", ""}, StringParameter{"lfolder8", ""},
    StringParameter{"lfolder9", ""}};

StringControlParameter ALL_INSTALL_PATH{"ALL_INSTALL_PATH", "", 32788, 119};
StringControlParameter CALLSIGN_2_OBJECTID{"CALLSIGN_2_OBJECTID", "", 32774, 259};
StringControlParameter BLOCK_CALLSIGN{"BLOCK_CALLSIGN", "", 32828, 259};
StringControlParameter DESTINATION{"DESTINATION", "", 32840, 343};

CommandControlParameter UNBLOCK_BUTTON{"Unblock", 32829, 257};
CommandControlParameter REREAD_BUTTON{"Re-read", 32838, 341};
CommandControlParameter FLUSH_STATIC_BUTTON{"Flush static", 32858, 369};

StringParameter META_AUTHOR{"author", ""};
StringParameter META_DATE{"date", ""};
StringParameter META_VERSION{"version", ""};
StringParameter META_COPYRIGHT{"copyright", "Copyright (c) the Tarvo developers. All rights reserved."};
StringParameter META_MSFS{"MSFS", ""};

} // namespace param

const std::array<std::string, 11> g_apfParameterNames{
    param::LATERAL_RANGE.key, param::AUTO_RANGE.key, param::INITIAL_LOAD_ONLY.key, param::PARK_SOFT.key,
    param::PARK_FAKE.key, param::parking_percentage.key, param::MAX_FIT.key, param::WEEK.key,
    param::RT_PARKTRAFFIC_ONLY.key, param::LEARN_SOFT.key, param::MAX_LIVE.key};

} // namespace zyn
