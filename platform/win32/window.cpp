#include "platform/win32/window.h"

#include "platform/system/last_error.h"
#include "platform/system/utf16.h"
#include "platform/win32/display_hooks.h"
#include "platform/win32/gdi.h"
#include "platform/win32/window_state.h"

#include <algorithm>
#include <utility>

namespace zyn::window_layer {

Registry& gf_registry()
{
    // Never destroyed: threads may still end (and forget their windows) while the process exits.
    static Registry* registry = [] {
        auto* r = new Registry;
        r->classes = gf_controlClasses();
        return r;
    }();
    return *registry;
}

std::shared_ptr<WindowData> gf_windowLocked(HWND window)
{
    auto& windows = gf_registry().windows;
    const auto found = windows.find(reinterpret_cast<std::uintptr_t>(window));
    return found == windows.end() ? nullptr : found->second;
}

std::u16string gf_upperAscii(std::u16string_view text)
{
    std::u16string upper(text);
    for (auto& c : upper)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return upper;
}

RECT gf_frameOf(const WindowData& window)
{
    // A top-level window with a caption: the border and caption bar of Windows 10 at 96 dpi for a
    // window without a sizing border.
    constexpr LONG kBorder = 3, kCaption = 23;
    if ((window.style & WS_CHILD) || (window.style & WS_CAPTION) != WS_CAPTION)
        return {};
    return {kBorder, kBorder + kCaption, kBorder, kBorder};
}

RECT gf_clientRectOf(const WindowData& window)
{
    const RECT frame = gf_frameOf(window);
    return {0, 0, std::max<LONG>(0, window.rect.right - window.rect.left - frame.left - frame.right),
            std::max<LONG>(0, window.rect.bottom - window.rect.top - frame.top - frame.bottom)};
}

void gf_makeSurface(WindowData& window)
{
    gf_releaseSurface(window);
    const RECT client = gf_clientRectOf(window);
    const int width = std::max<LONG>(1, client.right);
    const int height = std::max<LONG>(1, client.bottom);
    window.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
}

void gf_releaseSurface(WindowData& window)
{
    if (window.surface)
        cairo_surface_destroy(window.surface);
    window.surface = nullptr;
}

void gf_forgetWindowsOf(const ThreadQueue* owner)
{
    auto& registry = gf_registry();
    std::vector<HWND> gone;
    {
        std::lock_guard lock(registry.mutex);
        for (auto it = registry.windows.begin(); it != registry.windows.end();) {
            if (it->second->owner.get() == owner) {
                gone.push_back(it->second->handle);
                if (registry.focus == it->second->handle)
                    registry.focus = nullptr;
                gf_releaseSurface(*it->second);
                it = registry.windows.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const HWND window : gone)
        gf_displayWindowGone(window);
}

void gf_closeTopLevelWindows()
{
    std::vector<HWND> top;
    {
        std::lock_guard lock(gf_registry().mutex);
        for (const auto& [handle, data] : gf_registry().windows)
            if (!(data->style & WS_CHILD))
                top.push_back(data->handle);
        if (top.empty())
            gf_registry().closeFirstTopLevel = true;
    }
    for (const HWND window : top)
        PostMessageW(window, WM_CLOSE, 0, 0);
}

} // namespace zyn::window_layer

using namespace zyn::window_layer;

namespace {

constexpr std::size_t kKeptInvalidations = 1000;

WNDPROC lf_procOf(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(window);
    return data ? data->proc : nullptr;
}

const WindowClass* lf_findClassLocked(std::u16string_view name)
{
    const auto upper = gf_upperAscii(name);
    for (const auto& c : gf_registry().classes)
        if (gf_upperAscii(c.name) == upper)
            return &c;
    return nullptr;
}

// The window's data when it exists; otherwise ERROR_INVALID_WINDOW_HANDLE.
std::shared_ptr<WindowData> lf_windowOrError(HWND window)
{
    auto data = gf_windowLocked(window);
    if (!data)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return data;
}

RECT lf_unite(const RECT& a, const RECT& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

RECT lf_clientRectOf(const WindowData& data) { return gf_clientRectOf(data); }

HWND lf_newWindow(const WindowClass& windowClass, const CREATESTRUCTW& create)
{
    auto& registry = gf_registry();
    auto data = std::make_shared<WindowData>();
    data->className = windowClass.name;
    data->proc = windowClass.proc;
    data->background = windowClass.background;
    data->parent = create.hwndParent;
    data->style = static_cast<DWORD>(create.style);
    data->exStyle = create.dwExStyle;
    data->id = (create.style & WS_CHILD) ? static_cast<int>(reinterpret_cast<std::uintptr_t>(create.hMenu)) : 0;
    data->text = create.lpszName ? std::u16string(create.lpszName) : std::u16string();
    data->rect = {create.x, create.y, create.x + std::max(0, create.cx), create.y + std::max(0, create.cy)};
    data->owner = gf_currentQueue();
    data->updatePending = true;
    data->update = lf_clientRectOf(*data);
    data->eraseUpdate = true;
    gf_makeSurface(*data);
    data->handle = reinterpret_cast<HWND>(registry.nextHandle);
    registry.nextHandle += 0x10;
    registry.windows.emplace(reinterpret_cast<std::uintptr_t>(data->handle), data);
    if (const auto parent = gf_windowLocked(create.hwndParent))
        parent->children.push_back(data->handle);
    return data->handle;
}

// Removes one window and its children from the registry, children first.
void lf_forgetWindow(HWND window)
{
    std::vector<HWND> children;
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data)
            return;
        children = data->children;
    }
    for (const HWND child : children)
        lf_forgetWindow(child);
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data)
            return;
        if (const auto parent = gf_windowLocked(data->parent))
            std::erase(parent->children, window);
        if (gf_registry().focus == window)
            gf_registry().focus = nullptr;
        gf_releaseSurface(*data);
        gf_registry().windows.erase(reinterpret_cast<std::uintptr_t>(window));
    }
    gf_displayWindowGone(window);
}

