// The built-in "BUTTON" (push button and check boxes) and "EDIT" (single-line box) controls.
#include "platform/system/utf16.h"
#include "platform/win32/edit_text.h"
#include "platform/win32/gdi.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "platform/win32/window_state.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using namespace zyn::window_layer;

namespace {

constexpr COLORREF kFace = RGB(225, 225, 225);
constexpr COLORREF kFrame = RGB(122, 122, 122);
constexpr COLORREF kDisabledFill = RGB(240, 240, 240);
constexpr COLORREF kDisabledText = RGB(160, 160, 160);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kSelectionFill = RGB(0, 120, 215);
constexpr int kEditTextLeft = 3; // where an edit box's text starts

struct ControlView {
    std::u16string text;
    DWORD style = 0;
    WPARAM check = 0;
    int id = 0;
    HWND parent = nullptr;
    RECT client{};
    bool focused = false;
    std::size_t caret = 0;
    std::size_t anchor = 0;
};

ControlView lf_viewOf(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(window);
    if (!data)
        return {};
    return {data->text, data->style, data->check, data->id, data->parent,
            {0, 0, data->rect.right - data->rect.left, data->rect.bottom - data->rect.top},
            gf_registry().focus == window,
            std::min(data->caret, data->text.size()),
            std::min(data->anchor, data->text.size())};
}

bool lf_isCheckBox(DWORD style)
{
    const DWORD type = style & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
}

void lf_frame(HDC dc, const RECT& r, COLORREF fill, COLORREF frame)
{
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, frame);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void lf_text(HDC dc, int x, int y, const std::u16string& text, bool enabled)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? kBlack : kDisabledText);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void lf_paintCheckBox(HDC dc, const ControlView& view, bool enabled)
{
    const RECT box{0, 0, std::min<LONG>(view.client.bottom, 12), std::min<LONG>(view.client.bottom, 12)};
    lf_frame(dc, box, enabled ? kWhite : kDisabledFill, enabled ? kFrame : kDisabledText);
    if (view.check == BST_CHECKED) {
        HPEN pen = CreatePen(PS_SOLID, 2, enabled ? kBlack : kDisabledText);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, 2, box.bottom / 2, nullptr);
        LineTo(dc, box.right / 2 - 1, box.bottom - 4);
        LineTo(dc, box.right - 3, 2);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    if (!view.text.empty())
        lf_text(dc, box.right + 4, 0, view.text, enabled);
}

void lf_paintPushButton(HDC dc, const ControlView& view, bool enabled)
{
    lf_frame(dc, view.client, kFace, enabled ? kFrame : kDisabledText);
    SIZE size{};
    GetTextExtentPoint32W(dc, view.text.c_str(), static_cast<int>(view.text.size()), &size);
    lf_text(dc, (view.client.right - size.cx) / 2, (view.client.bottom - size.cy) / 2, view.text, enabled);
}

int lf_prefixPixels(const std::u16string& text, std::size_t units)
{
    return gf_textPixels(std::u16string_view(text).substr(0, units));
}

// How far the text is moved left so that the caret (caretPixels from the text's start) stays inside
// the box, as the box scrolls.
int lf_editScroll(const ControlView& view, int caretPixels)
{
    const int room = static_cast<int>(view.client.right) - 2 * kEditTextLeft;
    return std::max(0, caretPixels - room);
}

// The text moved by the scroll, and the selection white on blue in a focused box.
void lf_paintEditText(HDC dc, const ControlView& view, bool active, int shift)
{
    TextOutW(dc, kEditTextLeft - shift, 1, view.text.c_str(), static_cast<int>(view.text.size()));
    const std::size_t start = std::min(view.caret, view.anchor), end = std::max(view.caret, view.anchor);
    if (!active || start == end)
        return;
    SetBkColor(dc, kSelectionFill);
    SetTextColor(dc, kWhite);
    TextOutW(dc, kEditTextLeft - shift + lf_prefixPixels(view.text, start), 1, view.text.c_str() + start,
             static_cast<int>(end - start));
}

void lf_line(HDC dc, COLORREF colour, std::initializer_list<POINT> points)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    bool first = true;
    for (const POINT& p : points) {
        if (first)
            MoveToEx(dc, p.x, p.y, nullptr);
        else
            LineTo(dc, p.x, p.y);
        first = false;
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

// The parent chooses the colours of an edit box (WM_CTLCOLOREDIT, or WM_CTLCOLORSTATIC while it is
// disabled) on the box's device context and may answer a brush for its background.
void lf_paintEdit(HWND window, HDC dc, const ControlView& view, bool enabled)
{
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, enabled ? kWhite : kDisabledFill);
    SetTextColor(dc, enabled ? kBlack : kDisabledText);
    const UINT ask = enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
    auto brush = view.parent ? reinterpret_cast<HBRUSH>(SendMessageW(view.parent, ask, reinterpret_cast<WPARAM>(dc),
                                                                      reinterpret_cast<LPARAM>(window)))
                             : nullptr;
    HBRUSH own = brush ? nullptr : CreateSolidBrush(enabled ? kWhite : kDisabledFill);
    FillRect(dc, &view.client, brush ? brush : own);
    if (own)
        DeleteObject(own);
    const bool active = view.focused && enabled;
    const int caretPixels = lf_prefixPixels(view.text, view.caret);
    const int shift = lf_editScroll(view, caretPixels);
    lf_paintEditText(dc, view, active, shift);
    // The frame after the text: a scrolled text runs under it.
    const LONG right = view.client.right - 1, bottom = view.client.bottom - 1;
    lf_line(dc, kFrame, {{0, 0}, {right, 0}, {right, bottom}, {0, bottom}, {0, 0}});
    if (active) {
        const LONG x = kEditTextLeft - shift + caretPixels;
        lf_line(dc, kBlack, {{x, 2}, {x, bottom - 2}});
    }
}

