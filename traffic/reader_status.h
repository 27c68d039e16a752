#pragma once
// What the two readers share: the request periods the service dictates, the stop-aware wait
// between rounds, and the report of a reader that ended.
#include "traffic/client.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

namespace zyn {

inline constexpr std::int32_t kStoppedStatus = 9999; // a reader ended on its stop flag
inline constexpr std::int32_t kMinPeriodMs = 250;     // below this a period would hammer the service
inline constexpr std::int32_t kMaxPeriodMs = 600000;

// A period from a reply ("rrl", "wrrl") kept within [kMinPeriodMs, kMaxPeriodMs].
std::int32_t gf_periodFromReply(std::int64_t ms);
// Waits one period (clamped as above) unless the client's stop flag is raised; false when stopped.
bool gf_sleepPeriod(const TrafficClientBase& client, std::int64_t periodMs);

// A reader has ended with status: its light shows 3; unless it stopped on its flag, the failure is
// logged, the other reader is told to stop and the core is told (401 asks for a restart).
void gf_reportReaderEnd(std::string_view name, std::int32_t status, std::atomic<std::uint8_t>& light,
                        TrafficClientBase& other);

// A reader thread's body: logs it connected, lights it, runs loop (which returns the status it ended
// with) and reports the end. Exceptions are caught and logged with threadName.
void gf_runReader(std::string_view threadName, std::string_view name, std::atomic<std::uint8_t>& light,
                  TrafficClientBase& other, const std::function<std::int32_t()>& loop);

// Starts a reader thread detached and counts it while it runs, so that the exit can wait for the
// readers to be gone before the clients they use are torn down.
void gf_startReader(void (*body)());
// Waits, up to limit, until no reader started by gf_startReader runs; false when one still does.
bool gf_waitForReadersToEnd(std::chrono::milliseconds limit);

} // namespace zyn
