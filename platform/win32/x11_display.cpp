// The windows on an X display: one X window per top-level window, drawn with cairo from the images
// the windows paint, and a thread that turns the display's events into window messages.
// Xlib runs in its thread-safe mode: the windows' threads draw while the event thread reads.
// Built outside the unity batches: the X headers define macros (None, Bool, Status) that other
// sources use as names.
#include "platform/system/environment.h"
#include "platform/system/utf16.h"
#include "platform/win32/compose.h"
#include "platform/win32/constants.h"
#include "platform/win32/display.h"
#include "platform/win32/display_hooks.h"
#include "platform/win32/key_input.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "platform/win32/window_state.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

namespace zyn {

namespace {

using namespace window_layer;

struct ShownWindow {
    ::Window xwindow = 0;
    cairo_surface_t* xsurface = nullptr;
    bool above = false;  // kept above other windows (WS_EX_TOPMOST)
    bool mapped = false; // asked to be mapped: the window manager then owns its state
};

constexpr int kEventWaitMs = 50; // events another thread's Xlib call has already read wait at most this long

std::mutex g_xDisplayMutex; // the state below; never held while a window procedure runs
Display* g_display = nullptr;
std::atomic<bool> g_active{false};
std::map<HWND, ShownWindow> g_shown;
std::set<HWND> g_painted; // top-level windows to present again
Atom g_deleteWindowAtom = 0;
std::thread g_eventThread;
int g_wakePipe[2] = {-1, -1};
HWND g_pressed = nullptr; // the control the mouse button went down on (event thread only)
HWND g_pasteTarget = nullptr; // the box waiting for the clipboard's text (event thread only)
Atom g_clipboardAtom = 0;
Atom g_utf8StringAtom = 0;
Atom g_pasteAtom = 0; // the property of ours the clipboard's owner puts the text in
Atom g_stateAtom = 0; // _NET_WM_STATE
Atom g_aboveAtom = 0; // _NET_WM_STATE_ABOVE
constexpr long kPasteLimit = 64 * 1024; // 32-bit units; far beyond any value a box takes

HWND lf_windowOf(::Window xwindow)
{
    std::lock_guard lock(g_xDisplayMutex);
    for (const auto& [window, shown] : g_shown)
        if (shown.xwindow == xwindow)
            return window;
    return nullptr;
}

HWND lf_topLevelOf(HWND window)
{
    std::lock_guard lock(gf_registry().mutex);
    auto data = gf_windowLocked(window);
    while (data && (data->style & WS_CHILD))
        data = gf_windowLocked(data->parent);
    return data ? data->handle : nullptr;
}

// The control under a point of the top-level window's client area: the last made visible child
// that holds it. Disabled controls take no mouse input; nothing then.
HWND lf_controlAt(HWND top, int x, int y, POINT& inControl)
{
    std::lock_guard lock(gf_registry().mutex);
    const auto data = gf_windowLocked(top);
    if (!data)
        return nullptr;
    for (auto it = data->children.rbegin(); it != data->children.rend(); ++it) {
        const auto child = gf_windowLocked(*it);
        if (!child || !(child->style & WS_VISIBLE))
            continue;
        const RECT& r = child->rect;
        if (x < r.left || x >= r.right || y < r.top || y >= r.bottom)
            continue;
        if (child->style & WS_DISABLED)
            return nullptr;
        inControl = {x - r.left, y - r.top};
        return child->handle;
    }
    inControl = {x, y};
    return top;
}

LPARAM lf_pointParam(POINT p)
{
    return static_cast<LPARAM>((static_cast<std::uint32_t>(p.y & 0xFFFF) << 16) | (p.x & 0xFFFF));
}

void lf_onButton(HWND top, const XButtonEvent& e, bool down)
{
    if (e.button != Button1)
        return;
    POINT inControl{};
    const HWND control = lf_controlAt(top, e.x, e.y, inControl);
    if (down) {
        g_pressed = control;
        if (control)
            PostMessageW(control, WM_LBUTTONDOWN, 0, lf_pointParam(inControl));
    } else {
        if (control && control == g_pressed)
            PostMessageW(control, WM_LBUTTONUP, 0, lf_pointParam(inControl));
        g_pressed = nullptr;
    }
}

// Asks the owner of the X clipboard for its text; it arrives as SelectionNotify.
void lf_requestPaste(HWND box, ::Window xwindow, Time time)
{
    std::lock_guard lock(g_xDisplayMutex);
    if (!g_display)
        return;
    XConvertSelection(g_display, g_clipboardAtom, g_utf8StringAtom, g_pasteAtom, xwindow, time);
    XFlush(g_display);
    g_pasteTarget = box;
}

// The clipboard's text as UTF-8; empty when there is none or it is no text.
std::string lf_takePastedText(::Window xwindow, Atom property)
{
    std::lock_guard lock(g_xDisplayMutex);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (!g_display || XGetWindowProperty(g_display, xwindow, property, 0, kPasteLimit, True, AnyPropertyType, &type,
                                         &format, &count, &after, &data) != Success)
        return {};
    std::string text;
    if (data && format == 8 && (type == g_utf8StringAtom || type == XA_STRING))
        text.assign(reinterpret_cast<const char*>(data), count);
    if (data)
        XFree(data);
    return text;
}

// The clipboard's answer: its text becomes the layer's clipboard, which the box pastes (WM_PASTE).
void lf_onPasteArrived(const XSelectionEvent& e)
{
    const HWND box = std::exchange(g_pasteTarget, nullptr);
    if (!box || e.property == None)
        return;
    std::u16string text;
    try {
        text = gf_platformToUtf16(lf_takePastedText(e.requestor, e.property));
    } catch (const std::exception&) {
        return; // not UTF-8: nothing to paste
    }
    {
        std::lock_guard lock(gf_registry().mutex);
        gf_registry().clipboard = std::move(text);
    }
    PostMessageW(box, WM_PASTE, 0, 0);
}

void lf_onKey(XKeyEvent& e)
{
    char text[8];
    KeySym key = 0;
    XLookupString(&e, text, sizeof text, &key, nullptr);
    const KeyInput input = gf_keyInput(key, (e.state & ShiftMask) != 0, (e.state & ControlMask) != 0);
    HWND focus = nullptr;
    {
        std::lock_guard lock(gf_registry().mutex);
        focus = gf_registry().focus;
    }
    if (!focus || !IsWindowEnabled(focus))
        return;
    if (input.kind == KeyInput::Kind::Message)
        PostMessageW(focus, input.message, input.wParam, input.lParam);
    else if (input.kind == KeyInput::Kind::Paste)
        lf_requestPaste(focus, e.window, e.time);
}

// The window a window manager framed ours in (the child of the root that holds it), else ours.
::Window lf_outermostOf(::Window xwindow)
{
    for (;;) {
        ::Window root = 0, parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(g_display, xwindow, &root, &parent, &children, &count))
            return xwindow;
        if (children)
            XFree(children);
        if (parent == 0 || parent == root)
            return xwindow;
        xwindow = parent;
    }
}

// Where a window manager put the window: the layer's rectangle follows, so that its position is kept.
// The rectangle is the frame's, as on Windows (the window is opened there again by its frame).
void lf_onMoved(HWND top, ::Window xwindow)
{
    int x = 0, y = 0;
    ::Window child = 0;
    {
        std::lock_guard lock(g_xDisplayMutex);
        if (!g_display || !XTranslateCoordinates(g_display, lf_outermostOf(xwindow), DefaultRootWindow(g_display), 0,
                                                 0, &x, &y, &child))
            return;
    }
    SetWindowPos(top, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void lf_handle(XEvent& e)
{
    const HWND top = lf_windowOf(e.xany.window);
    if (!top)
        return;
    switch (e.type) {
    case Expose:
        if (e.xexpose.count == 0)
            InvalidateRect(top, nullptr, FALSE); // painted and presented again by its thread
        break;
    case ButtonPress: lf_onButton(top, e.xbutton, true); break;
    case ButtonRelease: lf_onButton(top, e.xbutton, false); break;
    case KeyPress: lf_onKey(e.xkey); break;
    case ConfigureNotify: lf_onMoved(top, e.xconfigure.window); break;
    case SelectionNotify: lf_onPasteArrived(e.xselection); break;
    case ClientMessage:
        if (static_cast<Atom>(e.xclient.data.l[0]) == g_deleteWindowAtom)
            PostMessageW(top, WM_CLOSE, 0, 0);
        break;
    default: break;
    }
}

// Takes the next event when one is there, without blocking.
bool lf_nextEvent(XEvent& e)
{
    std::lock_guard lock(g_xDisplayMutex);
    if (!g_display || XPending(g_display) == 0)
        return false;
    XNextEvent(g_display, &e);
    return true;
}

void lf_events(int connection)
{
    pollfd fds[2] = {{connection, POLLIN, 0}, {g_wakePipe[0], POLLIN, 0}};
    for (;;) {
        XEvent e;
        while (lf_nextEvent(e))
            lf_handle(e);
        if (poll(fds, 2, kEventWaitMs) > 0 && (fds[1].revents & POLLIN))
            return;
    }
}

void lf_setTitle(::Window xwindow, const std::u16string& title)
{
    std::string utf8;
    try {
        utf8 = gf_platformToUtf8(title);
    } catch (const std::exception&) {
        utf8 = "window";
    }
    XStoreName(g_display, xwindow, utf8.c_str());
    const Atom name = XInternAtom(g_display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(g_display, "UTF8_STRING", False);
    XChangeProperty(g_display, xwindow, name, utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
}

// The window keeps its size, as a window without a sizing border does.
void lf_fixSize(::Window xwindow, int x, int y, int width, int height)
{
    XSizeHints* hints = XAllocSizeHints();
    if (!hints)
        return;
    hints->flags = PPosition | USPosition | PMinSize | PMaxSize;
    hints->x = x;
    hints->y = y;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(g_display, xwindow, hints);
    XFree(hints);
}

// Tells the window manager whether the window is kept above the others, as EWMH has it: in the
// window's own _NET_WM_STATE before it is mapped, by a request to the root window once it is.
// With g_xDisplayMutex held.
void lf_tellAbove(const ShownWindow& shown)
{
    if (!shown.mapped) {
        if (shown.above)
            XChangeProperty(g_display, shown.xwindow, g_stateAtom, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&g_aboveAtom), 1);
        else
            XDeleteProperty(g_display, shown.xwindow, g_stateAtom);
        return;
    }
    constexpr long kRemove = 0, kAdd = 1, kFromApplication = 1;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = shown.xwindow;
    e.xclient.message_type = g_stateAtom;
    e.xclient.format = 32;
    e.xclient.data.l[0] = shown.above ? kAdd : kRemove;
    e.xclient.data.l[1] = static_cast<long>(g_aboveAtom);
    e.xclient.data.l[3] = kFromApplication;
    XSendEvent(g_display, DefaultRootWindow(g_display), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

void lf_closePipe()
{
    for (int& fd : g_wakePipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

} // namespace

bool gf_showOnDisplay()
{
    if (g_active.load() || !gf_environmentValue("DISPLAY"))
        return g_active.load();
    if (!XInitThreads())
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window layer: the display %s cannot be opened, the windows stay headless\n",
                     gf_environmentValue("DISPLAY")->c_str());
        return false;
    }
    if (pipe2(g_wakePipe, O_CLOEXEC) != 0) {
        XCloseDisplay(display);
        return false;
    }
    {
        std::lock_guard lock(g_xDisplayMutex);
        g_display = display;
        g_deleteWindowAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
        g_clipboardAtom = XInternAtom(display, "CLIPBOARD", False);
        g_utf8StringAtom = XInternAtom(display, "UTF8_STRING", False);
        g_pasteAtom = XInternAtom(display, "TARVO_PASTE", False);
        g_stateAtom = XInternAtom(display, "_NET_WM_STATE", False);
        g_aboveAtom = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
    }
    g_eventThread = std::thread(lf_events, ConnectionNumber(display));
    g_active = true;
    return true;
}

void gf_stopShowing()
{
    if (!g_active.exchange(false))
        return;
    const char stop = 0;
    if (write(g_wakePipe[1], &stop, 1) < 0) {
        // the thread still ends at its next look at the pipe's other end being closed below
    }
    g_eventThread.join();
    lf_closePipe();
    std::lock_guard lock(g_xDisplayMutex);
    for (auto& [window, shown] : g_shown)
        cairo_surface_destroy(shown.xsurface);
    g_shown.clear();
    g_painted.clear();
    XCloseDisplay(g_display);
    g_display = nullptr;
}

bool gf_onDisplay() { return g_active.load(); }

} // namespace zyn

namespace zyn::window_layer {

void gf_displayWindowCreated(HWND window)
{
    if (!g_active.load())
        return;
    RECT rect{}, client{};
    std::u16string title;
    bool above = false;
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data)
            return;
        rect = data->rect;
        client = gf_clientRectOf(*data);
        title = data->text;
        above = (data->exStyle & WS_EX_TOPMOST) != 0;
    }
    // The X window is the client area; the window manager draws the frame (placed at the position).
    const int width = std::max<LONG>(1, client.right);
    const int height = std::max<LONG>(1, client.bottom);
    std::lock_guard lock(g_xDisplayMutex);
    const int screen = DefaultScreen(g_display);
    const ::Window xwindow = XCreateSimpleWindow(g_display, RootWindow(g_display, screen), rect.left, rect.top,
                                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                                 BlackPixel(g_display, screen), BlackPixel(g_display, screen));
    XSelectInput(g_display, xwindow,
                 ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask);
    XSetWMProtocols(g_display, xwindow, &g_deleteWindowAtom, 1);
    lf_setTitle(xwindow, title);
    lf_fixSize(xwindow, rect.left, rect.top, width, height);
    cairo_surface_t* surface =
        cairo_xlib_surface_create(g_display, xwindow, DefaultVisual(g_display, screen), width, height);
    g_shown[window] = {xwindow, surface, above};
    XFlush(g_display);
}

void gf_displayWindowShown(HWND window, bool visible)
{
    if (!g_active.load())
        return;
    std::lock_guard lock(g_xDisplayMutex);
    const auto it = g_shown.find(window);
    if (it == g_shown.end())
        return;
    ShownWindow& shown = it->second;
    if (visible && !shown.mapped)
        lf_tellAbove(shown); // a window manager drops the state of a window it withdrew
    if (visible)
        XMapWindow(g_display, shown.xwindow);
    else
        XUnmapWindow(g_display, shown.xwindow);
    shown.mapped = visible;
    XFlush(g_display);
    if (visible)
        g_painted.insert(window);
}

void gf_displayWindowTopmost(HWND window, bool topmost)
{
    if (!g_active.load())
        return;
    std::lock_guard lock(g_xDisplayMutex);
    const auto it = g_shown.find(window);
    if (it == g_shown.end() || it->second.above == topmost)
        return;
    it->second.above = topmost;
    lf_tellAbove(it->second);
    XFlush(g_display);
}

void gf_displayWindowGone(HWND window)
{
    if (!g_active.load())
        return;
    std::lock_guard lock(g_xDisplayMutex);
    g_painted.erase(window);
    const auto it = g_shown.find(window);
    if (it == g_shown.end())
        return;
    cairo_surface_destroy(it->second.xsurface);
    XDestroyWindow(g_display, it->second.xwindow);
    XFlush(g_display);
    g_shown.erase(it);
}

void gf_displayPainted(HWND window)
{
    if (!g_active.load())
        return;
    const HWND top = lf_topLevelOf(window);
    std::lock_guard lock(g_xDisplayMutex);
    if (top && g_shown.contains(top))
        g_painted.insert(top);
}

void gf_displayPresentPending()
{
    if (!g_active.load())
        return;
    std::set<HWND> painted;
    {
        std::lock_guard lock(g_xDisplayMutex);
        painted.swap(g_painted);
    }
    for (const HWND top : painted) {
        const auto layers = gf_visibleLayers(top);
        if (layers.empty()) {
            const bool stillThere = IsWindow(top) != FALSE;
            std::lock_guard lock(g_xDisplayMutex);
            if (stillThere && g_shown.contains(top))
                g_painted.insert(top); // another thread's window: that thread presents it
            continue;
        }
        cairo_surface_t* picture = gf_composeLayers(layers);
        if (!picture)
            continue;
        std::lock_guard lock(g_xDisplayMutex);
        if (const auto it = g_shown.find(top); it != g_shown.end()) {
            cairo_t* cr = cairo_create(it->second.xsurface);
            cairo_set_source_surface(cr, picture, 0, 0);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_flush(it->second.xsurface);
            XFlush(g_display);
        }
        cairo_surface_destroy(picture);
    }
}

} // namespace zyn::window_layer