void lf_sendDestroy(HWND window)
{
    SendMessageW(window, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(gf_registry().mutex);
        if (const auto data = gf_windowLocked(window))
            children = data->children;
    }
    for (const HWND child : children)
        lf_sendDestroy(child);
    SendMessageW(window, WM_NCDESTROY, 0, 0);
}

LRESULT lf_copyText(HWND window, WPARAM size, LPARAM buffer)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(window);
    auto* out = reinterpret_cast<WCHAR*>(buffer);
    if (!data || !out || size == 0)
        return 0;
    const auto count = std::min<std::size_t>(data->text.size(), size - 1);
    std::copy_n(data->text.begin(), count, out);
    out[count] = u'\0';
    return static_cast<LRESULT>(count);
}

LRESULT lf_storeText(HWND window, LPARAM text)
{
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data)
            return FALSE;
        const auto* chars = reinterpret_cast<LPCWSTR>(text);
        data->text = chars ? std::u16string(chars) : std::u16string();
    }
    InvalidateRect(window, nullptr, TRUE);
    return TRUE;
}

LRESULT lf_eraseBackground(HWND window, HDC dc)
{
    HBRUSH brush = nullptr;
    RECT client{};
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data)
            return 0;
        brush = data->background;
        client = lf_clientRectOf(*data);
    }
    if (!brush)
        return 0;
    FillRect(dc, &client, brush);
    return 1;
}

