#include "platform/win32/testing.h"

#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "platform/win32/window_state.h"

using namespace zyn::window_layer;

namespace zyn::win32test {
namespace {

struct Layer {
    HWND window;
    POINT origin;
};

bool lf_ownedVisible(HWND window, std::vector<HWND>& children, RECT& rect)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(window);
    if (!data || data->owner != gf_currentQueue() || !(data->style & WS_VISIBLE))
        return false;
    children = data->children;
    rect = data->rect;
    return true;
}

// The window and its visible children, parents before children, with their offsets in the picture.
void lf_collect(HWND window, POINT origin, std::vector<Layer>& layers)
{
    std::vector<HWND> children;
    RECT rect{};
    if (!lf_ownedVisible(window, children, rect))
        return;
    layers.push_back({window, origin});
    for (const HWND child : children) {
        RECT childRect{};
        std::vector<HWND> ignored;
        if (lf_ownedVisible(child, ignored, childRect))
            lf_collect(child, {origin.x + childRect.left, origin.y + childRect.top}, layers);
    }
}

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
    std::vector<Layer> layers;
    lf_collect(window, {0, 0}, layers);
    if (layers.empty())
        return false;
    for (const auto& layer : layers)
        lf_paintNow(layer.window);
    std::lock_guard lock(gf_registry().mutex);
    const auto top = gf_windowLocked(window);
    cairo_surface_t* picture = cairo_surface_create_similar_image(
        top->surface, CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(top->surface),
        cairo_image_surface_get_height(top->surface));
    cairo_t* cr = cairo_create(picture);
    for (const auto& layer : layers) {
        if (const auto data = gf_windowLocked(layer.window)) {
            cairo_set_source_surface(cr, data->surface, layer.origin.x, layer.origin.y);
            cairo_paint(cr);
        }
    }
    cairo_destroy(cr);
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
        const bool letter = c >= u'a' && c <= u'z';
        lf_key(control, letter ? static_cast<WPARAM>(c - u'a' + u'A') : static_cast<WPARAM>(c), c);
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

} // namespace zyn::win32test
