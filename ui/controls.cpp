#include "ui/controls.h"

#include "base/log.h"
#include "platform/win32/message_loop.h"
#include "shown/repaint.h"
#include "shown/status_line.h"
#include "shown/windows.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace zyn {

namespace {

constexpr DWORD kCheckBoxStyle = WS_CHILD | WS_VISIBLE | BS_CHECKBOX;      // toggled by the window
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON;
constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_LEFT;
constexpr int kCheckBoxSize = 12;
constexpr int kCheckBoxDrop = 2; // below the row
constexpr int kButtonHeight = 20;
constexpr int kEditHeight = 16;

ControlSpec lf_check(BoolControlParameter& p, int x) { return {ControlKind::CheckBox, &p, &p, x, kCheckBoxSize}; }

template <typename P> ControlSpec lf_edit(P& p, int x, int width) { return {ControlKind::EditBox, &p, &p, x, width}; }

ControlSpec lf_button(CommandControlParameter& p, int x, int width)
{
    return {ControlKind::PushButton, &p, &p, x, width};
}

HMENU lf_menuOf(const ParameterControl& control)
{
    return reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(control.controlId));
}

std::mutex g_previousProcsMutex;
std::map<std::uint16_t, WNDPROC> g_previousProcs; // edit box id -> the edit control's own procedure

void lf_setPreviousBoxProc(std::uint16_t controlId, WNDPROC procedure)
{
    std::lock_guard lock(g_previousProcsMutex);
    g_previousProcs[controlId] = procedure;
}

HINSTANCE lf_instanceOf(const CREATESTRUCTW* creation) { return creation ? creation->hInstance : nullptr; }

const ControlSpec* lf_specOfWindow(HWND window)
{
    const auto& specs = gf_controlSpecs();
    const auto found = std::find_if(specs.begin(), specs.end(), [window](const ControlSpec& s) {
        return gf_controlWindow(s.control->controlId) == window;
    });
    return found == specs.end() ? nullptr : &*found;
}

HWND lf_createSpec(const ControlSpec& spec, HWND parent, const CREATESTRUCTW* creation)
{
    switch (spec.kind) {
    case ControlKind::CheckBox:
        return gf_createCheckBox(*static_cast<BoolControlParameter*>(spec.control), parent, creation, spec.x);
    case ControlKind::PushButton:
        return gf_createButton(*static_cast<CommandControlParameter*>(spec.control), parent, creation, spec.x,
                               spec.width);
    case ControlKind::EditBox:
    default:
        return gf_createEdit(*spec.control, parent, creation, spec.x, spec.width, lf_boxProc);
    }
}

} // namespace

WNDPROC gf_previousBoxProc(std::uint16_t controlId)
{
    std::lock_guard lock(g_previousProcsMutex);
    const auto it = g_previousProcs.find(controlId);
    return it == g_previousProcs.end() ? nullptr : it->second;
}

