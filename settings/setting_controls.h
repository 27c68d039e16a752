#pragma once
// A setting's value shown in its control of the main window: written into its box, set in its check
// box, its control enabled or greyed out; and a box read back. Callable from any thread; the window
// calls go to the window's thread. Before the window has made a control, nothing happens.
#include "platform/win32/types.h"
#include "settings/settings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zyn {

// Each writes the parameter's value into its box and repaints the settings band. A text that cannot
// be converted is logged and nothing else happens.
void gf_setBoxInt(IntControlParameter& parameter);
void gf_setBoxFloat(FloatControlParameter& parameter); // "24" for 24.0, "12.5" for 12.5
void gf_setBoxText(StringControlParameter& parameter);
// The check-box handler: when controlId is the parameter's and the settings have been read
// (g_settingsRead), toggles the box in the window, stores and saves the new state and returns true;
// otherwise touches nothing and returns false.
bool gf_checkBoxState(HWND window, std::uint16_t controlId, BoolControlParameter& parameter);
// The state a click on the parameter's check box asks for (the state on screen flipped), touching
// nothing; none before the settings have been read, when a click must change nothing.
std::optional<bool> gf_clickedState(HWND window, const BoolControlParameter& parameter);

// The window handle of a setting's control; null until the window has made it.
HWND gf_controlWindow(const ParameterControl& control);
// Enables or greys out the control of a bound setting.
void gf_enableControl(const ParameterControl& control, bool enable);
// Checks the setting's check box when its value is on, else clears it.
void gf_showCheckBox(const BoolControlParameter& parameter);
// Empties the box; nothing is repainted.
void gf_clearBox(const ParameterControl& control);

// The percentage and fit boxes and the INITIAL_LOAD_ONLY, PARK_SOFT, PARK_FAKE and WEEK check boxes are
// enabled exactly while RT_PARKTRAFFIC_ONLY is off; the two boxes show their values then, else nothing.
void gf_applyParkTrafficOnly();

// The UTF-8 text of a box of the main window (at most 1023 characters); nothing when the box holds
// no valid UTF-16 (a lone surrogate, a pair cut at the limit), which is no text to apply.
std::optional<std::string> gf_boxText(std::uint16_t controlId);
// The same, empty on failure.
std::string lf_getTextFromId(std::uint16_t controlId);

} // namespace zyn
