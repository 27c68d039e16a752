#include "platform/win32/gdi.h"

#include "platform/system/last_error.h"
#include "platform/system/utf16.h"
#include "platform/win32/constants.h"
#include "platform/win32/display_hooks.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window_state.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace zyn::window_layer;

namespace {

constexpr double kFontPixels = 13.0;
const char* const kFontFamily = "DejaVu Sans";

enum class GdiKind { Pen, Brush };

struct GdiObject {
    GdiKind kind;
    COLORREF colour;
    int width;
    bool stock;
};

// Every live pen and brush, so that a stale or foreign handle is refused instead of used.
std::mutex g_objectsMutex;
std::set<const GdiObject*> g_objects;

GdiObject g_whiteBrush{GdiKind::Brush, RGB(255, 255, 255), 0, true};
GdiObject g_blackBrush{GdiKind::Brush, RGB(0, 0, 0), 0, true};
GdiObject g_blackPen{GdiKind::Pen, RGB(0, 0, 0), 1, true};

struct DeviceContext {
    HWND window;
    cairo_t* cairo;
    GdiObject* pen = &g_blackPen;
    GdiObject* brush = &g_whiteBrush;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 255);
    int backMode = OPAQUE;
    POINT position{0, 0};
};

DeviceContext* lf_context(HDC dc) { return reinterpret_cast<DeviceContext*>(dc); }

GdiObject* lf_newObject(GdiKind kind, COLORREF colour, int width)
{
    auto* object = new GdiObject{kind, colour, width, false};
    std::lock_guard lock(g_objectsMutex);
    g_objects.insert(object);
    return object;
}

GdiObject* lf_object(HGDIOBJ handle)
{
    auto* object = static_cast<GdiObject*>(handle);
    if (object == &g_whiteBrush || object == &g_blackBrush || object == &g_blackPen)
        return object;
    std::lock_guard lock(g_objectsMutex);
    return g_objects.contains(object) ? object : nullptr;
}

void lf_setColour(cairo_t* cr, COLORREF c)
{
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

// Outlines a closed path with the pen and fills it with the brush, as Rectangle and Ellipse do.
void lf_fillAndStroke(DeviceContext& dc)
{
    lf_setColour(dc.cairo, dc.brush->colour);
    cairo_fill_preserve(dc.cairo);
    lf_setColour(dc.cairo, dc.pen->colour);
    cairo_set_line_width(dc.cairo, std::max(1, dc.pen->width));
    cairo_stroke(dc.cairo);
}

void lf_useFont(cairo_t* cr)
{
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontPixels);
}

std::atomic<std::size_t> g_textMeasurements{0}; // for tests: a click must not measure once per character

// The UTF-8 form of a counted UTF-16 text; nothing for text that is not valid UTF-16. Control
// characters (a line break ending a status text) are left out: the fonts of Windows draw them as
// nothing, DejaVu Sans as a box.
bool lf_utf8Of(LPCWSTR text, int length, std::string& out)
{
    if (!text || length < 0)
        return false;
    try {
        out = zyn::gf_platformToUtf8(std::u16string_view(text, static_cast<std::size_t>(length)));
        std::erase_if(out, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
        return true;
    } catch (const std::range_error&) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
}

// Sets one drawing attribute of a device context and returns the one before.
template <typename T> T lf_exchange(HDC dc, T DeviceContext::*attribute, T value, T failed)
{
    return dc ? std::exchange(lf_context(dc)->*attribute, value) : failed;
}

// A context in the windows' font on a surface of its own, for measuring text; counted for tests.
cairo_t* lf_measuringContext()
{
    ++g_textMeasurements;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(surface);
    cairo_surface_destroy(surface); // the context holds it
    lf_useFont(cr);
    return cr;
}

} // namespace

HDC BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    if (!paint)
        return nullptr;
    auto* dc = new DeviceContext{window, nullptr};
    {
        std::lock_guard lock(gf_registry().mutex);
        const auto data = gf_windowLocked(window);
        if (!data || data->owner != gf_currentQueue()) {
            delete dc;
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        dc->cairo = cairo_create(data->surface);
        const RECT client = gf_clientRectOf(*data);
        *paint = PAINTSTRUCT{};
        paint->rcPaint = data->updatePending ? data->update : client;
        paint->fErase = data->updatePending && data->eraseUpdate;
        data->updatePending = false;
        data->eraseUpdate = false;
    }
    cairo_set_antialias(dc->cairo, CAIRO_ANTIALIAS_NONE);
    lf_useFont(dc->cairo);
    paint->hdc = reinterpret_cast<HDC>(dc);
    if (paint->fErase)
        paint->fErase = SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) ? FALSE : TRUE;
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint)
{
    if (!paint || !paint->hdc)
        return FALSE;
    auto* dc = lf_context(paint->hdc);
    cairo_surface_flush(cairo_get_target(dc->cairo));
    cairo_destroy(dc->cairo);
    const HWND window = dc->window;
    delete dc;
    gf_displayPainted(window);
    return TRUE;
}

HPEN CreatePen(int, int width, COLORREF colour)
{
    return reinterpret_cast<HPEN>(lf_newObject(GdiKind::Pen, colour, width));
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    return reinterpret_cast<HBRUSH>(lf_newObject(GdiKind::Brush, colour, 0));
}

