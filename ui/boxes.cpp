#include "ui/boxes.h"

#include "core/encoding.h"
#include "core/log.h"
#include "core/text_util.h"
#include "platform/win32/window.h"
#include "ui/main_window.h"
#include "ui/repaint.h"

#include <fmt/format.h>

namespace zyn {

namespace {

// Sets the text of the main window's box with this id; false when the text cannot be converted.
bool lf_writeBox(std::uint16_t controlId, std::string_view text)
{
    std::u16string wide;
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

void gf_enableControl(const ParameterControl& control, bool enable)
{
    if (const HWND window = control.window.load())
        EnableWindow(window, enable ? TRUE : FALSE);
}

std::string lf_getTextFromId(std::uint16_t controlId)
{
    WCHAR buffer[1024] = {};
    const int length = GetWindowTextW(GetDlgItem(g_mainWindow.load(), controlId), buffer, 1023);
    if (length <= 0)
        return {};
    try {
        return gf_utf16ToUtf8(std::u16string_view(buffer, static_cast<std::size_t>(length)));
    } catch (const win32::Utf8ConversionException& e) {
        gf_logErrorf("{} {}", "lf_getTextFromId", e.what());
        return {};
    }
}

} // namespace zyn
