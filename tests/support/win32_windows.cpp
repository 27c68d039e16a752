#include "tests/support/win32_windows.h"

#include "platform/system/last_error.h"
#include "platform/win32/gdi.h"

#include <algorithm>

namespace zyn::test {

void MessageLog::add(const ReceivedMessage& m)
{
    std::lock_guard lock(m_mutex);
    m_messages.push_back(m);
}

std::vector<ReceivedMessage> MessageLog::all() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<ReceivedMessage> MessageLog::of(UINT message) const
{
    std::lock_guard lock(m_mutex);
    std::vector<ReceivedMessage> found;
    std::copy_if(m_messages.begin(), m_messages.end(), std::back_inserter(found),
                 [message](const ReceivedMessage& m) { return m.message == message; });
    return found;
}

void MessageLog::clear()
{
    std::lock_guard lock(m_mutex);
    m_messages.clear();
}

MessageLog& gf_recorded()
{
    static MessageLog log;
    return log;
}

namespace {

LRESULT lf_recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    gf_recorded().add({window, message, wParam, lParam, std::this_thread::get_id()});
    if (message == WM_CLOSE)
        return 0;
    if (message == WM_APP + 7)
        return static_cast<LRESULT>(wParam * 2);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Each time: the window layer forgets its classes between tests. A class already there keeps the
// caller's last error as it was.
void lf_register()
{
    const DWORD error = GetLastError();
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = lf_recordingProc;
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    c.lpszClassName = TEXT("TestRecorder");
    RegisterClassExW(&c);
    SetLastError(error);
}

} // namespace

HWND gf_createRecordingWindow(int x, int y, int width, int height)
{
    lf_register();
    return CreateWindowExW(0, TEXT("TestRecorder"), TEXT("Recorder"), WS_OVERLAPPED | WS_VISIBLE, x, y, width, height,
                           nullptr, nullptr, nullptr, nullptr);
}

void gf_pumpUntil(UINT message)
{
    MSG m{};
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
        if (m.message == message)
            return;
    }
}

} // namespace zyn::test
