#include "tests/support/xvfb.h"

#include "tests/support/guard_time.h"

#include <X11/Xlib.h>
#include <cairo-xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

extern char** environ;

namespace zyn::test {

namespace {

bool lf_onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t begin = 0;
    while (begin <= folders.size()) {
        const auto end = std::min(folders.find(':', begin), folders.size());
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::path(folders.substr(begin, end - begin)) / program, ec))
            return true;
        begin = end + 1;
    }
    return false;
}

// The display number the server writes to the pipe once it is ready; empty on a time-out.
std::string lf_readDisplayNumber(int readEnd)
{
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + guardTime(std::chrono::seconds(10));
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd fd{readEnd, POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0)
            continue;
        char c = 0;
        if (read(readEnd, &c, 1) != 1)
            return {};
        if (c == '\n')
            return number;
        number += c;
    }
    return {};
}

} // namespace

Xvfb::~Xvfb()
{
    m_clipboardStop = true;
    if (m_clipboardOwner.joinable())
        m_clipboardOwner.join();
    if (m_frameConnection)
        XCloseDisplay(static_cast<Display*>(m_frameConnection));
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
}

bool Xvfb::start(std::string& whyNot)
{
    if (!lf_onPath("Xvfb") || !lf_onPath("xdotool")) {
        whyNot = "Xvfb or xdotool is not installed (scripts/deps installs them): the window is not tried on a screen";
        return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        whyNot = "no pipe for Xvfb";
        return false;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(fds[1]);
    std::array<const char*, 11> argv{"Xvfb",  "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24",
                                     "-nolisten", "tcp", "-noreset", nullptr, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        m_pid = -1;
        close(fds[0]);
        whyNot = "Xvfb cannot be started here";
        return false;
    }
    const std::string number = lf_readDisplayNumber(fds[0]);
    close(fds[0]);
    if (number.empty()) {
        whyNot = "Xvfb did not come up here (no display within the time)";
        return false;
    }
    m_display = ":" + number;
    return true;
}

std::optional<std::string> Xvfb::xdotool(const std::string& arguments) const
{
    const std::string command = "DISPLAY=" + m_display + " timeout 20 xdotool " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string output;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe))
        output += buffer.data();
    return pclose(pipe) == 0 ? std::optional<std::string>(output) : std::nullopt;
}

cairo_surface_t* Xvfb::windowPicture(const std::string& windowId, int width, int height) const
{
    Display* display = XOpenDisplay(m_display.c_str());
    if (!display)
        return nullptr;
    const auto window = static_cast<::Window>(std::strtoul(windowId.c_str(), nullptr, 10));
    XWindowAttributes attributes{};
    cairo_surface_t* picture = nullptr;
    if (XGetWindowAttributes(display, window, &attributes)) {
        cairo_surface_t* screen = cairo_xlib_surface_create(display, window, attributes.visual, width, height);
        picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        cairo_t* cr = cairo_create(picture);
        cairo_set_source_surface(cr, screen, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(picture);
        cairo_surface_destroy(screen);
    }
    XCloseDisplay(display);
    return picture;
}

bool Xvfb::frameWindow(const std::string& windowId, int x, int y, int titleBar)
{
    if (!m_frameConnection)
        m_frameConnection = XOpenDisplay(m_display.c_str());
    auto* display = static_cast<Display*>(m_frameConnection);
    const auto window = static_cast<::Window>(std::strtoul(windowId.c_str(), nullptr, 10));
    XWindowAttributes attributes{};
    if (!display || !XGetWindowAttributes(display, window, &attributes))
        return false;
    const ::Window root = DefaultRootWindow(display);
    const ::Window frame = XCreateSimpleWindow(display, root, x, y, static_cast<unsigned>(attributes.width),
                                               static_cast<unsigned>(attributes.height + titleBar), 0, 0, 0);
    XAddToSaveSet(display, window); // back to the root when this client goes, as with a window manager
    XReparentWindow(display, window, frame, 0, titleBar);
    XMapWindow(display, frame);
    // The synthetic notice a window manager sends: the window's place on the root.
    XEvent notice{};
    notice.xconfigure.type = ConfigureNotify;
    notice.xconfigure.event = window;
    notice.xconfigure.window = window;
    notice.xconfigure.x = x;
    notice.xconfigure.y = y + titleBar;
    notice.xconfigure.width = attributes.width;
    notice.xconfigure.height = attributes.height;
    XSendEvent(display, window, False, StructureNotifyMask, &notice);
    XSync(display, False);
    return true;
}

namespace {

// Answers requests for the clipboard's text until told to stop.
void lf_serveClipboard(Display* display, const std::string& utf8, const std::atomic<bool>& stop)
{
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (!stop) {
        while (XPending(display) > 0) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& request = e.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = request.requestor;
            reply.xselection.selection = request.selection;
            reply.xselection.target = request.target;
            reply.xselection.time = request.time;
            reply.xselection.property = None;
            if (request.target == utf8String && request.property != None) {
                XChangeProperty(display, request.requestor, request.property, utf8String, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
                reply.xselection.property = request.property;
            }
            XSendEvent(display, request.requestor, False, NoEventMask, &reply);
            XFlush(display);
        }
        poll(&connection, 1, 50);
    }
}

} // namespace

bool Xvfb::offerClipboard(const std::string& utf8)
{
    if (m_clipboardOwner.joinable())
        return false;
    Display* display = XOpenDisplay(m_display.c_str());
    if (!display)
        return false;
    const ::Window owner = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    XSetSelectionOwner(display, clipboard, owner, CurrentTime);
    XSync(display, False);
    if (XGetSelectionOwner(display, clipboard) != owner) {
        XCloseDisplay(display);
        return false;
    }
    m_clipboardOwner = std::thread([this, display, utf8] {
        lf_serveClipboard(display, utf8, m_clipboardStop);
        XCloseDisplay(display);
    });
    return true;
}

} // namespace zyn::test
