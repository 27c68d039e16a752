#include "traffic/reader_status.h"

#include "base/log.h"
#include "platform/system/clock.h"
#include "requests/exit_request.h"
#include "shown/display_state.h"
#include "traffic/session.h"

#include <algorithm>
#include <thread>

namespace zyn {

std::int32_t gf_periodFromReply(std::int64_t ms)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, kMinPeriodMs, kMaxPeriodMs));
}

bool gf_sleepPeriod(const TrafficClientBase& client, std::int64_t periodMs)
{
    const auto period = std::chrono::milliseconds(gf_periodFromReply(periodMs));
    return gf_sleepFor(period, [&client] { return client.stop.load() != 0; });
}

void gf_reportReaderEnd(std::string_view name, std::int32_t status, std::atomic<std::uint8_t>& light,
                        TrafficClientBase& other)
{
    light.store(3);
    gf_repaintMainWindow();
    if (status == kStoppedStatus) return;
    if (status == 400) {
        gf_logErrorf("{} RT API: parameter fault", name);
    } else if (status == 401) {
        gf_logErrorf("re-authentication to RT API is needed, restart {}", "Tarvo");
    } else {
        gf_logErrorf("{} RT API error: {}", name, status);
    }
    other.stop.store(1);
    gf_readerStopped(fmt::format("{}Reader", name), status == 401);
}

void gf_runReader(std::string_view threadName, std::string_view name, std::atomic<std::uint8_t>& light,
                  TrafficClientBase& other, const std::function<std::int32_t()>& loop)
{
    try {
        gf_logConnected(fmt::format("{} Reader", name));
        light.store(1);
        gf_repaintMainWindow();
        gf_reportReaderEnd(name, loop(), light, other);
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", threadName, e.what());
    }
}

namespace {
std::atomic<std::int32_t> g_readersRunning{0};
} // namespace

void gf_startReader(void (*body)())
{
    g_readersRunning.fetch_add(1);
    try {
        std::thread([body] {
            struct Count {
                ~Count() { g_readersRunning.fetch_sub(1); }
            } count;
            body();
        }).detach();
    } catch (...) {
        g_readersRunning.fetch_sub(1);
        throw;
    }
}

bool gf_waitForReadersToEnd(std::chrono::milliseconds limit)
{
    gf_sleepFor(limit, [] { return g_readersRunning.load() == 0; });
    return g_readersRunning.load() == 0;
}

} // namespace zyn
