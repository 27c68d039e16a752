#include "platform/win32/message_loop.h"

#include "platform/system/last_error.h"
#include "platform/win32/constants.h"
#include "platform/win32/display_hooks.h"
#include "platform/win32/window_state.h"

#include <algorithm>

using namespace zyn::window_layer;

namespace {

// Ends the thread's queue when the thread ends: waiting senders get their answer (0) and the
// thread's windows disappear, so nobody waits for a thread that will never answer.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
    QueueHolder() { gf_registry(); } // the registry must outlive every holder
    ~QueueHolder();
};

void lf_complete(const std::shared_ptr<SentMessage>& sent, LRESULT result)
{
    std::lock_guard lock(sent->sender->mutex);
    sent->result = result;
    sent->done = true;
    sent->sender->wake.notify_all();
}

QueueHolder::~QueueHolder()
{
    std::deque<std::shared_ptr<SentMessage>> unanswered;
    {
        std::lock_guard lock(queue->mutex);
        queue->alive = false;
        unanswered.swap(queue->sent);
        queue->posted.clear();
        queue->paintRequests.clear();
    }
    for (const auto& sent : unanswered)
        lf_complete(sent, 0);
    gf_forgetWindowsOf(queue.get());
}

thread_local QueueHolder t_queue;

LRESULT lf_callProcedure(const MSG& m)
{
    const WNDPROC proc = gf_procOf(m.hwnd);
    if (!proc) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return proc(m.hwnd, m.message, m.wParam, m.lParam);
}

// Answers the messages other threads sent to this thread's windows; the queue lock must be held.
void lf_answerSentLocked(ThreadQueue& queue, std::unique_lock<std::mutex>& lock)
{
    while (!queue.sent.empty()) {
        auto sent = queue.sent.front();
        queue.sent.pop_front();
        lock.unlock();
        lf_complete(sent, lf_callProcedure(sent->message));
        lock.lock();
    }
}

bool lf_matches(const MSG& m, HWND window, UINT first, UINT last)
{
    if (window && m.hwnd != window)
        return false;
    return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

bool lf_needsPaint(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(window);
    return data && data->updatePending;
}

// Finds the next message for the filter; the queue lock must be held.
bool lf_takeLocked(ThreadQueue& queue, std::unique_lock<std::mutex>& lock, MSG* out, HWND window, UINT first,
                   UINT last, bool remove)
{
    lf_answerSentLocked(queue, lock);
    const auto posted = std::find_if(queue.posted.begin(), queue.posted.end(),
                                     [&](const MSG& m) { return lf_matches(m, window, first, last); });
    if (posted != queue.posted.end()) {
        *out = *posted;
        if (remove)
            queue.posted.erase(posted);
        return true;
    }
    if (queue.quit) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, 0, {0, 0}};
        if (remove)
            queue.quit = false;
        return true;
    }
    while (!queue.paintRequests.empty()) {
        const HWND candidate = queue.paintRequests.front();
        const MSG paint{candidate, WM_PAINT, 0, 0, 0, {0, 0}};
        if (!lf_matches(paint, window, first, last))
            return false;
        lock.unlock();
        const bool stillInvalid = lf_needsPaint(candidate);
        lock.lock();
        if (!stillInvalid || remove)
            std::erase(queue.paintRequests, candidate);
        if (stillInvalid) {
            *out = paint;
            return true;
        }
    }
    return false;
}

bool lf_badFilter(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    return window && !gf_windowLocked(window);
}

} // namespace

namespace zyn::window_layer {

std::shared_ptr<ThreadQueue> gf_currentQueue() { return t_queue.queue; }

void gf_requestPaint(const std::shared_ptr<ThreadQueue>& owner, HWND window)
{
    std::lock_guard lock(owner->mutex);
    if (!owner->alive)
        return;
    if (std::find(owner->paintRequests.begin(), owner->paintRequests.end(), window) == owner->paintRequests.end())
        owner->paintRequests.push_back(window);
    owner->wake.notify_all();
}

} // namespace zyn::window_layer

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<ThreadQueue> owner;
    if (!window) {
        owner = gf_currentQueue();
    } else {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (data)
            owner = data->owner;
    }
    if (!owner) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(owner->mutex);
    if (!owner->alive) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    owner->posted.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    owner->wake.notify_all();
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<ThreadQueue> owner;
    {
        std::lock_guard lock(gf_registry().mutex);
        if (const auto data = gf_windowLocked(window))
            owner = data->owner;
    }
    if (!owner) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const MSG m{window, message, wParam, lParam, 0, {0, 0}};
    const auto self = gf_currentQueue();
    if (owner == self)
        return lf_callProcedure(m);
    auto sent = std::make_shared<SentMessage>(SentMessage{m, self, 0, false});
    {
        std::lock_guard lock(owner->mutex);
        if (!owner->alive) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        owner->sent.push_back(sent);
        owner->wake.notify_all();
    }
    std::unique_lock lock(self->mutex);
    while (!sent->done) {
        lf_answerSentLocked(*self, lock); // two threads sending to each other must not deadlock
        if (!sent->done)
            self->wake.wait(lock, [&] { return sent->done || !self->sent.empty(); });
    }
    return sent->result;
}

void PostQuitMessage(int exitCode)
{
    const auto self = gf_currentQueue();
    std::lock_guard lock(self->mutex);
    self->quit = true;
    self->quitCode = exitCode;
    self->wake.notify_all();
}

BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last)
{
    if (!message || lf_badFilter(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    const auto self = gf_currentQueue();
    std::unique_lock lock(self->mutex);
    while (!lf_takeLocked(*self, lock, message, window, first, last, true)) {
        // Nothing left to do: what was painted goes to the screen before the thread waits.
        lock.unlock();
        gf_displayPresentPending();
        lock.lock();
        if (lf_takeLocked(*self, lock, message, window, first, last, true))
            break;
        self->wake.wait(lock);
    }
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(MSG* message, HWND window, UINT first, UINT last, UINT remove)
{
    if (!message || lf_badFilter(window))
        return FALSE;
    const auto self = gf_currentQueue();
    std::unique_lock lock(self->mutex);
    return lf_takeLocked(*self, lock, message, window, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* message)
{
    if (!message || message->message != WM_KEYDOWN)
        return FALSE;
    switch (message->wParam) {
    case VK_RETURN:
    case VK_BACK:
    case VK_ESCAPE:
        return PostMessageW(message->hwnd, WM_CHAR, message->wParam, message->lParam);
    default:
        return FALSE;
    }
}

LRESULT DispatchMessageW(const MSG* message)
{
    if (!message || !message->hwnd)
        return 0;
    return lf_callProcedure(*message);
}

int TranslateAcceleratorW(HWND, HACCEL, MSG*) { return 0; }