HGDIOBJ GetStockObject(int id)
{
    switch (id) {
    case WHITE_BRUSH:
    case DC_BRUSH:
        return &g_whiteBrush;
    case BLACK_BRUSH:
        return &g_blackBrush;
    default:
        return nullptr;
    }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ handle)
{
    GdiObject* object = lf_object(handle);
    if (!dc || !object)
        return nullptr;
    auto& slot = object->kind == GdiKind::Pen ? lf_context(dc)->pen : lf_context(dc)->brush;
    GdiObject* previous = slot;
    slot = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ handle)
{
    auto* object = static_cast<GdiObject*>(handle);
    {
        std::lock_guard lock(g_objectsMutex);
        if (!g_objects.erase(object))
            return FALSE;
    }
    delete object;
    return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    GdiObject* object = lf_object(brush);
    if (!dc || !rect || !object)
        return 0;
    cairo_t* cr = lf_context(dc)->cairo;
    lf_setColour(cr, object->colour);
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    cairo_fill(cr);
    return 1;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous)
{
    if (!dc)
        return FALSE;
    if (previous)
        *previous = lf_context(dc)->position;
    lf_context(dc)->position = {x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    if (!dc)
        return FALSE;
    auto& context = *lf_context(dc);
    cairo_t* cr = context.cairo;
    lf_setColour(cr, context.pen->colour);
    cairo_set_line_width(cr, std::max(1, context.pen->width));
    cairo_move_to(cr, context.position.x + 0.5, context.position.y + 0.5);
    cairo_line_to(cr, x + 0.5, y + 0.5);
    cairo_stroke(cr);
    context.position = {x, y};
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    if (!dc)
        return FALSE;
    cairo_rectangle(lf_context(dc)->cairo, left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
    lf_fillAndStroke(*lf_context(dc));
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    if (!dc || right <= left || bottom <= top)
        return FALSE;
    cairo_t* cr = lf_context(dc)->cairo;
    cairo_save(cr);
    cairo_translate(cr, (left + right) / 2.0, (top + bottom) / 2.0);
    cairo_scale(cr, (right - left - 1) / 2.0, (bottom - top - 1) / 2.0);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    lf_fillAndStroke(*lf_context(dc));
    return TRUE;
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int length)
{
    std::string utf8;
    if (!dc || !lf_utf8Of(text, length, utf8))
        return FALSE;
    auto& context = *lf_context(dc);
    cairo_t* cr = context.cairo;
    cairo_font_extents_t font{};
    cairo_font_extents(cr, &font);
    cairo_text_extents_t extents{};
    cairo_text_extents(cr, utf8.c_str(), &extents);
    if (context.backMode == OPAQUE) {
        lf_setColour(cr, context.backColour);
        cairo_rectangle(cr, x, y, std::ceil(extents.x_advance), std::ceil(font.height));
        cairo_fill(cr);
    }
    lf_setColour(cr, context.textColour);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
    cairo_move_to(cr, x, y + font.ascent);
    cairo_show_text(cr, utf8.c_str());
    cairo_new_path(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size)
{
    std::string utf8;
    if (!dc || !size || !lf_utf8Of(text, length, utf8))
        return FALSE;
    cairo_font_extents_t font{};
    cairo_font_extents(lf_context(dc)->cairo, &font);
    cairo_text_extents_t extents{};
    cairo_text_extents(lf_context(dc)->cairo, utf8.c_str(), &extents);
    *size = {static_cast<LONG>(std::ceil(extents.x_advance)), static_cast<LONG>(std::ceil(font.height))};
    return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF colour)
{
    return lf_exchange(dc, &DeviceContext::textColour, colour, CLR_INVALID);
}

COLORREF SetBkColor(HDC dc, COLORREF colour)
{
    return lf_exchange(dc, &DeviceContext::backColour, colour, CLR_INVALID);
}

int SetBkMode(HDC dc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return lf_exchange(dc, &DeviceContext::backMode, mode, 0);
}

int zyn::window_layer::gf_textPixels(std::u16string_view text)
{
    std::string utf8;
    if (!lf_utf8Of(text.data(), static_cast<int>(text.size()), utf8))
        return 0;
    cairo_t* cr = lf_measuringContext();
    cairo_text_extents_t extents{};
    cairo_text_extents(cr, utf8.c_str(), &extents);
    cairo_destroy(cr);
    return static_cast<int>(std::ceil(extents.x_advance));
}

// The characters' advances added up in the order cairo adds them for the whole text, so each
// prefix gets the width gf_textPixels gives it; a half surrogate pair adds nothing.
std::vector<int> zyn::window_layer::gf_prefixPixels(std::u16string_view text)
{
    std::vector<int> pixels(text.size() + 1, 0);
    cairo_t* cr = lf_measuringContext();
    double x = 0;
    std::string utf8;
    for (std::size_t at = 0; at < text.size();) {
        const bool pair = at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
                          text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
        const std::size_t units = pair ? 2 : 1;
        if (lf_utf8Of(text.data() + at, static_cast<int>(units), utf8) && !utf8.empty()) {
            cairo_text_extents_t extents{};
            cairo_text_extents(cr, utf8.c_str(), &extents);
            x += extents.x_advance;
        }
        if (pair)
            pixels[at + 1] = pixels[at];
        pixels[at + units] = static_cast<int>(std::ceil(x));
        at += units;
    }
    cairo_destroy(cr);
    return pixels;
}

std::size_t zyn::window_layer::gf_textMeasurements() { return g_textMeasurements.load(); }
