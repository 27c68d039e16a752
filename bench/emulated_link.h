#pragma once
// The simulator link on a fresh emulated simulator, without the SimConnect thread: the benchmark
// drives the dispatch itself.
#include "platform/simconnect/emulator.h"

namespace zyn::bench {

// Resets the emulator to the scenario and the link, opens the connection and registers.
HANDLE openEmulatedLink(const simemu::Scenario& scenario = {});

} // namespace zyn::bench
