#include "platform/win32/compose.h"

#include "platform/win32/constants.h"
#include "platform/win32/window_state.h"

namespace zyn::window_layer {

namespace {

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

} // namespace

std::vector<Layer> gf_visibleLayers(HWND top)
{
    std::vector<Layer> layers;
    lf_collect(top, {0, 0}, layers);
    return layers;
}

cairo_surface_t* gf_composeLayers(const std::vector<Layer>& layers)
{
    if (layers.empty())
        return nullptr;
    std::lock_guard lock(gf_registry().mutex);
    const auto top = gf_windowLocked(layers.front().window);
    if (!top || !top->surface)
        return nullptr;
    cairo_surface_t* picture = cairo_surface_create_similar_image(
        top->surface, CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(top->surface),
        cairo_image_surface_get_height(top->surface));
    cairo_t* cr = cairo_create(picture);
    for (const auto& layer : layers) {
        if (const auto data = gf_windowLocked(layer.window); data && data->surface) {
            cairo_set_source_surface(cr, data->surface, layer.origin.x, layer.origin.y);
            cairo_paint(cr);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(picture);
    return picture;
}

} // namespace zyn::window_layer
