#pragma once
// A picture of a window read back from PNG (or taken from the screen), probed pixel by pixel.
#include "platform/win32/gdi.h"

#include <cairo.h>

#include <cstdlib>
#include <filesystem>

namespace zyn::test {

class WindowImage {
public:
    explicit WindowImage(const std::filesystem::path& png) : m_surface(cairo_image_surface_create_from_png(png.c_str()))
    {
    }
    explicit WindowImage(cairo_surface_t* taken) : m_surface(taken) {}
    ~WindowImage() { cairo_surface_destroy(m_surface); }
    WindowImage(const WindowImage&) = delete;
    WindowImage& operator=(const WindowImage&) = delete;

    bool valid() const { return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(m_surface); }
    int height() const { return cairo_image_surface_get_height(m_surface); }
    COLORREF at(int x, int y) const
    {
        const auto* row = cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface);
        const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(row)[x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels near the colour (text is drawn with smoothed edges).
    int count(const RECT& r, COLORREF colour) const
    {
        const auto near = [](BYTE a, BYTE b) { return std::abs(int(a) - int(b)) < 60; };
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = at(x, y);
                n += near(GetRValue(c), GetRValue(colour)) && near(GetGValue(c), GetGValue(colour)) &&
                     near(GetBValue(c), GetBValue(colour));
            }
        return n;
    }

private:
    cairo_surface_t* m_surface;
};

} // namespace zyn::test
