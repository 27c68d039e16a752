#pragma once
// Windows for tests: a top-level window class whose procedure records what it receives.
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zyn::test {

struct ReceivedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
};

// Everything the recording windows received, in order; any thread.
class MessageLog {
public:
    void add(const ReceivedMessage& m);
    std::vector<ReceivedMessage> all() const;
    std::vector<ReceivedMessage> of(UINT message) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<ReceivedMessage> m_messages;
};

MessageLog& gf_recorded();

// "TestRecorder": records every message; WM_CLOSE is only recorded (the window stays);
// WM_APP+7 answers wParam * 2; all else goes to DefWindowProcW.
HWND gf_createRecordingWindow(int x = 10, int y = 20, int width = 300, int height = 200);

// Pumps the calling thread's messages until one with this number has been dispatched.
void gf_pumpUntil(UINT message);

} // namespace zyn::test
