#pragma once
// The engine's own hand-over queues towards the simulator link; the per-tick driver passes one
// creation every 0.5 s and one removal every 0.1 s on. Main-loop thread only.
#include "sim/create_request.h"

#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

namespace zyn {

extern std::vector<std::uint32_t> g_pendingCreationIds; // hex ids whose request is built next
extern std::deque<CreateAcRequest> g_liveCreationQueue;
extern std::deque<CreateAcRequest> g_staticCreationQueue;
extern std::deque<std::uint32_t> g_removalQueue;        // object ids

// Drops every request named name from the queue (order of the rest kept); true when one went.
bool gf_dropPendingCreations(std::deque<CreateAcRequest>& queue, std::string_view name);

} // namespace zyn
