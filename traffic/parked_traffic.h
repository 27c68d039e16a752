#pragma once
// Parked traffic around the park airport: one request on the static-parking thread, its entries read
// into g_trafficClient.parkedList, youngest first, one entry per stand and per callsign. Uses only the
// client's parked fields, so it may run while the traffic reader polls.
#include "base/geo.h"
#include "traffic/client.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zyn {

// Transfer limit of the request: it runs on the main loop, which must not hang on a slow service.
inline constexpr std::int32_t kParkedTransferLimitMs = 5000;

// Asks for the parked traffic around the park airport. True when the service answered with a list
// (possibly empty); on any failure the list is empty, one line is logged and the result is false.
bool gf_requestParkedTraffic();

// The same request made on a thread of its own ahead of the step that needs it (at most one at a
// time); gf_takeParkedTraffic then waits for its answer, or asks now when none was made or it was
// made for another park airport. gf_awaitParkedPrefetch lets a pending one finish unused.
void gf_prefetchParkedTraffic();
bool gf_takeParkedTraffic();
void gf_awaitParkedPrefetch();
// Whether gf_takeParkedTraffic would take an answer without waiting: the one asked for ahead is in
// (or ended at its bound). True when none was asked for ahead.
bool gf_parkedTrafficAnswered();

// The box 3 NM around the airport that the request sends.
QueryBox gf_parkedBox(LatLon airport);
// The exchange: true when a usable reply with status 200 came. A refused status is written to
// status; a failed transfer or an unusable reply is logged and leaves status as it was.
bool parkedtraffic(TrafficClient& client, std::int32_t& status, const QueryBox& box);
// Reads a reply body into the parked list; false with status set for a status other than 200. A
// body that is no JSON, a bad status or "data" that is no object throws std::runtime_error or a
// JSON error.
bool gf_readParkedReply(TrafficClient& client, const std::string& body, std::int32_t& status);
// Parses client.parkedEntry, the value of member key (the hex id); appends at most one record.
// Returns false when the entry was malformed (dropped without a line of its own).
bool processParkedTrafficLine(TrafficClient& client, const std::string& key);
// Turns report slots into ages from nowSlot, drops those older than MAX_FIT (unless
// RT_PARKTRAFFIC_ONLY), sorts youngest first (by report time within one age) and keeps the first per
// stand and per callsign.
void gf_keepYoungestParked(std::vector<ParkedTrafficRecord>& list, std::uint32_t nowSlot);

} // namespace zyn
