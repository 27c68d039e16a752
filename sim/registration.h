#pragma once
// Registration of everything the program uses on a fresh connection: system events, data definitions,
// client events and the notification group. Results are not checked: a refused registration shows up
// later as an exception message from the simulator.
#include "platform/simconnect/simconnect.h"

namespace zyn {

void gf_registerSimConnect(HANDLE handle);

} // namespace zyn
