#include "shown/repaint.h"

#include "platform/win32/window.h"
#include "shown/windows.h"

namespace zyn {

RECT gf_bandRect(Band band)
{
    switch (band) {
    case Band::Top:
        return {0, 0, 880, 28};
    case Band::Counters:
        return {0, 28, 880, 112};
    case Band::Settings:
        return {0, 112, 880, 392};
    case Band::Statistics:
        return {0, 392, 880, 448};
    case Band::Status:
    default:
        return {0, 448, 880, 476};
    }
}

void gf_repaintBand(Band band)
{
    const RECT rect = gf_bandRect(band);
    if (const HWND window = g_mainWindow.load())
        InvalidateRect(window, &rect, TRUE);
}

void gf_repaintMainWindow()
{
    if (const HWND window = g_mainWindow.load())
        InvalidateRect(window, nullptr, TRUE);
}

} // namespace zyn
