// A window kept on top, on an X display: the window manager is told, as EWMH has it. This test is
// the window manager (the one client that redirects the root window's substructure): it reads the
// window's _NET_WM_STATE when the window asks to be mapped and takes the requests sent to the root.
#include "platform/win32/display.h"
#include "platform/win32/window.h"
#include "tests/support/guard_time.h"
#include "tests/support/scoped_env.h"
#include "tests/support/win32_windows.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h> // before the X headers, whose None is a macro

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <functional>
#include <string>

namespace zyn {
namespace {

struct WindowManager {
    Display* display = nullptr;
    Atom state = 0;
    Atom above = 0;

    // The next event of this type; false when none comes in time.
    bool next(int type, XEvent& e) const
    {
        const auto deadline = std::chrono::steady_clock::now() + test::guardTime(std::chrono::seconds(10));
        while (std::chrono::steady_clock::now() < deadline) {
            while (XPending(display) > 0) {
                XNextEvent(display, &e);
                if (e.type == type)
                    return true;
            }
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 100);
        }
        return false;
    }

    bool hasAbove(::Window window) const
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, state, 0, 32, False, XA_ATOM, &type, &format, &count, &after,
                               &data) != Success)
            return false;
        bool found = false;
        for (unsigned long i = 0; data && format == 32 && i < count; ++i)
            found = found || reinterpret_cast<const Atom*>(data)[i] == above;
        if (data)
            XFree(data);
        return found;
    }
};

TEST(X11Display, StayOnTopReachesTheWindowManager)
{
    test::Xvfb xvfb;
    std::string whyNot;
    if (!xvfb.start(whyNot))
        GTEST_SKIP() << whyNot;
    WindowManager wm{XOpenDisplay(xvfb.display().c_str())};
    ASSERT_NE(wm.display, nullptr);
    wm.state = XInternAtom(wm.display, "_NET_WM_STATE", False);
    wm.above = XInternAtom(wm.display, "_NET_WM_STATE_ABOVE", False);
    XSelectInput(wm.display, DefaultRootWindow(wm.display), SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(wm.display, False);

    const test::ScopedEnv display("DISPLAY", xvfb.display());
    ASSERT_TRUE(gf_showOnDisplay());
    const HWND window = test::gf_createRecordingWindow();
    const struct Shown {
        HWND window;
        Display* wm;
        ~Shown()
        {
            DestroyWindow(window);
            gf_stopShowing();
            XCloseDisplay(wm);
        }
    } shown{window, wm.display};
    const auto topmost = [window](bool on) {
        return SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    };
    XEvent e{};
    ::Window xwindow = 0;
    // Shown: the window manager maps the window; hidden: it withdraws it and drops its state.
    const auto show = [&](bool shown) {
        ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
        if (!shown) {
            ASSERT_TRUE(wm.next(UnmapNotify, e));
            XDeleteProperty(wm.display, xwindow, wm.state);
            XSync(wm.display, False);
            return;
        }
        ASSERT_TRUE(wm.next(MapRequest, e));
        xwindow = e.xmaprequest.window;
    };
    const auto mapWithAbove = [&] {
        const bool above = wm.hasAbove(xwindow);
        XMapWindow(wm.display, xwindow);
        XSync(wm.display, False);
        return above;
    };
    const auto request = [&] { // the action (1 add, 0 remove) of a _NET_WM_STATE_ABOVE request; -1 for none
        if (!wm.next(ClientMessage, e) || e.xclient.window != xwindow || e.xclient.message_type != wm.state ||
            static_cast<Atom>(e.xclient.data.l[1]) != wm.above)
            return -1L;
        return e.xclient.data.l[0];
    };

    ASSERT_TRUE(topmost(true));
    show(true);
    EXPECT_TRUE(mapWithAbove()) << "switched on before it is shown";
    ASSERT_TRUE(topmost(false));
    EXPECT_EQ(request(), 0) << "switched off while shown";
    ASSERT_TRUE(topmost(true));
    EXPECT_EQ(request(), 1) << "switched on while shown";
    show(false);
    show(true);
    EXPECT_TRUE(mapWithAbove()) << "shown again";
    show(false);
    ASSERT_TRUE(topmost(false));
    show(true);
    EXPECT_FALSE(mapWithAbove()) << "switched off while hidden";
}

} // namespace
} // namespace zyn
