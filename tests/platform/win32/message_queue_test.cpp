#include "platform/system/last_error.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "tests/support/win32_windows.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace zyn {
namespace {

using test::gf_createRecordingWindow;
using test::gf_pumpUntil;
using test::gf_recorded;

constexpr UINT kDone = WM_APP + 50;
constexpr UINT kAnswer = WM_APP + 7; // the recorder answers wParam * 2

TEST(MessageQueueThreads, PostedMessagesArriveInOrderFromAnotherThread)
{
    const HWND window = gf_createRecordingWindow();
    std::thread poster([window] {
        for (UINT i = 0; i < 100; ++i)
            PostMessageW(window, WM_APP + 100 + i, i, 0);
        PostMessageW(window, kDone, 0, 0);
    });
    gf_pumpUntil(kDone);
    poster.join();
    std::vector<WPARAM> order;
    for (const auto& m : gf_recorded().all())
        if (m.message >= WM_APP + 100 && m.message < WM_APP + 200) {
            EXPECT_EQ(m.message, WM_APP + 100 + m.wParam);
            EXPECT_EQ(m.thread, std::this_thread::get_id());
            order.push_back(m.wParam);
        }
    ASSERT_EQ(order.size(), 100u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST(MessageQueueThreads, QuitEndsTheLoopAfterQueuedMessagesWithItsCode)
{
    const HWND window = gf_createRecordingWindow();
    PostQuitMessage(3);
    PostMessageW(window, WM_APP + 1, 0, 0);
    MSG m{};
    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, WM_APP + 1);
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
}

TEST(MessageQueueThreads, SendFromAnotherThreadRunsOnOwnerAndReturnsResult)
{
    const HWND window = gf_createRecordingWindow();
    std::promise<LRESULT> result;
    std::thread sender([&] {
        result.set_value(SendMessageW(window, kAnswer, 21, 0));
        PostMessageW(window, kDone, 0, 0);
    });
    gf_pumpUntil(kDone);
    sender.join();
    EXPECT_EQ(result.get_future().get(), 42);
    const auto answered = gf_recorded().of(kAnswer);
    ASSERT_EQ(answered.size(), 1u);
    EXPECT_EQ(answered[0].thread, std::this_thread::get_id());
}

TEST(MessageQueueThreads, SendToOwnWindowCallsProcedureDirectly)
{
    const HWND window = gf_createRecordingWindow();
    EXPECT_EQ(SendMessageW(window, kAnswer, 5, 0), 10);
    MSG m{};
    EXPECT_FALSE(PeekMessageW(&m, window, kAnswer, kAnswer, PM_REMOVE)); // nothing was queued
}

// Asked with WM_APP+60, asks the window in lParam back (while the first sender still waits).
LRESULT lf_askBackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP + 60)
        return SendMessageW(reinterpret_cast<HWND>(lParam), kAnswer, wParam, 0) + 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MessageQueueThreads, SendsBetweenTwoThreadsDoNotDeadlock)
{
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = lf_askBackProc;
    c.lpszClassName = u"AskBack";
    ASSERT_NE(RegisterClassExW(&c), 0);
    const HWND here = gf_createRecordingWindow();
    std::promise<HWND> theirs;
    std::thread owner([&] {
        theirs.set_value(CreateWindowExW(0, u"AskBack", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
        MSG m{};
        while (GetMessageW(&m, nullptr, 0, 0) > 0)
            DispatchMessageW(&m);
    });
    const HWND there = theirs.get_future().get();
    EXPECT_EQ(SendMessageW(there, WM_APP + 60, 4, reinterpret_cast<LPARAM>(here)), 9);
    const auto answered = gf_recorded().of(kAnswer);
    ASSERT_EQ(answered.size(), 1u);
    EXPECT_EQ(answered[0].thread, std::this_thread::get_id());
    PostMessageW(there, WM_QUIT, 0, 0);
    owner.join();
}

TEST(MessageQueueThreads, SendToWindowOfEndedThreadReturnsAtOnce)
{
    HWND window = nullptr;
    std::thread([&] { window = gf_createRecordingWindow(); }).join();
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(SendMessageW(window, kAnswer, 5, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(PostMessageW(window, WM_APP, 0, 0));
}

TEST(MessageQueueThreads, SenderWaitingWhenOwnerEndsIsReleased)
{
    std::promise<HWND> created;
    std::promise<void> end;
    std::thread owner([&] {
        created.set_value(gf_createRecordingWindow());
        end.get_future().wait(); // never answers its messages
    });
    const HWND window = created.get_future().get();
    auto sent = std::async(std::launch::async, [window] { return SendMessageW(window, kAnswer, 5, 0); });
    end.set_value();
    owner.join();
    EXPECT_EQ(sent.get(), 0); // answered by the ending thread, whether it was queued before or after
    EXPECT_TRUE(gf_recorded().of(kAnswer).empty());
}

TEST(MessageQueueThreads, InvalidateFromAnotherThreadBringsPaintToOwner)
{
    const HWND window = gf_createRecordingWindow();
    UpdateWindow(window); // paints what creation left invalid
    const auto before = gf_recorded().of(WM_PAINT).size();
    std::thread([window] {
        const RECT band{0, 28, 880, 112};
        InvalidateRect(window, &band, TRUE);
    }).join();
    gf_pumpUntil(WM_PAINT);
    const auto paints = gf_recorded().of(WM_PAINT);
    ASSERT_EQ(paints.size(), before + 1);
    EXPECT_EQ(paints.back().thread, std::this_thread::get_id());
    MSG m{};
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)); // painted once, nothing left
}

} // namespace
} // namespace zyn
