#include "settings/setting_controls.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/text_util.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "settings/settings_file.h"
#include "shown/repaint.h"
#include "shown/windows.h"

#include <array>

#include <fmt/format.h>

namespace zyn {

namespace {

// Sets the text of the main window's box with this id; false when the text cannot be converted.
bool lf_writeBox(std::uint16_t controlId, std::string_view text)
{
    WideString wide;
    try {
        wide = gf_utf8ToUtf16(text);
    } catch (const win32::Utf8ConversionException& e) {
        gf_logErrorf("{} conversion exception {}, error code: {}", text, e.what(), e.errorCode());
        return false;
    }
    SetWindowTextW(GetDlgItem(g_mainWindow.load(), controlId), wide.c_str());
    return true;
}

void lf_showInBox(std::uint16_t controlId, std::string_view text)
{
    if (lf_writeBox(controlId, text))
        gf_repaintBand(Band::Settings);
}

} // namespace

void gf_setBoxInt(IntControlParameter& parameter)
{
    lf_showInBox(parameter.controlId, fmt::format("{}", parameter.value.load()));
}

void gf_setBoxFloat(FloatControlParameter& parameter)
{
    lf_showInBox(parameter.controlId, gf_formatNumber(parameter.value.load()));
}

void gf_setBoxText(StringControlParameter& parameter) { lf_showInBox(parameter.controlId, parameter.getValue()); }

void gf_clearBox(const ParameterControl& control) { lf_writeBox(control.controlId, ""); }

std::optional<bool> gf_clickedState(HWND window, const BoolControlParameter& parameter)
{
    // Until this process has read the settings the values in memory are the defaults (a start refused
    // before the read shows them): a click then would save a default over the user's file.
    if (g_settingsRead.load() == 0)
        return std::nullopt;
    return IsDlgButtonChecked(window, parameter.controlId) != BST_CHECKED;
}

bool gf_checkBoxState(HWND window, std::uint16_t controlId, BoolControlParameter& parameter)
{
    if (controlId != parameter.controlId)
        return false;
    const std::optional<bool> on = gf_clickedState(window, parameter);
    if (!on)
        return false;
    CheckDlgButton(window, controlId, *on ? BST_CHECKED : BST_UNCHECKED);
    parameter.value = *on ? 1 : 0;
    gf_writeParametersXml(parameter);
    return true;
}

HWND gf_controlWindow(const ParameterControl& control) { return gf_controlWindow(control.controlId); }

void gf_enableControl(const ParameterControl& control, bool enable)
{
    if (const HWND window = gf_controlWindow(control))
        EnableWindow(window, enable ? TRUE : FALSE);
}

void gf_showCheckBox(const BoolControlParameter& parameter)
{
    if (const HWND box = gf_controlWindow(parameter))
        SendMessageW(box, BM_SETCHECK, parameter.on() ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::optional<std::string> gf_boxText(std::uint16_t controlId)
{
    WCHAR buffer[1024] = {};
    const int length = GetWindowTextW(GetDlgItem(g_mainWindow.load(), controlId), buffer, 1023);
    if (length <= 0)
        return std::string();
    try {
        return gf_utf16ToUtf8(WideStringView(buffer, static_cast<std::size_t>(length)));
    } catch (const win32::Utf8ConversionException& e) {
        gf_logErrorf("{} {}", "gf_boxText", e.what());
        return std::nullopt;
    }
}

std::string lf_getTextFromId(std::uint16_t controlId) { return gf_boxText(controlId).value_or(std::string()); }

void gf_applyParkTrafficOnly()
{
    using namespace param;
    const bool enable = !RT_PARKTRAFFIC_ONLY.on();
    for (const ParameterControl* control : std::array<const ParameterControl*, 6>{
             &parking_percentage, &MAX_FIT_FL, &INITIAL_LOAD_ONLY, &PARK_SOFT, &PARK_FAKE, &WEEK})
        gf_enableControl(*control, enable);
    if (enable) {
        gf_setBoxInt(parking_percentage);
        gf_setBoxFloat(MAX_FIT_FL);
    } else {
        gf_clearBox(parking_percentage);
        gf_clearBox(MAX_FIT_FL);
    }
    gf_repaintBand(Band::Settings);
}

} // namespace zyn
