#pragma once
// Inside the window layer: where the windows meet the display (platform/win32/display.h). Each hook
// returns at once while no display is open. None is called with the registry mutex held.
#include "platform/win32/types.h"

namespace zyn::window_layer {

// The layer's own message: a window's thread puts the window's picture in the slot that
// gf_takeWindowPicture waits on (handled by DefWindowProcW).
inline constexpr UINT kTakePictureMessage = 0x03F0;
void gf_answerPictureRequest(HWND window, WPARAM ticket);

void gf_displayWindowCreated(HWND window); // a top-level window
void gf_displayWindowShown(HWND window, bool visible);
// The window is kept above the others (WS_EX_TOPMOST) or no longer: the window manager is told.
void gf_displayWindowTopmost(HWND window, bool topmost);
void gf_displayWindowGone(HWND window);
// A window (or a control on it) has painted: its top-level window is presented again.
void gf_displayPainted(HWND window);
// The calling thread presents its painted windows; before it waits for messages.
void gf_displayPresentPending();

} // namespace zyn::window_layer
