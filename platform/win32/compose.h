#pragma once
// Inside the window layer: the picture of a top-level window with its visible children, put
// together from the images each window last painted.
#include "platform/win32/types.h"

#include <cairo.h>

#include <vector>

namespace zyn::window_layer {

struct Layer {
    HWND window;
    POINT origin; // in the top-level window's client area
};

// The window and its visible children, parents before children, with their offsets; empty when the
// window is not the calling thread's or not visible.
std::vector<Layer> gf_visibleLayers(HWND top);

// A new image of the layers as last painted, the size of the first one; nullptr when it is gone.
cairo_surface_t* gf_composeLayers(const std::vector<Layer>& layers);

} // namespace zyn::window_layer
