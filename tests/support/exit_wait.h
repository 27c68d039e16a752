#pragma once
// Waiting for the exit sequence in tests: the sequence pauses on the clock seam, so a manual clock
// is moved on while it runs and its pauses pass at once.
#include "platform/system/clock.h"
#include "platform/win32/types.h"

#include <vector>

namespace zyn::test {

// Until no exit sequence runs any more (at most 30 s of real time); false on that time-out.
bool finishExit(ManualClock& clock);

// Dispatches what was posted to the calling thread's windows and returns the WM_APP+1 and WM_APP+2
// messages among them, in order.
std::vector<UINT> takeExitMessages();
// The exit codes (wParam) of the WM_APP+2 messages dispatched so far, in order.
std::vector<int> quitCodes();

} // namespace zyn::test
