// A real Win32 window with the kinds of controls the program's window has (push buttons, a check box,
// edit boxes), its background and texts painted by GDI, read back from the screen.
#include "tests/windows/checks.h"

#include "base/encoding.h"

#include <windows.h>

#include <chrono>
#include <vector>

namespace zyn::wincheck {

namespace {

constexpr int kWidth = 880;
constexpr int kHeight = 516;
constexpr COLORREF kBackground = RGB(0, 0, 0);
constexpr COLORREF kBand = RGB(40, 90, 200);
constexpr int kButtonId = 101;
constexpr int kCheckBoxId = 102;
constexpr int kEditId = 103;

int g_clicks = 0;

LRESULT CALLBACK lf_windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int id) {
            CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, 22, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), creation->hInstance, nullptr);
        };
        child(L"button", L"Re-read", BS_PUSHBUTTON, 10, 10, 90, kButtonId);
        child(L"button", L"", BS_AUTOCHECKBOX, 110, 10, 22, kCheckBoxId);
        child(L"Edit", L"", WS_BORDER | ES_LEFT | ES_AUTOHSCROLL, 140, 10, 120, kEditId);
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            ++g_clicks;
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(window, &paint);
        const HBRUSH band = CreateSolidBrush(kBand);
        const RECT status{0, 400, kWidth, 460};
        FillRect(dc, &status, band);
        DeleteObject(band);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        const std::wstring text = L"Z\u00fcrich: 12 aircraft";
        TextOutW(dc, 10, 420, text.c_str(), static_cast<int>(text.size()));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void lf_pumpMessages()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The colour at a point of the window's client area as it is on the screen.
COLORREF lf_pixel(HWND window, int x, int y)
{
    const HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

} // namespace

Outcome gf_checkWindowWithControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = lf_windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(kBackground);
    windowClass.lpszClassName = L"TarvoCheck";
    if (!RegisterClassExW(&windowClass))
        return "the window class was refused";
    const HWND window = CreateWindowExW(0, L"TarvoCheck", L"Tarvo", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                        40, 40, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!window)
        return "CreateWindowExW failed";
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    lf_pumpMessages();

    Outcome problem;
    const HWND edit = GetDlgItem(window, kEditId);
    const HWND checkBox = GetDlgItem(window, kCheckBoxId);
    if (!edit || !checkBox || !GetDlgItem(window, kButtonId))
        problem = "a control is missing";
    // Text crosses the edit box in the platform's wide characters, conversions included.
    const std::string typed = "Z\xC3\xBCrich \xE2\x9C\x88";
    if (!problem) {
        SetWindowTextW(edit, gf_utf8ToUtf16(typed).c_str());
        wchar_t buffer[64] = {};
        const int length = GetWindowTextW(edit, buffer, 64);
        if (gf_utf16ToUtf8(std::wstring_view(buffer, static_cast<std::size_t>(length))) != typed)
            problem = "the edit box did not keep its text";
    }
    if (!problem) {
        SendMessageW(checkBox, BM_CLICK, 0, 0);
        lf_pumpMessages();
        if (IsDlgButtonChecked(window, kCheckBoxId) != BST_CHECKED || g_clicks < 1)
            problem = "a click did not check the check box";
    }
    if (!problem) {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        lf_pumpMessages();
        if (lf_pixel(window, 500, 300) != kBackground || lf_pixel(window, 700, 450) != kBand)
            problem = "the painted background and status band are not on the screen";
    }
    DestroyWindow(window);
    lf_pumpMessages();
    return problem;
}

} // namespace zyn::wincheck
