#pragma once
// Typed settings parameters. Every setting is a global object with a key, a default, bounds where
// numeric and its current value; most are bound to a control of the main window. Numbers and flags
// are atomics and texts sit behind a lock, because every thread reads them while the window and the
// start-up thread change them.
//
// The settings below are the one table that describes them: key, default, bounds, control id and
// row, whether "parameters.xml" stores them and where their control sits. The loader's lists
// (settings/parameter_lists.h) and the window's controls (ui/controls.h) are read off it.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zyn {

class Parameter {
public:
    explicit Parameter(std::string key) : key(std::move(key)) {}
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;
    const std::string key; // for a push button: its caption
};

// Whether the loader reads a setting from "parameters.xml" (and the savers write it).
enum class Stored : std::uint8_t {
    No,
    Yes,
    AsPlainText, // a text with a box that is loaded among the texts without one: its box is not written
};

// Where a setting's control sits in the main window and when the window creates it.
struct ControlPlacement {
    std::int32_t x = 0;
    std::int32_t width = 0; // edit boxes and push buttons; a check box has its own size
    std::int32_t order = 0; // 1 to 47: the window creates its controls in this order
};

constexpr ControlPlacement checkBoxAt(std::int32_t x, std::int32_t order) { return {x, 0, order}; }
constexpr ControlPlacement boxAt(std::int32_t x, std::int32_t width, std::int32_t order) { return {x, width, order}; }
constexpr ControlPlacement buttonAt(std::int32_t x, std::int32_t width, std::int32_t order) { return {x, width, order}; }

// A setting's columns of the table besides its class's own: stored, and where its control sits.
struct TableRow {
    TableRow() = default;
    TableRow(ControlPlacement placement) : control(placement) {} // stored, with a control
    TableRow(Stored stored, std::optional<ControlPlacement> placement = {}) : stored(stored), control(placement) {}
    Stored stored = Stored::Yes;
    std::optional<ControlPlacement> control{};
};

class StringParameter : public Parameter {
public:
    StringParameter(std::string key, std::string defaultValue);                // not a setting (meta items)
    StringParameter(std::string key, std::string defaultValue, TableRow row); // a setting
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
    IntParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum,
                 TableRow row = {});
    const std::int32_t defaultValue;
    const std::int32_t minimum;
    const std::int32_t maximum;
    std::atomic<std::int32_t> value;
    std::int32_t clamp(std::int64_t v) const;

protected:
    struct Bound {}; // built as the base of a bound kind, which adds the row itself
    IntParameter(Bound, std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum);
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

// Every boolean setting is a check box.
class BoolControlParameter : public BoolParameter, public ParameterControl {
public:
    BoolControlParameter(std::string key, bool defaultValue, std::uint16_t controlId, std::uint32_t row,
                         ControlPlacement placement);
};

class IntControlParameter : public IntParameter, public ParameterControl {
public:
    IntControlParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum,
                        std::uint16_t controlId, std::uint32_t row, TableRow tableRow);
};

class FloatControlParameter : public FloatParameter, public ParameterControl {
public:
    FloatControlParameter(std::string key, float defaultValue, float minimum, float maximum,
                          std::uint16_t controlId, std::uint32_t row, TableRow tableRow);
};

class StringControlParameter : public StringParameter, public ParameterControl {
public:
    StringControlParameter(std::string key, std::string defaultValue, std::uint16_t controlId, std::uint32_t row,
                           TableRow tableRow);
};

// A push button; never stored.
class CommandControlParameter : public Parameter, public ParameterControl {
public:
    CommandControlParameter(std::string caption, std::uint16_t controlId, std::uint32_t row,
                            ControlPlacement placement);
};