// The window's rectangle, and its place above others (HWND_TOPMOST, HWND_NOTOPMOST or nullptr).
bool lf_placeWindow(HWND window, HWND layer, int x, int y, int width, int height, UINT flags)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = lf_windowOrError(window);
    if (!data)
        return false;
    if (layer == HWND_TOPMOST)
        data->exStyle |= WS_EX_TOPMOST;
    else if (layer == HWND_NOTOPMOST)
        data->exStyle &= ~WS_EX_TOPMOST;
    const LONG oldWidth = data->rect.right - data->rect.left;
    const LONG oldHeight = data->rect.bottom - data->rect.top;
    if (!(flags & SWP_NOMOVE))
        data->rect = {x, y, x + oldWidth, y + oldHeight};
    if (!(flags & SWP_NOSIZE)) {
        data->rect.right = data->rect.left + std::max(0, width);
        data->rect.bottom = data->rect.top + std::max(0, height);
        if (data->rect.right - data->rect.left != oldWidth || data->rect.bottom - data->rect.top != oldHeight)
            gf_makeSurface(*data);
    }
    return true;
}

} // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc ||
        !windowClass->lpszClassName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& registry = gf_registry();
    std::lock_guard lock(registry.mutex);
    if (lf_findClassLocked(windowClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    registry.classes.push_back(
        {windowClass->lpszClassName, windowClass->style, windowClass->lpfnWndProc, windowClass->hbrBackground});
    return static_cast<ATOM>(0xC000 + registry.classes.size());
}

// Icons and cursors are never drawn headless; any non-null handle does.
HICON LoadIconW(HINSTANCE, LPCWSTR name)
{
    return reinterpret_cast<HICON>(0x10000 | reinterpret_cast<std::uintptr_t>(name));
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) { return LoadIconW(instance, name); }

namespace {

// A close signal that found no window is the first top-level window's.
bool lf_takeEarlyClose()
{
    std::lock_guard lock(gf_registry().mutex);
    return std::exchange(gf_registry().closeFirstTopLevel, false);
}

} // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    CREATESTRUCTW create{param, instance, menu, parent, height, width, y, x,
                         static_cast<LONG>(style), windowName, className, exStyle};
    HWND window = nullptr;
    {
        std::lock_guard lock(gf_registry().mutex);
        const WindowClass* windowClass = className ? lf_findClassLocked(className) : nullptr;
        if (!windowClass) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if ((style & WS_CHILD) && !gf_windowLocked(parent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (!(style & WS_CHILD) && gf_registry().refuseTopLevel) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        window = lf_newWindow(*windowClass, create);
    }
    const auto lParam = reinterpret_cast<LPARAM>(&create);
    if (!SendMessageW(window, WM_NCCREATE, 0, lParam) || SendMessageW(window, WM_CREATE, 0, lParam) == -1) {
        lf_forgetWindow(window);
        return nullptr;
    }
    if (style & WS_CHILD) {
        InvalidateRect(parent, nullptr, FALSE);
        return window;
    }
    gf_displayWindowCreated(window);
    if (lf_takeEarlyClose())
        PostMessageW(window, WM_CLOSE, 0, 0);
    return window;
}

BOOL DestroyWindow(HWND window)
{
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = lf_windowOrError(window);
        if (!data)
            return FALSE;
        if (data->owner != gf_currentQueue()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    lf_sendDestroy(window);
    lf_forgetWindow(window);
    return TRUE;
}

BOOL IsWindow(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    return gf_windowLocked(window) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command)
{
    BOOL wasVisible = FALSE;
    bool topLevel = false;
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = lf_windowOrError(window);
        if (!data)
            return FALSE;
        wasVisible = (data->style & WS_VISIBLE) ? TRUE : FALSE;
        if (command == SW_HIDE)
            data->style &= ~WS_VISIBLE;
        else
            data->style |= WS_VISIBLE;
        topLevel = !(data->style & WS_CHILD);
    }
    if (topLevel)
        gf_displayWindowShown(window, command != SW_HIDE);
    return wasVisible;
}

BOOL UpdateWindow(HWND window)
{
    bool pending = false;
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = lf_windowOrError(window);
        if (!data)
            return FALSE;
        pending = data->updatePending;
    }
    if (pending)
        SendMessageW(window, WM_PAINT, 0, 0);
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_SETTEXT:
        return lf_storeText(window, lParam);
    case WM_GETTEXT:
        return lf_copyText(window, wParam, lParam);
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        return data ? static_cast<LRESULT>(data->text.size()) : 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        if (BeginPaint(window, &paint))
            EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return lf_eraseBackground(window, reinterpret_cast<HDC>(wParam));
    case kTakePictureMessage:
        gf_answerPictureRequest(window, wParam);
        return 0;
    default:
        return 0;
    }
}

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = lf_windowOrError(window);
    if (!data)
        return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(data->proc);
    case GWLP_ID:
        return data->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(data->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(data->exStyle);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = lf_windowOrError(window);
    if (!data)
        return 0;
    if (index != GWLP_WNDPROC || value == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto previous = reinterpret_cast<LONG_PTR>(data->proc);
    data->proc = reinterpret_cast<WNDPROC>(value);
    return previous;
}

HWND GetDlgItem(HWND parent, int id)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = lf_windowOrError(parent);
    if (!data)
        return nullptr;
    for (const HWND child : data->children)
        if (const auto c = gf_windowLocked(child); c && c->id == id)
            return child;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text)
{
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = u'\0';
    return static_cast<int>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND window) { return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)); }

