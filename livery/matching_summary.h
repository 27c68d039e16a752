#pragma once
// The matching reports in the log: matches per ladder step with the liveries the simulator could
// not create, and the live aircraft that found no livery. Main-loop or exit thread.
namespace zyn {

void gf_liveryMatchingSummary();
// Only with "LOG" on.
void gf_logNoMatchList();

} // namespace zyn