// One setting of the table as its readers see it.
enum class SettingKind : std::uint8_t { Bool, Int, Float, Text, Command };
struct SettingRow {
    Parameter* parameter;
    ParameterControl* control; // null for the settings without a control id
    SettingKind kind;
    TableRow row;
};
// Every setting, in the order of the table below.
const std::vector<SettingRow>& gf_settingsTable();
// Every setting and meta item back to its default and the file marked as not read (g_settingsRead),
// as a fresh process has them; the file is not touched.
void gf_resetSettings();

// The settings, named by their keys, in the order in which the loader reads them: booleans, integers
// without and with a box, texts without and with a box; then the settings that are never loaded.
namespace param {

// Booleans, every one a check box: {key, default, control id, row, check box at x, creation order}.
inline BoolControlParameter SIM_TIME{"SIM_TIME", false, 32862, 231, checkBoxAt(652, 26)};
inline BoolControlParameter KEEP_SIM_TIME_PAR{"KEEP_SIM_TIME_PAR", false, 32863, 287, checkBoxAt(652, 31)};
inline BoolControlParameter RT_PARKTRAFFIC_ONLY{"RT_PARKTRAFFIC_ONLY", false, 32857, 371, checkBoxAt(642, 45)};
inline BoolControlParameter MSFS_2020{"MSFS_2020", true, 32790, 119, checkBoxAt(5, 1)};
inline BoolControlParameter CALLSIGN_OBJECTIDS{"CALLSIGN_OBJECTIDS", false, 32822, 203, checkBoxAt(652, 21)};
inline BoolControlParameter COLLISION_USER_AIR{"COLLISION_USER_AIR", true, 32833, 287, checkBoxAt(323, 24)};
inline BoolControlParameter COLLISION_USER_GND{"COLLISION_USER_GND", true, 32834, 287, checkBoxAt(217, 23)};
inline BoolControlParameter COLLISION_LIVE_PARKED_GND{"COLLISION_LIVE_PARKED_GND", false, 32835, 287, checkBoxAt(430, 25)};
inline BoolControlParameter SUPPRESS_STUB{"SUPPRESS_STUB", true, 32801, 147, checkBoxAt(536, 7)};
inline BoolControlParameter LOG{"LOG", true, 32779, 147, checkBoxAt(652, 8)};
inline BoolControlParameter ALWAYS_ON_TOP{"ALWAYS_ON_TOP", false, 32771, 147, checkBoxAt(748, 9)};
inline BoolControlParameter SCAN_LIVERIES{"SCAN_LIVERIES", true, 32797, 147, checkBoxAt(5, 3)};
inline BoolControlParameter LIG_AUTOMATIC{"LIG_AUTOMATIC", true, 32798, 147, checkBoxAt(217, 4)};
inline BoolControlParameter LIG_PRIORITIZE{"LIG_PRIORITIZE", false, 32799, 147, checkBoxAt(430, 6)};
inline BoolControlParameter SCAN_AIRPORTS{"SCAN_AIRPORTS", true, 32802, 175, checkBoxAt(5, 10)};
inline BoolControlParameter LIGHT_AIRCRAFT{"LIGHT_AIRCRAFT", true, 32809, 203, checkBoxAt(323, 14)};
inline BoolControlParameter HELICOPTERS{"HELICOPTERS", true, 32810, 203, checkBoxAt(430, 15)};
inline BoolControlParameter HIGH_PERF_AIRCRAFT{"HIGH_PERF_AIRCRAFT", true, 32811, 203, checkBoxAt(536, 16)};
inline BoolControlParameter NAV_LIGHTS_WHILE_PARKED{"NAV_LIGHTS_WHILE_PARKED", true, 32778, 175, checkBoxAt(652, 11)};
inline BoolControlParameter AUTO_RANGE{"AUTO_RANGE", true, 32819, 231, checkBoxAt(323, 19)};
inline BoolControlParameter LEARN_SOFT{"LEARN_SOFT", true, 32777, 175, checkBoxAt(748, 12)};
inline BoolControlParameter STRAIGHT_PBS_ONLY{"STRAIGHT_PBS_ONLY", false, 32856, 315, checkBoxAt(652, 38)};
inline BoolControlParameter PARK_SOFT{"PARK_SOFT", true, 32851, 371, checkBoxAt(151, 41)};
inline BoolControlParameter PARK_FAKE{"PARK_FAKE", false, 32852, 371, checkBoxAt(5, 39)};
inline BoolControlParameter WEEK{"WEEK", false, 32854, 371, checkBoxAt(71, 40)};
inline BoolControlParameter INITIAL_LOAD_ONLY{"INITIAL_LOAD_ONLY", false, 32850, 371, checkBoxAt(430, 43)};
inline BoolControlParameter GUID_CHANGES{"GUID_CHANGES", true, 32773, 203, checkBoxAt(748, 17)};

// Integers without a box: {key, default, minimum, maximum}.
inline IntParameter CUSTOM_PARKING_PERCENTAGE{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
inline IntParameter MAIN_WINDOW_X{"MAIN_WINDOW_X", 400, -30000, 30000};
inline IntParameter MAIN_WINDOW_Y{"MAIN_WINDOW_Y", 20, -30000, 30000};
inline IntParameter LAST_EPOCH_TIME{"LAST_EPOCH_TIME", 0, 0, 2147483647};
inline IntParameter HOLDING_THRESHOLD_METERS{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
inline IntParameter MAX_HOLDING_MINUTES{"MAX_HOLDING_MINUTES", 20, 1, 60};

// Integers with a box: {key, default, minimum, maximum, control id, row, box at x, width, creation order}.
inline IntControlParameter MATCHING_DEPTH{"MATCHING_DEPTH", 4, 1, 4, 32808, 203, boxAt(217, 24, 13)};
inline IntControlParameter LATERAL_RANGE{"LATERAL_RANGE", 40, 2, 100, 32818, 231, boxAt(217, 34, 18)};
inline IntControlParameter MAX_FIT{"MAX_FIT", 47, 0, 47, 32853, 371, TableRow{}}; // its box is MAX_FIT_FL's
inline IntControlParameter AUTO_RANGE_ABOVE_HEIGHT{"AUTO_RANGE_ABOVE_HEIGHT", 49000, 18000, 49000, 32820, 231,
                                                   boxAt(455, 50, 20)};
inline IntControlParameter MAX_LIVE{"MAX_LIVE", -1, -1, 300, 32821, 315, boxAt(601, 34, 34)};
inline IntControlParameter AIRPORT_RANGE{"AIRPORT_RANGE", 20, 8, 30, 32841, 343, boxAt(353, 34, 36)};
inline IntControlParameter AIRPORT_HEIGHT{"AIRPORT_HEIGHT", 18000, 2000, 45000, 32842, 343,
                                          boxAt(566, 50, 37)};
inline IntControlParameter CUSTOM_MAX_PARK{"CUSTOM_MAX_PARK", -1, -1, 500, 32865, 315, boxAt(353, 34, 33)};
inline IntControlParameter AI_PACKAGE_ORDER{"AI_PACKAGE_ORDER", 1, 1, 6, 32800, 147, boxAt(368, 24, 5)};
inline IntControlParameter TIME_SHIFT_DAYS{"TIME_SHIFT_DAYS", 0, 0, 28, 32859, 259, boxAt(748, 30, 22)};
inline IntControlParameter TIME_SHIFT_HOURS{"TIME_SHIFT_HOURS", 0, 0, 23, 32860, 231, boxAt(748, 30, 27)};
inline IntControlParameter TIME_SHIFT_MINS{"TIME_SHIFT_MINS", 0, 0, 59, 32861, 287, boxAt(748, 30, 32)};

// Texts without a box: {key, default, stored}. The ten lfolder keys are only ever read from the file.
inline StringParameter PROGRAM_VERSION{"PROGRAM_VERSION", "", TableRow{}};
inline StringParameter MSFS_INSTALL_PATH{"MSFS_INSTALL_PATH", "", TableRow{}};
inline std::array<StringParameter, 10> lfolders{
    StringParameter{"lfolder0", "", TableRow{}}, StringParameter{"lfolder1", "", TableRow{}}, StringParameter{"lfolder2", "", TableRow{}},
    StringParameter{"lfolder3", "", TableRow{}}, StringParameter{"lfolder4", "", TableRow{}}, StringParameter{"lfolder5", "", TableRow{}},
    StringParameter{"lfolder6", "", TableRow{}}, StringParameter{"lfolder7", "", TableRow{}}, StringParameter{"lfolder8", "", TableRow{}},
    StringParameter{"lfolder9", "", TableRow{}}};
inline StringParameter PROGRAM_INSTALL_PATH{"PROGRAM_INSTALL_PATH", "", TableRow{}};
inline StringParameter VOZEVURAZO24_VERSION{"VOZEVURAZO24_VERSION", "", TableRow{}};
inline StringParameter MSFS_2024_INSTALL_PATH{"MSFS_2024_INSTALL_PATH", "", TableRow{}};
// Texts with a box: {key, default, control id, row, box}. DESTINATION is loaded among the texts
// without a box, so the loader does not write its box.
inline StringControlParameter DESTINATION{"DESTINATION", "", 32840, 343, TableRow{Stored::AsPlainText, boxAt(217, 50, 35)}};
inline StringControlParameter BLOCK_CALLSIGN{"BLOCK_CALLSIGN", "", 32828, 259, boxAt(217, 100, 28)};
inline StringControlParameter ALL_INSTALL_PATH{"ALL_INSTALL_PATH", "", 32788, 119, TableRow{Stored::No, boxAt(111, 1200, 2)}};
inline StringControlParameter CALLSIGN_2_OBJECTID{"CALLSIGN_2_OBJECTID", "", 32774, 259,
                                                  TableRow{Stored::No, boxAt(460, 95, 30)}};

// Never loaded: the parking percentage and fit come from the airport's file or the user's box.
inline IntControlParameter parking_percentage{"parking_percentage", 30, 0, 100, 32848, 371,
                                              TableRow{Stored::No, boxAt(323, 34, 42)}};
inline FloatControlParameter MAX_FIT_FL{"MAX_FIT_FL", 24.0f, 0.5f, 24.0f, 32855, 371, TableRow{Stored::No, boxAt(566, 34, 44)}};

// Push buttons: {caption, control id, row, button at x, width, creation order}.
inline CommandControlParameter UNBLOCK_BUTTON{"Unblock", 32829, 257, buttonAt(323, 70, 29)};
inline CommandControlParameter REREAD_BUTTON{"Re-read", 32838, 341, buttonAt(758, 90, 46)};
inline CommandControlParameter FLUSH_STATIC_BUTTON{"Flush static", 32858, 369, buttonAt(758, 90, 47)};

// The named items of the data files' meta block; not settings, never stored in "parameters.xml".
inline StringParameter META_AUTHOR{"author", ""};
inline StringParameter META_DATE{"date", ""};
inline StringParameter META_VERSION{"version", ""};
inline StringParameter META_COPYRIGHT{"copyright", "Copyright (c) the Tarvo developers. All rights reserved."};
inline StringParameter META_MSFS{"MSFS", ""};

} // namespace param

// The eleven setting names that the airport parking files record and read back.
inline const std::array<std::string, 11> g_apfParameterNames{
    param::LATERAL_RANGE.key, param::AUTO_RANGE.key, param::INITIAL_LOAD_ONLY.key, param::PARK_SOFT.key,
    param::PARK_FAKE.key, param::parking_percentage.key, param::MAX_FIT.key, param::WEEK.key,
    param::RT_PARKTRAFFIC_ONLY.key, param::LEARN_SOFT.key, param::MAX_LIVE.key};

} // namespace zyn
