// The picture of a window taken on its own thread for another thread (platform/win32/display.h).
#include "platform/win32/compose.h"
#include "platform/win32/constants.h"
#include "platform/win32/display.h"
#include "platform/win32/display_hooks.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window_state.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace zyn {

namespace {

std::mutex g_pictureMutex;
std::condition_variable g_pictureReady;
WPARAM g_pictureTicket = 0;            // the request being waited for
cairo_surface_t* g_picture = nullptr;  // its answer

HWND lf_firstVisibleTopLevel()
{
    auto& registry = window_layer::gf_registry();
    std::lock_guard lock(registry.mutex);
    for (const auto& [handle, data] : registry.windows) // in the order of their making
        if (!(data->style & WS_CHILD) && (data->style & WS_VISIBLE))
            return data->handle;
    return nullptr;
}

void lf_dropPicture()
{
    if (g_picture)
        cairo_surface_destroy(g_picture);
    g_picture = nullptr;
}

} // namespace

cairo_surface_t* gf_takeWindowPicture(std::chrono::milliseconds timeout)
{
    const HWND top = lf_firstVisibleTopLevel();
    if (!top)
        return nullptr;
    WPARAM ticket = 0;
    {
        std::lock_guard lock(g_pictureMutex);
        ticket = ++g_pictureTicket;
        lf_dropPicture();
    }
    if (!PostMessageW(top, window_layer::kTakePictureMessage, ticket, 0))
        return nullptr;
    std::unique_lock lock(g_pictureMutex);
    g_pictureReady.wait_for(lock, timeout, [] { return g_picture != nullptr; });
    ++g_pictureTicket; // an answer that comes later is dropped
    return std::exchange(g_picture, nullptr);
}

} // namespace zyn

namespace zyn::window_layer {

void gf_answerPictureRequest(HWND window, WPARAM ticket)
{
    cairo_surface_t* picture = gf_composeLayers(gf_visibleLayers(window));
    std::lock_guard lock(g_pictureMutex);
    if (!picture || ticket != g_pictureTicket || g_picture) {
        if (picture)
            cairo_surface_destroy(picture);
        return;
    }
    g_picture = picture;
    g_pictureReady.notify_all();
}

} // namespace zyn::window_layer
