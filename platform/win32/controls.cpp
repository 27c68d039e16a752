// The built-in "BUTTON" (push button and check boxes) and "EDIT" (single-line box) controls.
#include "platform/system/utf16.h"
#include "platform/win32/gdi.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "platform/win32/window_state.h"

#include <string>
#include <utility>

using namespace zyn::window_layer;

namespace {

constexpr COLORREF kFace = RGB(225, 225, 225);
constexpr COLORREF kFrame = RGB(122, 122, 122);
constexpr COLORREF kDisabledFill = RGB(240, 240, 240);
constexpr COLORREF kDisabledText = RGB(160, 160, 160);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct ControlView {
    std::u16string text;
    DWORD style = 0;
    WPARAM check = 0;
    int id = 0;
    HWND parent = nullptr;
    RECT client{};
    bool focused = false;
};

ControlView lf_viewOf(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(window);
    if (!data)
        return {};
    return {data->text, data->style, data->check, data->id, data->parent,
            {0, 0, data->rect.right - data->rect.left, data->rect.bottom - data->rect.top},
            gf_registry().focus == window};
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
    HPEN pen = CreatePen(PS_SOLID, 1, kFrame);
    HGDIOBJ old = SelectObject(dc, pen);
    const LONG right = view.client.right - 1, bottom = view.client.bottom - 1;
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, right, 0);
    LineTo(dc, right, bottom);
    LineTo(dc, 0, bottom);
    LineTo(dc, 0, 0);
    SelectObject(dc, old);
    DeleteObject(pen);
    TextOutW(dc, 3, 1, view.text.c_str(), static_cast<int>(view.text.size()));
    if (view.focused && enabled) { // the caret after the text
        SIZE size{};
        GetTextExtentPoint32W(dc, view.text.c_str(), static_cast<int>(view.text.size()), &size);
        HPEN caret = CreatePen(PS_SOLID, 1, kBlack);
        HGDIOBJ previous = SelectObject(dc, caret);
        MoveToEx(dc, 3 + size.cx, 2, nullptr);
        LineTo(dc, 3 + size.cx, bottom - 2);
        SelectObject(dc, previous);
        DeleteObject(caret);
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

// A typed character: Backspace removes the last one, other control characters (Enter too) do nothing.
void lf_typeCharacter(HWND window, WPARAM character)
{
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data)
            return;
        if (character == VK_BACK) {
            if (data->text.empty())
                return;
            data->text.pop_back();
        } else if (character >= 0x20 && character <= 0xFFFF) {
            data->text.push_back(static_cast<char16_t>(character));
        } else {
            return;
        }
    }
    InvalidateRect(window, nullptr, TRUE);
    lf_notifyParent(window, EN_CHANGE);
}

// A click in a box makes it the one that typed keys go to.
void lf_takeFocus(HWND window)
{
    HWND previous = nullptr;
    {
        std::lock_guard lock(gf_registry().mutex);
        previous = std::exchange(gf_registry().focus, window);
    }
    if (previous && previous != window)
        InvalidateRect(previous, nullptr, TRUE);
    InvalidateRect(window, nullptr, TRUE);
}

LRESULT lf_editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        lf_takeFocus(window);
        return 0;
    case WM_CHAR:
        lf_typeCharacter(window, wParam);
        return 0;
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
