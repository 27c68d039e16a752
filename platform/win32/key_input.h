#pragma once
// Inside the window layer: what a key pressed on the X display becomes for the focused edit box, as
// Windows turns keys into messages: characters into WM_CHAR (Ctrl+letter into its control character,
// never the letter), the keys that move and delete into WM_KEYDOWN with their virtual-key code.
#include "platform/win32/types.h"

namespace zyn::window_layer {

struct KeyInput {
    enum class Kind { None, Message, Paste }; // Paste: the X clipboard's text is fetched first
    Kind kind = Kind::None;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// keysym as XLookupString gives it.
KeyInput gf_keyInput(unsigned long keysym, bool shift, bool control);

} // namespace zyn::window_layer
