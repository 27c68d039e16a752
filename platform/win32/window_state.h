#pragma once
// Inside the window layer: the windows, their classes and the per-thread queues.
// One mutex guards every window's state; window procedures are never called while it is held.
// The windows mutex and a queue mutex are never held together.
#include "platform/win32/message_loop.h"
#include "platform/win32/types.h"

#include <cairo.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zyn::window_layer {

struct ThreadQueue;

struct SentMessage {
    MSG message{};
    std::shared_ptr<ThreadQueue> sender;
    LRESULT result = 0; // result and done are guarded by the sender's queue mutex
    bool done = false;
};

struct Invalidation {
    RECT rect;
    bool erase;
};

struct WindowClass {
    std::u16string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
};

struct WindowData {
    HWND handle = nullptr;
    std::u16string className;
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
    HWND parent = nullptr;
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::u16string text;
    RECT rect{}; // in the parent's client area; on the screen for a top-level window
    WPARAM check = 0;
    std::size_t caret = 0;  // an edit box's caret and selection anchor, in UTF-16 units of text
    std::size_t anchor = 0;
    std::vector<HWND> children; // in creation order
    bool updatePending = false;
    RECT update{};
    bool eraseUpdate = false;
    std::deque<Invalidation> invalidations; // the latest ones, for tests
    cairo_surface_t* surface = nullptr;      // the window's own image, drawn only by its thread
    std::shared_ptr<ThreadQueue> owner;
};

struct ThreadQueue {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<HWND> paintRequests;
    bool quit = false;
    int quitCode = 0;
    bool alive = true;
};

struct Registry {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<WindowData>> windows;
    std::vector<WindowClass> classes;
    std::uintptr_t nextHandle = 0x10000; // handles are never reused, so a stale one stays invalid
    HWND focus = nullptr;                // the edit box that typed keys go to
    std::u16string clipboard;            // the text a paste inserts (on a display: fetched before)
    bool refuseTopLevel = false;         // a test's: no top-level window can be created
    bool closeFirstTopLevel = false;     // a close signal came before any top-level window
};

// A bit of WM_KEYDOWN's lParam that Windows leaves reserved: here, shift was held with the key
// (the edit box extends its selection).
inline constexpr LPARAM kShiftHeldFlag = LPARAM{1} << 25;

Registry& gf_registry();
// The window of a handle, or nullptr; the registry mutex must be held.
std::shared_ptr<WindowData> gf_windowLocked(HWND window);
// The calling thread's queue, made on first use and shut down when the thread ends.
std::shared_ptr<ThreadQueue> gf_currentQueue();
// Asks the owner thread for a WM_PAINT; any thread.
void gf_requestPaint(const std::shared_ptr<ThreadQueue>& owner, HWND window);
// Forgets the windows of a thread that has ended (no messages: their procedures cannot run any more).
void gf_forgetWindowsOf(const ThreadQueue* owner);
// WM_CLOSE to every top-level window; with none yet (a Ctrl-C as the program starts), to the first
// one made.
void gf_closeTopLevelWindows();
// The built-in control classes "BUTTON" and "EDIT".
std::vector<WindowClass> gf_controlClasses();
// The window's current procedure, or nullptr when the window is gone.
WNDPROC gf_procOf(HWND window);
// The widths of the frame Windows draws around a window's client area (left, top, right, bottom):
// border and caption bar of a top-level window with a caption, nothing for others.
RECT gf_frameOf(const WindowData& window);
// The client area: the window's rectangle less its frame, from (0, 0).
RECT gf_clientRectOf(const WindowData& window);
// Releases a window's image.
void gf_releaseSurface(WindowData& window);
// Makes a window's image for its size.
void gf_makeSurface(WindowData& window);
std::u16string gf_upperAscii(std::u16string_view text);
// The width in pixels of a text as TextOutW draws it.
int gf_textPixels(std::u16string_view text);
// The widths of all prefixes of a text in one pass: element i is gf_textPixels(text.substr(0, i)).
std::vector<int> gf_prefixPixels(std::u16string_view text);
// How many times a text has been measured so far (each measurement makes a cairo context).
std::size_t gf_textMeasurements();

} // namespace zyn::window_layer
