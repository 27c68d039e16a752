// Stand-in until the main window's status line is built: keeps the text and the hold and logs as
// the status line will; nothing is painted.
#include "ui/status_line.h"

#include "core/log.h"

#include <mutex>

#include <fmt/format.h>

namespace zyn {

namespace {
std::mutex g_statusMutex;
std::string g_statusText;
bool g_statusHeld = false;
} // namespace

void gf_setStatusMessage(std::string_view text, bool log)
{
    std::lock_guard lock(g_statusMutex);
    if (g_statusHeld)
        return;
    g_statusText = text;
    if (log && !text.empty())
        gf_log(text);
}

void gf_clearStatusMessage() { gf_setStatusMessage({}, true); }

void gf_showErrorMessage(std::string_view text)
{
    std::lock_guard lock(g_statusMutex);
    g_statusText = fmt::format("Error {}", text);
    g_statusHeld = true;
    gf_log(g_statusText);
}

std::string gf_statusMessage()
{
    std::lock_guard lock(g_statusMutex);
    return g_statusText;
}

} // namespace zyn
