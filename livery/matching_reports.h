#pragma once
// What the session and the main loop ask of livery matching: its tables and its reports to the log.
namespace zyn {

void gf_reserveLiveryTables();
// The list of live aircraft for which no livery was matched.
void gf_logNoMatchList();
void gf_liveryMatchingSummary();

} // namespace zyn
