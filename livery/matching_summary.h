#pragma once
// The matching reports in the log: matches per ladder step with the liveries the simulator could
// not create, and the live aircraft that found no livery. Main-loop or exit thread.
#include <set>
#include <string>

namespace zyn {

// The live aircraft for which no livery matched (gf_acTextWithSuffix texts); the engine adds them
// and never spawns them again.
extern std::set<std::string> g_aircraftWithoutLivery;

void gf_liveryMatchingSummary();
// Only with "LOG" on.
void gf_logNoMatchList();

} // namespace zyn
