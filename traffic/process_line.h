#pragma once
// One live-traffic entry (an array of 48 values) to a TrafficRecord, with the validity, range,
// on-ground, blocking and identity rules.
#include "traffic/client.h"

#include <string>

namespace zyn {

inline constexpr std::size_t kTrafficEntrySize = 48;

extern std::string g_blockedCallsign; // the traffic reader's own

// Parses client.reply and appends at most one record to client.batch.
void processLine(TrafficClient& client);
// Hands the identities collected while ready was set to static parking and stops the collection.
void gf_clearTrafficStore();

} // namespace zyn
