// Stand-in until the exit sequence is built: records the first request and logs it; nothing stops.
#include "core/exit.h"

#include "core/log.h"
#include "core/records.h"
#include "core/time_util.h"
#include "ui/status_line.h"

namespace zyn {

std::atomic<std::uint8_t> g_exitRequested{0};
std::atomic<std::uint8_t> g_exiting{0};
std::atomic<std::int32_t> g_exitReason{0};
std::atomic<std::uint8_t> g_readerError{0};

void gf_requestExit(std::int32_t reason, std::int32_t restartSeconds)
{
    if (g_exitRequested.exchange(1) != 0)
        return;
    g_exitReason = reason;
    const auto index = static_cast<std::size_t>(reason);
    gf_logf("Exiting: {} (restart after {} s; the exit sequence is not built yet)",
            index < g_exitReasonTexts.size() ? g_exitReasonTexts[index] : "?", restartSeconds);
}

void gf_simDisconnected()
{
    if (g_exitRequested.load() != 0)
        return;
    gf_logf("{} Flight Simulator no longer connected, {} will stop ...", gf_timeOfDayText(), "Tarvo");
    gf_requestExit(1, 0);
}

void gf_readerStopped(bool unauthorised)
{
    gf_setStatusMessage("The WeatherReader has stopped with an error", true);
    if (unauthorised) {
        gf_requestExit(static_cast<std::int32_t>(ExitReason::ReaderError), 15);
    } else {
        g_readerError.store(1);
    }
}

} // namespace zyn
