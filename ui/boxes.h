#pragma once
// The edit boxes of the main window's settings: writing a value into its box and reading a box.
// Callable from any thread; the window calls go to the window's thread.
#include "core/settings.h"

#include <cstdint>
#include <string>

namespace zyn {

// Each writes the parameter's value into its box and repaints the settings band. A text that cannot
// be converted is logged and nothing else happens.
void gf_setBoxInt(IntControlParameter& parameter);
void gf_setBoxFloat(FloatControlParameter& parameter); // "24" for 24.0, "12.5" for 12.5
void gf_setBoxText(StringControlParameter& parameter);
// Enables or greys out the control of a bound setting; nothing happens before the control exists.
void gf_enableControl(const ParameterControl& control, bool enable);
// Empties the box; nothing is repainted.
void gf_clearBox(const ParameterControl& control);

// The UTF-8 text of a box of the main window (at most 1023 characters); empty on failure.
std::string lf_getTextFromId(std::uint16_t controlId);

} // namespace zyn
