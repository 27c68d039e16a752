#pragma once
// A virtual X display for a test (Debian's Xvfb), and what a user does on it (xdotool) and sees
// on it (the pixels of a window).
#include <cairo.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <sys/types.h>

namespace zyn::test {

class Xvfb {
public:
    Xvfb() = default;
    ~Xvfb(); // ends the server
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // Starts a server on a free display; false with the reason when Xvfb or xdotool is missing or
    // the server does not come up.
    bool start(std::string& whyNot);
    const std::string& display() const { return m_display; }

    // Runs xdotool on the display with these arguments; its output, nothing when it failed.
    std::optional<std::string> xdotool(const std::string& arguments) const;
    // The pixels of an X window (its id in decimal, as xdotool gives it); nullptr when it fails.
    cairo_surface_t* windowPicture(const std::string& windowId, int width, int height) const;
    // Does what a window manager does when it frames a window: puts it into a frame window at
    // (x, y) below a title bar of the given height, and tells it where it now is.
    bool frameWindow(const std::string& windowId, int x, int y, int titleBar);
    // Owns the CLIPBOARD selection with this text (as UTF8_STRING) until the server ends, as an
    // application the user copied from does.
    bool offerClipboard(const std::string& utf8);

private:
    pid_t m_pid = -1;
    void* m_frameConnection = nullptr; // the frames' client, open while they are needed
    std::atomic<bool> m_clipboardStop{false};
    std::thread m_clipboardOwner;
    std::string m_display;
};

} // namespace zyn::test
