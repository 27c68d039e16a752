#include "tests/support/exit_wait.h"

#include "core/exit.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "tests/support/win32_windows.h"

#include <thread>

namespace zyn::test {

bool finishExit(ManualClock& clock)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (gf_exitSequenceRunning()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        clock.advance(std::chrono::milliseconds(100));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<UINT> takeExitMessages()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    std::vector<UINT> found;
    for (const auto& m : gf_recorded().all())
        if (m.message == WM_APP + 1 || m.message == WM_APP + 2)
            found.push_back(m.message);
    return found;
}

std::vector<int> quitCodes()
{
    std::vector<int> codes;
    for (const auto& m : gf_recorded().all())
        if (m.message == WM_APP + 2)
            codes.push_back(static_cast<int>(m.wParam));
    return codes;
}

} // namespace zyn::test
