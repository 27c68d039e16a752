#include "traffic/intake.h"

#include "base/tick.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zyn {

std::mutex g_intakeMutex;
std::vector<TrafficRecord> g_sharedBatch;
namespace {
std::vector<std::uint32_t> g_blockedHexIds; // under g_intakeMutex
} // namespace
bool g_intakeEnabled = false;

void gf_setIntakeEnabled(bool enabled)
{
    std::lock_guard lock(g_intakeMutex);
    g_intakeEnabled = enabled;
}

namespace {

// A report time of 0 (or less) means the service gave none.
bool lf_hasReportTime(const TrafficRecord& r) { return r.reportTime > 0.0; }

// Offsets beyond an hour come from a broken report time; they are held there, so that the
// arithmetic below stays in range.
constexpr double kMaxOffsetTenths = 36000.0;

constexpr std::int64_t kTicksPerSecond = 100;

// Whether the main loop, taking kRecordsMergedPerTick a tick, takes the last of `records` waiting
// records within delaySeconds.
bool lf_takenInTime(std::size_t records, std::int32_t delaySeconds)
{
    return records <= static_cast<std::size_t>(kRecordsMergedPerTick * kTicksPerSecond * delaySeconds);
}

// Queues the batch behind what waits: the main loop takes records from the end.
void lf_queueBehind(std::vector<TrafficRecord>& batch)
{
    if (g_sharedBatch.empty()) {
        g_sharedBatch.swap(batch);
        return;
    }
    g_sharedBatch.insert(g_sharedBatch.begin(), std::make_move_iterator(batch.begin()),
                         std::make_move_iterator(batch.end()));
}

} // namespace

void gf_stampBatch(std::vector<TrafficRecord>& batch, std::int32_t delaySeconds, std::int32_t tick)
{
    std::vector<double> times;
    times.reserve(batch.size());
    for (const auto& r : batch)
        if (lf_hasReportTime(r)) times.push_back(r.reportTime);
    std::sort(times.begin(), times.end());
    const double median = times.empty() ? 0.0 : times[times.size() / 2];
    const std::int64_t base = std::int64_t{delaySeconds} * kTicksPerSecond + tick;
    for (auto& r : batch) {
        const double tenths =
            lf_hasReportTime(r) ? std::clamp((r.reportTime - median) * -10.0, -kMaxOffsetTenths, kMaxOffsetTenths) : 0.0;
        const std::int64_t key = base - static_cast<std::int64_t>(std::trunc(tenths)) * 10;
        r.situation.timeKey = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            key, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    }
}

void gf_mergeTrafficBatch(TrafficClient& client, std::int32_t delaySeconds)
{
    if (client.batch.empty()) {
        client.lastReportTime.store(0.0);
        return;
    }
    gf_stampBatch(client.batch, delaySeconds, g_tick.load());
    {
        std::lock_guard lock(g_intakeMutex);
        const bool snapshot = delaySeconds != kLiveDelaySeconds;
        if (snapshot || (g_intakeEnabled && lf_takenInTime(g_sharedBatch.size() + client.batch.size(), delaySeconds)))
            lf_queueBehind(client.batch);
    }
    client.batch.clear();
    client.batch.reserve(384);
}

void gf_handOverBlocked(std::uint32_t hexId)
{
    std::lock_guard lock(g_intakeMutex);
    g_blockedHexIds.push_back(hexId);
}

void gf_clearIntake()
{
    std::lock_guard lock(g_intakeMutex);
    g_sharedBatch.clear();
    g_blockedHexIds.clear();
    g_intakeEnabled = false;
}

std::vector<std::uint32_t> gf_takeBlockedHexIds()
{
    std::vector<std::uint32_t> taken;
    std::lock_guard lock(g_intakeMutex);
    taken.swap(g_blockedHexIds);
    return taken;
}

} // namespace zyn
