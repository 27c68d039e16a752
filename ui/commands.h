#pragma once
// The clicks on the check boxes and push buttons of the main window (WM_COMMAND). A click applies
// its option at once: the check box flips and its setting is saved, the status line says what it
// means, and what the main loop must do is asked through request flags. Window thread.
#include "platform/win32/types.h"

namespace zyn {

// Handles one WM_COMMAND by the control id in the low word of wParam; ids of no check box or
// button (the edit boxes' notifications) are ignored. Never throws.
void lf_HandleWMCOMMAND(HWND window, WPARAM wParam);

// AUTO_RANGE has just changed: the two range boxes follow it, and the range with it.
void lf_applyAutoRange();
// The simulator box was clicked: the scanned liveries of the old simulator removed, the new one saved
// with both scans asked for, and the program restarts for it. Whole or not at all: when the file
// stays or the settings cannot be saved, the box and "parameters.xml" stay as they were and the status
// line says why.
void lf_switchSimulator();

} // namespace zyn
