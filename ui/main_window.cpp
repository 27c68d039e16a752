#include "ui/main_window.h"

#include "base/folders.h"
#include "base/log.h"
#include "platform/system/error_text.h"
#include "platform/win32/gdi.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "requests/exit_request.h"
#include "settings/setting_controls.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "ui/commands.h"
#include "ui/controls.h"
#include "ui/paint.h"

#include <algorithm>
#include <filesystem>

#include <fmt/format.h>
#include <pugixml.hpp>

namespace zyn {

namespace {

std::atomic<StartupStarter> g_startupStarter{nullptr};

constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU; // fixed size

bool lf_atBound(const IntParameter& p)
{
    const auto v = p.value.load();
    return v == p.minimum || v == p.maximum;
}

// A stored position at a bound is a window that was off-screen or minimised: it opens at the default.
// Nothing is saved here: the settings are not read yet, and the quit saves where the window is.
void lf_restoreStoredPosition(IntParameter& position, pugi::xml_document& document)
{
    readIntParameter(position, document, false);
    if (lf_atBound(position))
        position.value = position.clamp(position.defaultValue);
}

void lf_readWindowPosition()
{
    const auto path = gf_parametersPath();
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return;
    pugi::xml_document document;
    if (!document.load_file(path.c_str()))
        return;
    lf_restoreStoredPosition(param::MAIN_WINDOW_X, document);
    lf_restoreStoredPosition(param::MAIN_WINDOW_Y, document);
}

void lf_saveClamped(IntParameter& position, std::int64_t value)
{
    position.value = position.clamp(value);
    saveIntParameter(position);
}

// WM_APP+2: the program ends with the exit code. The window position is kept (when this run read the
// settings: a save would otherwise write the defaults over the user's file), then the log is closed.
void lf_quit(HWND window, int exitCode)
{
    const std::int32_t previousX = param::MAIN_WINDOW_X.value.load();
    const std::int32_t previousY = param::MAIN_WINDOW_Y.value.load();
    RECT rect{};
    if (g_settingsRead.load() != 0 && GetWindowRect(window, &rect)) {
        lf_saveClamped(param::MAIN_WINDOW_X, rect.left);
        lf_saveClamped(param::MAIN_WINDOW_Y, rect.top);
        gf_clampRangedParameters(previousX, previousY);
    }
    gf_closeLog();
    PostQuitMessage(exitCode);
}

// The edit boxes are drawn on light blue, as the settings band around them.
LRESULT lf_boxColours(HDC dc)
{
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, 0xFFCC99);
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

void lf_paint(HWND window)
{
    PAINTSTRUCT paint{};
    if (HDC dc = BeginPaint(window, &paint)) {
        gf_paintMainWindow(dc);
        EndPaint(window, &paint);
    }
}

} // namespace

void gf_setStartupStarter(StartupStarter starter) { g_startupStarter.store(starter); }

void gf_clampRangedParameters(std::int32_t x, std::int32_t y)
{
    if (lf_atBound(param::MAIN_WINDOW_X))
        lf_saveClamped(param::MAIN_WINDOW_X, x);
    if (lf_atBound(param::MAIN_WINDOW_Y))
        lf_saveClamped(param::MAIN_WINDOW_Y, y);
}

bool initInstance(HINSTANCE instance, LPCWSTR title)
{
    try {
        lf_readWindowPosition();
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "initInstance", gf_exceptionText(e)); // the window still opens, at the default place
    }
    const HWND window = CreateWindowExW(0, title, title, kMainWindowStyle, param::MAIN_WINDOW_X.value.load(),
                                        param::MAIN_WINDOW_Y.value.load(), kMainWindowWidth, kMainWindowHeight,
                                        nullptr, nullptr, instance, nullptr);
    if (!window)
        return false;
    g_mainWindow = window;
    ShowWindow(window, SW_SHOW);
    return UpdateWindow(window) != FALSE;
}

LRESULT lf_mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_mainWindow = window; // the box functions find the controls through it, also during WM_CREATE
    switch (message) {
    case WM_CREATE:
        lf_createControls(window, reinterpret_cast<const CREATESTRUCTW*>(lParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        lf_paint(window);
        return 0;
    case WM_CLOSE:
        gf_setStatusMessage(fmt::format("Close window button clicked, closing {} ...", kProductName), false);
        gf_requestClose();
        return 0;
    case WM_COMMAND:
        lf_HandleWMCOMMAND(window, wParam);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        return lf_boxColours(reinterpret_cast<HDC>(wParam));
    case WM_APP + 1:
        // An exit that began after this restart was posted sends its own message when it ends; after
        // the user's close nothing starts again.
        if (gf_exitUnderWay() || gf_exitSequenceRunning())
            return 0;
        if (const StartupStarter starter = g_startupStarter.load())
            starter();
        return 0;
    case WM_APP + 2:
        lf_quit(window, static_cast<int>(wParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace zyn
