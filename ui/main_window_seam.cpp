// Stand-in until the main window is built: a bare top-level window that answers the start, quit
// and close messages; no controls, no painting, no stored position.
#include "ui/main_window.h"

#include "core/exit.h"
#include "core/folders.h"
#include "core/log.h"
#include "core/startup.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "ui/status_line.h"

#include <fmt/format.h>

namespace zyn {

std::atomic<HWND> g_mainWindow{nullptr};
std::atomic<std::uint64_t> g_simaddonCount{0};
std::atomic<std::uint64_t> g_thirdpartyCount{0};

bool initInstance(HINSTANCE instance, LPCWSTR title)
{
    const HWND window = CreateWindowExW(0, title, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                        param::MAIN_WINDOW_X.value.load(), param::MAIN_WINDOW_Y.value.load(), 880,
                                        392, nullptr, nullptr, instance, nullptr);
    if (!window)
        return false;
    g_mainWindow = window;
    ShowWindow(window, SW_SHOWDEFAULT);
    return true;
}

LRESULT lf_mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_APP + 1:
        gf_startStartupThread();
        return 0;
    case WM_APP + 2:
        gf_closeLog();
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        gf_setStatusMessage(fmt::format("Close window button clicked, closing {} ...", kProductName), false);
        gf_requestExit(static_cast<std::int32_t>(ExitReason::UserClosedSim), 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void gf_setBoxText(StringControlParameter& parameter)
{
    gf_logf("gf_setBoxText: the main window's boxes are not built yet ({}={})", parameter.key, parameter.getValue());
}

void lf_setDestination(const std::string& code, LatLon)
{
    gf_logf("lf_setDestination: the destination is not built yet ({})", code);
}

} // namespace zyn