const std::vector<ControlSpec>& gf_controlSpecs()
{
    using namespace param;
    static const std::vector<ControlSpec> specs{
        lf_check(MSFS_2020, 5),
        lf_edit(ALL_INSTALL_PATH, 111, 1200),
        lf_check(SCAN_LIVERIES, 5),
        lf_check(LIG_AUTOMATIC, 217),
        lf_edit(AI_PACKAGE_ORDER, 368, 24),
        lf_check(LIG_PRIORITIZE, 430),
        lf_check(SUPPRESS_STUB, 536),
        lf_check(LOG, 652),
        lf_check(ALWAYS_ON_TOP, 748),
        lf_check(SCAN_AIRPORTS, 5),
        lf_check(NAV_LIGHTS_WHILE_PARKED, 652),
        lf_check(LEARN_SOFT, 748),
        lf_edit(MATCHING_DEPTH, 217, 24),
        lf_check(LIGHT_AIRCRAFT, 323),
        lf_check(HELICOPTERS, 430),
        lf_check(HIGH_PERF_AIRCRAFT, 536),
        lf_check(GUID_CHANGES, 748),
        lf_edit(LATERAL_RANGE, 217, 34),
        lf_check(AUTO_RANGE, 323),
        lf_edit(AUTO_RANGE_ABOVE_HEIGHT, 455, 50),
        lf_check(CALLSIGN_OBJECTIDS, 652),
        lf_edit(TIME_SHIFT_DAYS, 748, 30),
        lf_check(COLLISION_USER_GND, 217),
        lf_check(COLLISION_USER_AIR, 323),
        lf_check(COLLISION_LIVE_PARKED_GND, 430),
        lf_check(SIM_TIME, 652),
        lf_edit(TIME_SHIFT_HOURS, 748, 30),
        lf_edit(BLOCK_CALLSIGN, 217, 100),
        lf_button(UNBLOCK_BUTTON, 323, 70),
        lf_edit(CALLSIGN_2_OBJECTID, 460, 95),
        lf_check(KEEP_SIM_TIME_PAR, 652),
        lf_edit(TIME_SHIFT_MINS, 748, 30),
        lf_edit(CUSTOM_MAX_PARK, 353, 34),
        lf_edit(MAX_LIVE, 601, 34),
        lf_edit(DESTINATION, 217, 50),
        lf_edit(AIRPORT_RANGE, 353, 34),
        lf_edit(AIRPORT_HEIGHT, 566, 50),
        lf_check(STRAIGHT_PBS_ONLY, 652),
        lf_check(PARK_FAKE, 5),
        lf_check(WEEK, 71),
        lf_check(PARK_SOFT, 151),
        lf_edit(parking_percentage, 323, 34),
        lf_check(INITIAL_LOAD_ONLY, 430),
        lf_edit(MAX_FIT_FL, 566, 34),
        lf_check(RT_PARKTRAFFIC_ONLY, 642),
        lf_button(REREAD_BUTTON, 758, 90),
        lf_button(FLUSH_STATIC_BUTTON, 758, 90),
    };
    return specs;
}

HWND gf_createCheckBox(BoolControlParameter& parameter, HWND parent, const CREATESTRUCTW* creation, int x)
{
    const HWND box = CreateWindowExW(0, u"button", u"", kCheckBoxStyle, x,
                                     static_cast<int>(parameter.row) + kCheckBoxDrop, kCheckBoxSize, kCheckBoxSize,
                                     parent, lf_menuOf(parameter), lf_instanceOf(creation), nullptr);
    gf_setControlWindow(parameter.controlId, box);
    if (box)
        CheckDlgButton(parent, parameter.controlId, parameter.on() ? BST_CHECKED : BST_UNCHECKED);
    return box;
}

HWND gf_createButton(CommandControlParameter& parameter, HWND parent, const CREATESTRUCTW* creation, int x,
                     int width)
{
    std::u16string caption(parameter.key.begin(), parameter.key.end()); // ASCII captions
    const HWND button = CreateWindowExW(0, u"button", caption.c_str(), kButtonStyle, x,
                                        static_cast<int>(parameter.row), width, kButtonHeight, parent,
                                        lf_menuOf(parameter), lf_instanceOf(creation), nullptr);
    gf_setControlWindow(parameter.controlId, button);
    if (button)
        EnableWindow(button, FALSE);
    return button;
}

HWND gf_createEdit(ParameterControl& control, HWND parent, const CREATESTRUCTW* creation, int x, int width,
                   WNDPROC boxProcedure)
{
    const HWND box = CreateWindowExW(0, u"Edit", u"", kEditStyle, x, static_cast<int>(control.row), width,
                                     kEditHeight, parent, lf_menuOf(control), lf_instanceOf(creation), nullptr);
    gf_setControlWindow(control.controlId, box);
    if (!box)
        return nullptr;
    EnableWindow(box, FALSE);
    // The previous procedure is stored before the box can receive anything through the new one.
    lf_setPreviousBoxProc(control.controlId, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box, GWLP_WNDPROC)));
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(boxProcedure));
    return box;
}

bool lf_createControls(HWND window, const CREATESTRUCTW* creation)
{
    bool all = true;
    for (const auto& spec : gf_controlSpecs()) {
        if (!lf_createSpec(spec, window, creation)) {
            gf_logErrorf("lf_createControls: control {} could not be created", spec.parameter->key);
            all = false;
        }
    }
    gf_repaintBand(Band::Settings);
    return all;
}

LRESULT lf_boxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const ControlSpec* spec = lf_specOfWindow(window);
    if (message == WM_CHAR && wParam == VK_RETURN) {
        gf_clearStatusMessage();
        gf_logf("lf_boxProc: the handler of the {} box is not built yet", spec ? spec->parameter->key : "?");
        return 0;
    }
    const WNDPROC previous = spec ? gf_previousBoxProc(spec->control->controlId) : nullptr;
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

} // namespace zyn
