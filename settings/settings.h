#pragma once
// Typed settings parameters. Every setting is a global object with a key, a default, bounds where
// numeric and its current value; most are bound to a control of the main window. Numbers and flags
// are atomics and texts sit behind a lock, because every thread reads them while the window and the
// start-up thread change them.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace zyn {

class Parameter {
public:
    explicit Parameter(std::string key) : key(std::move(key)) {}
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;
    const std::string key; // for a push button: its caption
};

class StringParameter : public Parameter {
public:
    StringParameter(std::string key, std::string defaultValue);
    const std::string defaultValue;
    std::string getValue() const;
    void setValue(std::string value);
    void setValueAndSave(std::string value); // then saveParameter
    bool empty() const;

private:
    mutable std::mutex m_mutex;
    std::string m_value;
};

class IntParameter : public Parameter {
public:
    IntParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum);
    const std::int32_t defaultValue;
    const std::int32_t minimum;
    const std::int32_t maximum;
    std::atomic<std::int32_t> value;
    std::int32_t clamp(std::int64_t v) const;
};

class BoolParameter : public Parameter {
public:
    BoolParameter(std::string key, bool defaultValue);
    const std::uint8_t defaultValue;
    std::atomic<std::uint8_t> value;
    bool on() const { return value.load() != 0; }
};

class FloatParameter : public Parameter {
public:
    FloatParameter(std::string key, float defaultValue, float minimum, float maximum);
    const float defaultValue;
    const float minimum;
    const float maximum;
    std::atomic<float> value;
};

// The binding of a parameter to its control in the main window. The window keeps the control's
// handle (shown/windows.h); the setting only names it.
struct ParameterControl {
    ParameterControl(std::uint16_t controlId, std::uint32_t row) : controlId(controlId), row(row) {}
    const std::uint16_t controlId; // child-window id and WM_COMMAND id
    const std::uint32_t row;       // top y of the control's row in the client area
};

class BoolControlParameter : public BoolParameter, public ParameterControl {
public:
    BoolControlParameter(std::string key, bool defaultValue, std::uint16_t controlId, std::uint32_t row)
        : BoolParameter(std::move(key), defaultValue), ParameterControl(controlId, row) {}
};

class IntControlParameter : public IntParameter, public ParameterControl {
public:
    IntControlParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum,
                        std::uint16_t controlId, std::uint32_t row)
        : IntParameter(std::move(key), defaultValue, minimum, maximum), ParameterControl(controlId, row) {}
};

class FloatControlParameter : public FloatParameter, public ParameterControl {
public:
    FloatControlParameter(std::string key, float defaultValue, float minimum, float maximum,
                          std::uint16_t controlId, std::uint32_t row)
        : FloatParameter(std::move(key), defaultValue, minimum, maximum), ParameterControl(controlId, row) {}
};

class StringControlParameter : public StringParameter, public ParameterControl {
public:
    StringControlParameter(std::string key, std::string defaultValue, std::uint16_t controlId, std::uint32_t row)
        : StringParameter(std::move(key), std::move(defaultValue)), ParameterControl(controlId, row) {}
};

class CommandControlParameter : public Parameter, public ParameterControl {
public:
    CommandControlParameter(std::string caption, std::uint16_t controlId, std::uint32_t row)
        : Parameter(std::move(caption)), ParameterControl(controlId, row) {}
};

// The settings, named by their keys.
namespace param {

extern BoolControlParameter MSFS_2020, ALWAYS_ON_TOP, LOG, SCAN_LIVERIES, LIG_AUTOMATIC, LIG_PRIORITIZE,
    SUPPRESS_STUB, SCAN_AIRPORTS, LEARN_SOFT, NAV_LIGHTS_WHILE_PARKED, GUID_CHANGES, CALLSIGN_OBJECTIDS,
    LIGHT_AIRCRAFT, HELICOPTERS, HIGH_PERF_AIRCRAFT, AUTO_RANGE, SIM_TIME, COLLISION_USER_AIR,
    COLLISION_USER_GND, COLLISION_LIVE_PARKED_GND, KEEP_SIM_TIME_PAR, STRAIGHT_PBS_ONLY, INITIAL_LOAD_ONLY,
    PARK_SOFT, PARK_FAKE, WEEK, RT_PARKTRAFFIC_ONLY;

extern IntControlParameter AI_PACKAGE_ORDER, MATCHING_DEPTH, LATERAL_RANGE, AUTO_RANGE_ABOVE_HEIGHT,
    TIME_SHIFT_HOURS, TIME_SHIFT_DAYS, TIME_SHIFT_MINS, MAX_LIVE, CUSTOM_MAX_PARK, AIRPORT_RANGE,
    AIRPORT_HEIGHT, parking_percentage, MAX_FIT;

extern FloatControlParameter MAX_FIT_FL;

extern IntParameter HOLDING_THRESHOLD_METERS, MAX_HOLDING_MINUTES, CUSTOM_PARKING_PERCENTAGE, LAST_EPOCH_TIME,
    MAIN_WINDOW_X, MAIN_WINDOW_Y;

extern StringParameter PROGRAM_INSTALL_PATH, VOZEVURAZO24_VERSION, MSFS_INSTALL_PATH, MSFS_2024_INSTALL_PATH,
    PROGRAM_VERSION;
extern std::array<StringParameter, 10> lfolders; // "lfolder0" .. "lfolder9"

extern StringControlParameter ALL_INSTALL_PATH, CALLSIGN_2_OBJECTID, BLOCK_CALLSIGN, DESTINATION;

extern CommandControlParameter UNBLOCK_BUTTON, REREAD_BUTTON, FLUSH_STATIC_BUTTON; // "Unblock", "Re-read", "Flush static"

// The named items of the data files' meta block; never stored in "parameters.xml".
extern StringParameter META_AUTHOR, META_DATE, META_VERSION, META_COPYRIGHT, META_MSFS;

} // namespace param

// The eleven setting names that the airport parking files record and read back.
extern const std::array<std::string, 11> g_apfParameterNames;

} // namespace zyn
