#pragma once
// For tests that change the program's environment: the emulator forgets its world on both ends, so
// that it reads the environment afresh and leaves nothing behind.
#include "platform/simconnect/emulator.h"

namespace zyn::test {

struct ForgetEmulatorWorld {
    ForgetEmulatorWorld() { simemu::resetToProgramScenario(); }
    ~ForgetEmulatorWorld() { simemu::resetToProgramScenario(); }
    ForgetEmulatorWorld(const ForgetEmulatorWorld&) = delete;
    ForgetEmulatorWorld& operator=(const ForgetEmulatorWorld&) = delete;
};

} // namespace zyn::test
