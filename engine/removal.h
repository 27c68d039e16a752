#pragma once
// Taking an aircraft out of the simulator. Main-loop thread only.
#include "engine/records.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zyn {

// The object id answered to the user's callsign query; 0 none.
extern std::atomic<std::uint32_t> g_queriedObjectId;

inline constexpr std::uint32_t kHighestStaticHexId = 10000; // static aircraft carry 1..10000

// Marks the aircraft for removal and queues its object id. An aircraft whose creation is still
// waiting in the engine's queues is withdrawn instead; one already handed to the simulator link
// is removed as soon as its object appears. A live aircraft holds its stand no longer.
void removeAircraftFromSim(AiAcRecord& aircraft);

// No object is selected by the callsign query any more; its answer is no longer shown.
void gf_clearSelection();
// When the aircraft is the one the callsign query selected: the selection and its answer are
// cleared and the query box shows queryText.
void gf_dropSelection(const AiAcRecord& aircraft, const std::string& queryText);

} // namespace zyn
