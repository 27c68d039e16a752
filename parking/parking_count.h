#pragma once
// Static parking's answers to the engine's questions about the parked aircraft
// (engine/parking_queries.h).
namespace zyn {

// Hands static parking's queries down to the engine; once per process, at start-up.
void gf_installParkingQueries();

} // namespace zyn
