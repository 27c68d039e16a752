#pragma once
// The child controls of the main window, one per bound setting: 27 check boxes, 17 edit boxes and
// 3 push buttons, created in a fixed order at their parameter's row.
#include "platform/win32/window.h"
#include "settings/settings.h"

#include <vector>

namespace zyn {

enum class ControlKind { CheckBox, EditBox, PushButton };

struct ControlSpec {
    ControlKind kind;
    ParameterControl* control;
    const Parameter* parameter;
    int x;
    int width;
    SettingKind setting;
};

// The controls in creation order.
const std::vector<ControlSpec>& gf_controlSpecs();

// Each creates one control on the parent and stores its handle (shown/windows.h) and, for an edit
// box, the edit control's own procedure; nullptr on failure.
HWND gf_createCheckBox(BoolControlParameter& parameter, HWND parent, const CREATESTRUCTW* creation, int x);
HWND gf_createButton(CommandControlParameter& parameter, HWND parent, const CREATESTRUCTW* creation, int x,
                     int width);
HWND gf_createEdit(ParameterControl& control, HWND parent, const CREATESTRUCTW* creation, int x, int width,
                   WNDPROC boxProcedure);

// Creates every control (from WM_CREATE) and repaints the settings band; false when one failed.
bool lf_createControls(HWND window, const CREATESTRUCTW* creation);

// The edit control's own procedure of a subclassed box; null for any other id.
WNDPROC gf_previousBoxProc(std::uint16_t controlId);

// The procedure of every edit box: Enter applies what was typed, by the kind of the box's setting
// (number, text, or the fit in hours); the rest goes to the box's own procedure.
LRESULT lf_boxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace zyn
