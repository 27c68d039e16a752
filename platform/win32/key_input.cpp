#include "platform/win32/key_input.h"

#include "platform/win32/constants.h"
#include "platform/win32/window_state.h"

#include <X11/keysym.h>

namespace zyn::window_layer {

namespace {

// The character a key gives, as WM_CHAR carries it; 0 for keys that give none.
WPARAM lf_characterOf(unsigned long key)
{
    switch (key) {
    case XK_Return:
    case XK_KP_Enter: return VK_RETURN;
    case XK_BackSpace: return VK_BACK;
    case XK_Escape: return VK_ESCAPE;
    default: break;
    }
    if (key >= XK_KP_0 && key <= XK_KP_9)
        return static_cast<WPARAM>(u'0' + (key - XK_KP_0));
    if ((key >= 0x20 && key <= 0x7E) || (key >= 0xA0 && key <= 0xFF))
        return static_cast<WPARAM>(key); // Latin-1 key symbols are their characters
    if ((key & 0xFF000000) == 0x01000000 && (key & 0xFFFFFF) <= 0xFFFF)
        return static_cast<WPARAM>(key & 0xFFFFFF);
    return 0;
}

// The virtual-key code of a key that moves the caret or deletes; 0 for others.
WPARAM lf_editingKeyOf(unsigned long key)
{
    switch (key) {
    case XK_Left:
    case XK_KP_Left: return VK_LEFT;
    case XK_Right:
    case XK_KP_Right: return VK_RIGHT;
    case XK_Home:
    case XK_KP_Home: return VK_HOME;
    case XK_End:
    case XK_KP_End: return VK_END;
    case XK_Delete:
    case XK_KP_Delete: return VK_DELETE;
    default: return 0;
    }
}

KeyInput lf_message(UINT message, WPARAM wParam, LPARAM lParam = 1)
{
    return {KeyInput::Kind::Message, message, wParam, lParam};
}

} // namespace

KeyInput gf_keyInput(unsigned long keysym, bool shift, bool control)
{
    if (const WPARAM key = lf_editingKeyOf(keysym))
        return lf_message(WM_KEYDOWN, key, shift ? 1 | kShiftHeldFlag : 1);
    if ((keysym == XK_Insert || keysym == XK_KP_Insert) && shift && !control)
        return {KeyInput::Kind::Paste};
    const WPARAM character = lf_characterOf(keysym);
    if (!control)
        return character ? lf_message(WM_CHAR, character) : KeyInput{};
    // With Ctrl a letter gives its control character (Ctrl+A 1, Ctrl+V 22), as on Windows.
    const WPARAM letter = character | 0x20;
    if (letter == u'v')
        return {KeyInput::Kind::Paste};
    if (letter >= u'a' && letter <= u'z')
        return lf_message(WM_CHAR, letter - u'a' + 1);
    return {};
}

} // namespace zyn::window_layer
