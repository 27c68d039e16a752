#include "shown/windows.h"

#include <map>
#include <mutex>

namespace zyn {

std::atomic<HWND> g_mainWindow{nullptr};

namespace {
std::mutex g_controlsMutex;
std::map<std::uint16_t, HWND> g_controls; // under g_controlsMutex
} // namespace

HWND gf_controlWindow(std::uint16_t controlId)
{
    std::lock_guard lock(g_controlsMutex);
    const auto it = g_controls.find(controlId);
    return it == g_controls.end() ? nullptr : it->second;
}

void gf_setControlWindow(std::uint16_t controlId, HWND window)
{
    std::lock_guard lock(g_controlsMutex);
    g_controls[controlId] = window;
}

void gf_resetWindows()
{
    g_mainWindow = nullptr;
    std::lock_guard lock(g_controlsMutex);
    g_controls.clear();
}

} // namespace zyn
