#pragma once
// The hand-over of fetched traffic to the main loop. Every batch, the buffered first fill included,
// reaches the live aircraft list only through g_sharedBatch, which the main loop consumes from its
// end, two records per tick.
#include "aircraft/records.h"
#include "traffic/client.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace zyn {

inline constexpr std::int32_t kLiveDelaySeconds = 30;
inline constexpr int kRecordsMergedPerTick = 2; // the main loop's pace of taking records

extern std::mutex g_intakeMutex; // guards g_sharedBatch, g_intakeEnabled and the blocked hex ids
extern std::vector<TrafficRecord> g_sharedBatch;
extern bool g_intakeEnabled;

void gf_setIntakeEnabled(bool enabled);

// Gives every record its play time: delaySeconds after tick, shifted by its report time's offset
// from the batch's median report time (tenths of a second, truncated toward zero).
void gf_stampBatch(std::vector<TrafficRecord>& batch, std::int32_t delaySeconds, std::int32_t tick);

// Stamps the client's batch and hands it over; the client's batch is empty afterwards. Every batch
// is queued behind what waits, so that the main loop merges them in the order they came. A regular
// poll (delay 30) is queued only while the intake is enabled, and only when the main loop, at its
// pace, takes it whole before it is due; otherwise it is dropped. A buffered snapshot (any other
// delay) is always queued.
void gf_mergeTrafficBatch(TrafficClient& client, std::int32_t delaySeconds);

// An aircraft whose callsign the user blocked: its hex id waits, under the intake mutex, until the
// main loop takes it and removes that aircraft.
void gf_handOverBlocked(std::uint32_t hexId);
std::vector<std::uint32_t> gf_takeBlockedHexIds();

// Drops what waits for the main loop and closes the intake until a main loop opens it (exit and restart).
void gf_clearIntake();

} // namespace zyn
