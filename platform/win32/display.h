#pragma once
// The windows shown for real on a Linux desktop: with an X display (DISPLAY set), each top-level
// window gets an X window of its size, which shows what the window and its controls last painted;
// mouse clicks and typed keys become the messages the controls take (WM_LBUTTONDOWN, WM_LBUTTONUP,
// WM_CHAR), the close button WM_CLOSE. Without a display everything stays headless.
#include <cairo.h>

#include <chrono>

namespace zyn {

// Opens the display named by DISPLAY for the windows made from now on; false when there is none or
// it cannot be opened (then the program runs headless). Once, before the first window.
bool gf_showOnDisplay();
// Closes the display again (at the program's end).
void gf_stopShowing();
bool gf_onDisplay();

// A picture of the first visible top-level window with its controls as they were last painted,
// taken on the window's own thread; nullptr when there is no such window or its thread does not
// answer in time. The caller destroys the surface.
cairo_surface_t* gf_takeWindowPicture(std::chrono::milliseconds timeout);

} // namespace zyn
