#pragma once
// Appending a merged report to a known live aircraft's position stream. Main-loop thread only.
#include "engine/records.h"

namespace zyn {

inline constexpr std::size_t kMaxWaitingSituations = 200;

void decodeExisting(LiveAcRecord& aircraft, Situation situation);

} // namespace zyn
