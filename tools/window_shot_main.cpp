// Takes a top-level window of an X display from the screen, as a person would see it:
//   window_shot <title> <picture.png>
// Finds the first mapped window whose name starts with the title (a program under Wine included),
// writes what the screen shows of it as PNG and prints "<x> <y> <width> <height> <colours>": its
// place on the screen and how many colours it shows (a window never painted shows one).
#include "tools/program_args.h"

#include <cairo.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "window_shot <title> <picture.png>\n"
    "Writes what the screen (DISPLAY) shows of the first mapped window whose name starts with the\n"
    "title and prints its x, y, width, height and the number of colours it shows.";

bool lf_nameStartsWith(Display* display, Window window, const std::string& title)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr)
        return false;
    const bool match = std::strncmp(name, title.c_str(), title.size()) == 0;
    XFree(name);
    return match;
}

// Depth first: a window manager (or Wine) may put the program's window inside a frame of its own.
std::optional<Window> lf_findWindow(Display* display, Window parent, const std::string& title)
{
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &parentOut, &children, &count) == 0)
        return std::nullopt;
    std::optional<Window> found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable)
            continue;
        if (lf_nameStartsWith(display, children[i], title))
            found = children[i];
        else
            found = lf_findWindow(display, children[i], title);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    const bool help = zyn::tools::gf_asksForHelp(argc, argv);
    if (help || argc != 3)
        return zyn::tools::gf_printUsage(kUsage, help);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "window_shot: no display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const auto window = lf_findWindow(display, root, argv[1]);
    if (!window) {
        std::fprintf(stderr, "window_shot: no window named \"%s...\" is shown\n", argv[1]);
        XCloseDisplay(display);
        return 1;
    }
    XWindowAttributes attributes;
    XGetWindowAttributes(display, *window, &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, *window, root, 0, 0, &x, &y, &child);
    // From the root window: what the screen shows there, whatever covers the window.
    XImage* image = XGetImage(display, root, x, y, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "window_shot: the screen could not be read\n");
        XCloseDisplay(display);
        return 1;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image->width, image->height);
    auto* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::set<unsigned long> colours;
    for (int row = 0; row < image->height; ++row)
        for (int column = 0; column < image->width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row) & 0xFFFFFFUL;
            colours.insert(pixel);
            *reinterpret_cast<std::uint32_t*>(pixels + row * stride + column * 4) = static_cast<std::uint32_t>(pixel);
        }
    cairo_surface_mark_dirty(surface);
    const cairo_status_t written = cairo_surface_write_to_png(surface, argv[2]);
    cairo_surface_destroy(surface);
    std::printf("%d %d %d %d %zu\n", x, y, image->width, image->height, colours.size());
    XDestroyImage(image);
    XCloseDisplay(display);
    if (written != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "window_shot: %s not written\n", argv[2]);
        return 1;
    }
    return 0;
}
