#pragma once
// The "Traffic" reader thread: one buffered first request of five snapshots, then a poll of the
// query box every period, each reply parsed into a batch and handed to the main loop.
#include "traffic/client.h"

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace zyn {

inline constexpr std::int32_t kBufferCount = 5;
inline constexpr std::int32_t kBufferSeconds = 6;

// The thread function; started detached after the weather reader.
void gf_trafficReader();
// The polling loop; false when it ends, with status 9999 when it stopped on its flag.
bool receive(TrafficClient& client, std::int32_t& status);
// The buffered first request; true when it delivered data.
bool buffer(TrafficClient& client, std::int32_t& status);
// A reply's body read and handed over: the regular poll's (false, status set, when a refused status ends
// the reader) and the buffered first request's (true when it delivered data). A body that is no JSON or
// holds a bad status throws; the reader logs it and goes on.
bool gf_readTrafficReply(TrafficClient& client, const std::string& body, std::int32_t& status);
bool gf_readBufferReply(TrafficClient& client, const std::string& body, std::int32_t& status);
// Parses every 48-value member of data into the client's batch.
void gf_parseTrafficMembers(TrafficClient& client, nlohmann::json& data);

} // namespace zyn