void lf_paintControl(HWND window, bool edit)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    const ControlView view = lf_viewOf(window);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    if (edit) {
        lf_paintEdit(window, dc, view, enabled);
    } else if (lf_isCheckBox(view.style)) {
        lf_paintCheckBox(dc, view, enabled);
    } else {
        lf_paintPushButton(dc, view, enabled);
    }
    EndPaint(window, &paint);
}

void lf_notifyParent(HWND window, WORD code)
{
    const ControlView view = lf_viewOf(window);
    if (view.parent)
        SendMessageW(view.parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(view.id), code),
                     reinterpret_cast<LPARAM>(window));
}

void lf_setCheck(HWND window, WPARAM check)
{
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data || !lf_isCheckBox(data->style))
            return;
        data->check = check == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
    }
    InvalidateRect(window, nullptr, TRUE);
}

LRESULT lf_buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case BM_GETCHECK:
        return static_cast<LRESULT>(lf_viewOf(window).check);
    case BM_SETCHECK:
        lf_setCheck(window, wParam);
        return 0;
    case WM_LBUTTONUP: {
        const ControlView view = lf_viewOf(window);
        if ((view.style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
            lf_setCheck(window, view.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        lf_notifyParent(window, BN_CLICKED);
        return 0;
    }
    case WM_PAINT:
        lf_paintControl(window, false);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Applies an edit to the box's text, caret and selection; the parent hears of a changed text.
void lf_edit(HWND window, const std::function<bool(EditText&)>& change)
{
    bool changed = false;
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data)
            return;
        EditText edit{data->text, data->caret, data->anchor};
        changed = change(edit);
        data->text = std::move(edit.text);
        data->caret = edit.caret;
        data->anchor = edit.anchor;
    }
    InvalidateRect(window, nullptr, TRUE);
    if (changed)
        lf_notifyParent(window, EN_CHANGE);
}

// Called by lf_edit, which holds the registry mutex.
bool lf_paste(EditText& edit) { return gf_editInsert(edit, gf_registry().clipboard); }

// A typed character: Ctrl+A selects all, Ctrl+V pastes, Backspace deletes, other control
// characters (Enter too) do nothing; text replaces the selection.
void lf_typeCharacter(HWND window, WPARAM character)
{
    constexpr WPARAM kSelectAll = 0x01, kPaste = 0x16;
    if (character == kSelectAll)
        lf_edit(window, [](EditText& edit) { gf_editSelectAll(edit); return false; });
    else if (character == kPaste)
        lf_edit(window, lf_paste);
    else if (character == VK_BACK)
        lf_edit(window, [](EditText& edit) { return gf_editKey(edit, EditKey::Backspace, false); });
    else if (character >= 0x20 && character <= 0xFFFF)
        lf_edit(window, [character](EditText& edit) {
            const char16_t typed = static_cast<char16_t>(character);
            return gf_editInsert(edit, std::u16string_view(&typed, 1));
        });
}

void lf_pressKey(HWND window, WPARAM key, LPARAM flags)
{
    EditKey editKey{};
    switch (key) {
    case VK_LEFT: editKey = EditKey::Left; break;
    case VK_RIGHT: editKey = EditKey::Right; break;
    case VK_HOME: editKey = EditKey::Home; break;
    case VK_END: editKey = EditKey::End; break;
    case VK_DELETE: editKey = EditKey::Delete; break;
    default: return;
    }
    const bool shift = (flags & kShiftHeldFlag) != 0;
    lf_edit(window, [editKey, shift](EditText& edit) { return gf_editKey(edit, editKey, shift); });
}

// A click in a box makes it the one that typed keys go to and puts the caret where it was.
void lf_takeFocus(HWND window, LPARAM point)
{
    HWND previous = nullptr;
    {
        std::lock_guard lock(gf_registry().mutex);
        previous = std::exchange(gf_registry().focus, window);
    }
    if (previous && previous != window)
        InvalidateRect(previous, nullptr, TRUE);
    const ControlView view = lf_viewOf(window);
    const std::vector<int> pixels = gf_prefixPixels(view.text);
    const int x = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(point))) - kEditTextLeft +
                  lf_editScroll(view, pixels[view.caret]);
    const std::size_t at = gf_editPositionAt({view.text, view.caret, view.anchor}, x, pixels);
    lf_edit(window, [at](EditText& edit) {
        edit.caret = edit.anchor = std::min(at, edit.text.size());
        return false;
    });
}

LRESULT lf_editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        lf_takeFocus(window, lParam);
        return 0;
    case WM_KEYDOWN:
        lf_pressKey(window, wParam, lParam);
        return 0;
    case WM_CHAR:
        lf_typeCharacter(window, wParam);
        return 0;
    case WM_PASTE:
        lf_edit(window, lf_paste);
        return 0;
    case WM_SETTEXT: {
        const LRESULT stored = DefWindowProcW(window, message, wParam, lParam);
        lf_edit(window, [](EditText& edit) {
            edit.caret = edit.anchor = 0;
            return false;
        });
        return stored;
    }
    case WM_PAINT:
        lf_paintControl(window, true);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

namespace zyn::window_layer {

std::vector<WindowClass> gf_controlClasses()
{
    return {{u"BUTTON", CS_HREDRAW | CS_VREDRAW, lf_buttonProc, nullptr},
            {u"EDIT", 0, lf_editProc, nullptr}};
}

} // namespace zyn::window_layer
