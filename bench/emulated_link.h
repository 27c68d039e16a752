#pragma once
// The simulator link on a fresh emulated simulator, without the SimConnect thread: the benchmark
// drives the dispatch itself.
#include "platform/simconnect/emulator.h"

namespace zyn::bench {

// A simulator whose objects exist when their creation call returns and stay where they are put, so
// that a benchmark's set-up reaches its state at once.
simemu::Scenario instantScenario();

// Resets the emulator to the scenario and the link, opens the connection and registers.
HANDLE openEmulatedLink(const simemu::Scenario& scenario = instantScenario());

} // namespace zyn::bench
