#include "shown/status_line.h"

#include "base/log.h"
#include "shown/repaint.h"

#include <algorithm>
#include <mutex>

#include <fmt/format.h>

namespace zyn {

namespace {
std::mutex g_statusMutex;
std::string g_statusText;
std::string g_errorText;        // not empty: the line is held
bool g_refusalOverError = false; // the status text is a refusal, shown over the held error
std::int32_t g_secondsTick = 0; // counted seconds
std::int32_t g_setTick = 0;     // tick at which the text was set; 0 = no countdown
} // namespace

void gf_setStatusMessage(std::string_view text, bool log)
{
    std::lock_guard lock(g_statusMutex);
    if (!g_errorText.empty())
        return;
    g_statusText = text;
    g_setTick = text.empty() ? 0 : std::max(1, g_secondsTick);
    if (log && !text.empty())
        gf_logLine(g_statusText);
    gf_repaintBand(Band::Status);
}

void gf_clearStatusMessage() { gf_setStatusMessage({}, true); }

void gf_showRefusal(std::string_view text)
{
    std::lock_guard lock(g_statusMutex);
    g_statusText = fmt::format("Error {}", text);
    g_refusalOverError = !g_errorText.empty();
    g_setTick = std::max(1, g_secondsTick);
    gf_logLine(g_statusText);
    gf_repaintBand(Band::Status);
}

void gf_showErrorMessage(std::string_view text)
{
    std::lock_guard lock(g_statusMutex);
    g_statusText.clear();
    g_refusalOverError = false;
    g_setTick = 0;
    g_errorText = fmt::format("Error {}", text);
    gf_logLine(g_errorText);
    gf_repaintBand(Band::Status);
}

void gf_clearErrorMessage()
{
    std::lock_guard lock(g_statusMutex);
    g_errorText.clear();
    g_statusText.clear();
    g_refusalOverError = false;
    g_setTick = 0;
    gf_repaintBand(Band::Status);
}

namespace {

// Under g_statusMutex.
const std::string& lf_shownText()
{
    return g_errorText.empty() || g_refusalOverError ? g_statusText : g_errorText;
}

} // namespace

std::string gf_statusMessage()
{
    std::lock_guard lock(g_statusMutex);
    return lf_shownText();
}

StatusLineView gf_statusLineView()
{
    std::lock_guard lock(g_statusMutex);
    const std::string& text = lf_shownText();
    return {text, text.starts_with("Error")};
}

bool gf_statusHeld()
{
    std::lock_guard lock(g_statusMutex);
    return !g_errorText.empty();
}

void gf_statusSecondElapsed()
{
    bool expired = false;
    {
        std::lock_guard lock(g_statusMutex);
        ++g_secondsTick;
        expired = g_setTick > 0 && g_secondsTick - g_setTick >= kStatusShowSeconds;
        if (expired && g_refusalOverError) { // the held error shows again
            g_statusText.clear();
            g_refusalOverError = false;
            g_setTick = 0;
            gf_repaintBand(Band::Status);
            return;
        }
    }
    if (expired)
        gf_clearStatusMessage();
}

void gf_resetStatusLine()
{
    std::lock_guard lock(g_statusMutex);
    g_statusText.clear();
    g_errorText.clear();
    g_refusalOverError = false;
    g_secondsTick = 0;
    g_setTick = 0;
}

} // namespace zyn
