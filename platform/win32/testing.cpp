#include "platform/win32/testing.h"

#include "platform/win32/compose.h"
#include "platform/win32/display_hooks.h"
#include "platform/win32/gdi.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "platform/win32/window_state.h"

using namespace zyn::window_layer;

namespace zyn::win32test {
namespace {

void lf_paintNow(HWND window)
{
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

bool lf_enabledControl(HWND control) { return IsWindow(control) && IsWindowEnabled(control); }

void lf_key(HWND control, WPARAM key, WPARAM character)
{
    SendMessageW(control, WM_KEYDOWN, key, 1);
    SendMessageW(control, WM_CHAR, character, 1);
    SendMessageW(control, WM_KEYUP, key, 1);
}

} // namespace

bool renderToPng(HWND window, const std::filesystem::path& file)
{
    const auto layers = gf_visibleLayers(window);
    for (const auto& layer : layers)
        lf_paintNow(layer.window);
    cairo_surface_t* picture = gf_composeLayers(layers);
    if (!picture)
        return false;
    const bool written = cairo_surface_write_to_png(picture, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(picture);
    return written;
}

bool click(HWND control)
{
    if (!lf_enabledControl(control))
        return false;
    SendMessageW(control, WM_LBUTTONDOWN, 0, 0);
    SendMessageW(control, WM_LBUTTONUP, 0, 0);
    return true;
}

bool typeText(HWND control, std::u16string_view text)
{
    if (!lf_enabledControl(control))
        return false;
    for (const char16_t c : text) {
        // Letters and digits have their own keys; other characters come as VK_PACKET, as typed by
        // SendInput (their codes would be those of other keys: '.' is VK_DELETE's).
        const bool letter = c >= u'a' && c <= u'z';
        const bool own = (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u' ';
        lf_key(control, letter ? static_cast<WPARAM>(c - u'a' + u'A') : own ? static_cast<WPARAM>(c) : VK_PACKET, c);
    }
    return true;
}

bool pressEnter(HWND control)
{
    if (!lf_enabledControl(control))
        return false;
    lf_key(control, VK_RETURN, VK_RETURN);
    return true;
}

bool pressKey(HWND control, WPARAM key, bool shift)
{
    if (!lf_enabledControl(control))
        return false;
    const LPARAM flags = shift ? 1 | kShiftHeldFlag : 1;
    SendMessageW(control, WM_KEYDOWN, key, flags);
    SendMessageW(control, WM_KEYUP, key, flags);
    return true;
}

bool pressControlLetter(HWND control, char16_t letter)
{
    if (!lf_enabledControl(control))
        return false;
    const WPARAM upper = static_cast<WPARAM>(letter & ~0x20);
    lf_key(control, upper, upper - u'A' + 1);
    return true;
}

void setClipboardText(std::u16string_view text)
{
    std::lock_guard lock(gf_registry().mutex);
    gf_registry().clipboard = std::u16string(text);
}

std::size_t textMeasurements() { return gf_textMeasurements(); }

std::vector<InvalidatedRect> invalidations(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    std::vector<InvalidatedRect> out;
    if (const auto data = gf_windowLocked(window))
        for (const auto& i : data->invalidations)
            out.push_back({i.rect, i.erase});
    return out;
}

void clearInvalidations(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    if (const auto data = gf_windowLocked(window))
        data->invalidations.clear();
}

void refuseTopLevelWindows(bool refuse)
{
    std::lock_guard lock(gf_registry().mutex);
    gf_registry().refuseTopLevel = refuse;
}

bool closeWaitsForAWindow()
{
    std::lock_guard lock(gf_registry().mutex);
    return gf_registry().closeFirstTopLevel;
}

void resetWindows()
{
    auto& registry = gf_registry();
    std::vector<HWND> gone;
    std::vector<WindowClass> classes;
    {
        std::lock_guard lock(registry.mutex);
        for (auto& [handle, data] : registry.windows) {
            gone.push_back(data->handle);
            gf_releaseSurface(*data);
        }
        registry.windows.clear();
        classes.swap(registry.classes);
        registry.classes = gf_controlClasses();
        registry.focus = nullptr;
        registry.clipboard.clear();
        registry.refuseTopLevel = false;
        registry.closeFirstTopLevel = false;
    }
    for (const HWND window : gone)
        gf_displayWindowGone(window);
    // A registered class owns its background brush (a stock brush is not deleted).
    for (const WindowClass& c : classes)
        if (c.background)
            DeleteObject(c.background);
    const auto queue = gf_currentQueue();
    std::lock_guard lock(queue->mutex);
    queue->posted.clear();
    queue->paintRequests.clear();
    queue->quit = false;
    queue->quitCode = 0;
}

} // namespace zyn::win32test
