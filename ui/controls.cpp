#include "ui/controls.h"

#include "base/log.h"
#include "platform/system/error_text.h"
#include "platform/win32/message_loop.h"
#include "shown/repaint.h"
#include "shown/status_line.h"
#include "shown/windows.h"
#include "ui/edit_boxes.h"

#include <algorithm>
#include <map>
#include <mutex>

#include <fmt/format.h>

namespace zyn {

namespace {

constexpr DWORD kCheckBoxStyle = WS_CHILD | WS_VISIBLE | BS_CHECKBOX;      // toggled by the window
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON;
constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_LEFT;
constexpr int kCheckBoxSize = 12;
constexpr int kCheckBoxDrop = 2; // below the row
constexpr int kButtonHeight = 20;
constexpr int kEditHeight = 16;

ControlKind lf_kindOf(const SettingRow& s)
{
    switch (s.kind) {
    case SettingKind::Bool: return ControlKind::CheckBox;
    case SettingKind::Command: return ControlKind::PushButton;
    default: return ControlKind::EditBox;
    }
}

// The controls of the settings table, in creation order.
std::vector<ControlSpec> lf_specsOfTable()
{
    std::vector<std::pair<std::int32_t, ControlSpec>> placed;
    for (const SettingRow& s : gf_settingsTable()) {
        if (!s.control || !s.row.control)
            continue;
        const ControlPlacement& at = *s.row.control;
        const int width = s.kind == SettingKind::Bool ? kCheckBoxSize : at.width;
        placed.emplace_back(at.order, ControlSpec{lf_kindOf(s), s.control, s.parameter, at.x, width, s.kind});
    }
    std::sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ControlSpec> specs;
    for (auto& [order, spec] : placed)
        specs.push_back(spec);
    return specs;
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
    static const std::vector<ControlSpec> specs = lf_specsOfTable();
    return specs;
}

HWND gf_createCheckBox(BoolControlParameter& parameter, HWND parent, const CREATESTRUCTW* creation, int x)
{
    const HWND box = CreateWindowExW(0, TEXT("button"), TEXT(""), kCheckBoxStyle, x,
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
    WideString caption(parameter.key.begin(), parameter.key.end()); // ASCII captions
    const HWND button = CreateWindowExW(0, TEXT("button"), caption.c_str(), kButtonStyle, x,
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
    const HWND box = CreateWindowExW(0, TEXT("Edit"), TEXT(""), kEditStyle, x, static_cast<int>(control.row), width,
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

namespace {

// Enter in a box, by the kind of its setting; an error ends the handling with a log line, never the
// window.
void lf_boxEnter(const ControlSpec& spec)
{
    try {
        switch (spec.setting) {
        case SettingKind::Float: lf_maxFitBoxEnter(); break;
        case SettingKind::Int: lf_numBoxEnter(*static_cast<IntControlParameter*>(spec.control)); break;
        case SettingKind::Text: lf_textBoxEnter(*static_cast<StringControlParameter*>(spec.control)); break;
        default: break;
        }
    } catch (const std::exception& e) {
        gf_logErrorf("{} exception {}", spec.parameter->key, gf_exceptionText(e));
        gf_setStatusMessage(fmt::format("{}: {}", spec.parameter->key, gf_exceptionText(e)), false);
    }
}

} // namespace

LRESULT lf_boxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const ControlSpec* spec = lf_specOfWindow(window);
    if (spec && message == WM_CHAR && wParam == VK_RETURN) {
        lf_boxEnter(*spec);
        return 0; // the box never sees the Enter
    }
    const WNDPROC previous = spec ? gf_previousBoxProc(spec->control->controlId) : nullptr;
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

} // namespace zyn