BOOL EnableWindow(HWND window, BOOL enable)
{
    BOOL wasDisabled = FALSE;
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = lf_windowOrError(window);
        if (!data)
            return FALSE;
        wasDisabled = (data->style & WS_DISABLED) ? TRUE : FALSE;
        if (enable)
            data->style &= ~WS_DISABLED;
        else
            data->style |= WS_DISABLED;
    }
    if (wasDisabled == (enable ? TRUE : FALSE))
        InvalidateRect(window, nullptr, TRUE);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(window);
    return data && !(data->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL CheckDlgButton(HWND parent, int id, UINT check)
{
    const HWND button = GetDlgItem(parent, id);
    if (!button)
        return FALSE;
    SendMessageW(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND parent, int id)
{
    const HWND button = GetDlgItem(parent, id);
    return button ? static_cast<UINT>(SendMessageW(button, BM_GETCHECK, 0, 0)) : 0;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    const bool layering = !(flags & SWP_NOZORDER) && (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST);
    if (!lf_placeWindow(window, layering ? insertAfter : nullptr, x, y, width, height, flags))
        return FALSE;
    if (layering)
        gf_displayWindowTopmost(window, insertAfter == HWND_TOPMOST);
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect)
{
    std::lock_guard lock(gf_registry().mutex);
    auto data = lf_windowOrError(window);
    if (!data || !rect)
        return FALSE;
    *rect = data->rect;
    for (auto parent = gf_windowLocked(data->parent); parent; parent = gf_windowLocked(parent->parent)) {
        rect->left += parent->rect.left;
        rect->right += parent->rect.left;
        rect->top += parent->rect.top;
        rect->bottom += parent->rect.top;
    }
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = lf_windowOrError(window);
    if (!data || !rect)
        return FALSE;
    *rect = lf_clientRectOf(*data);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    std::shared_ptr<ThreadQueue> owner;
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = lf_windowOrError(window);
        if (!data)
            return FALSE;
        const RECT area = rect ? *rect : lf_clientRectOf(*data);
        data->invalidations.push_back({area, erase != FALSE});
        if (data->invalidations.size() > kKeptInvalidations)
            data->invalidations.pop_front();
        data->update = data->updatePending ? lf_unite(data->update, area) : area;
        data->eraseUpdate = data->eraseUpdate || erase;
        data->updatePending = true;
        owner = data->owner;
    }
    gf_requestPaint(owner, window);
    return TRUE;
}

namespace zyn::window_layer {
// Used by the message loop for DispatchMessageW and sent messages.
WNDPROC gf_procOf(HWND window) { return lf_procOf(window); }
} // namespace zyn::window_layer
