#pragma once
// Everything the simulator sends arrives here, on the SimConnect thread, and goes to its handler.
// Exceptions that leave it (wrong simulator, version mismatch, no aircraft selected) end SimClient.
#include "platform/simconnect/simconnect.h"

#include <string>

namespace zyn {

void gf_dispatch(SIMCONNECT_RECV* message, DWORD cbData, void* context);

// "MSFS 20{} is running ..., switch Sim or toggle the Install path checkbox of Tarvo"
std::string gf_wrongSimMessage();

void gf_resetDispatch();

} // namespace zyn
