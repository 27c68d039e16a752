#include "platform/system/utf16.h"
#include "platform/win32/gdi.h"
#include "platform/win32/testing.h"
#include "platform/win32/window.h"
#include "tests/support/temp_dir.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

namespace zyn {
namespace {

constexpr COLORREF kGreen = RGB(0x32, 0xCD, 0x32);
constexpr COLORREF kYellow = RGB(0xFF, 0xFF, 0x00);

// Paints a green band with a yellow text and a red ellipse on the class's black background.
LRESULT lf_paintingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    HBRUSH green = CreateSolidBrush(kGreen);
    const RECT band{0, 448, 880, 476};
    FillRect(dc, &band, green);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kYellow);
    const std::u16string text = u"Holding for 2 seconds";
    TextOutW(dc, 3, 455, text.c_str(), static_cast<int>(text.size()));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, red);
    Ellipse(dc, 600, 200, 640, 240);
    SelectObject(dc, old);
    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    old = SelectObject(dc, white);
    MoveToEx(dc, 0, 28, nullptr);
    LineTo(dc, 880, 28);
    SelectObject(dc, old);
    DeleteObject(white);
    DeleteObject(red);
    DeleteObject(green);
    EndPaint(window, &paint);
    return 0;
}

class Picture {
public:
    explicit Picture(const std::filesystem::path& png) : m_surface(cairo_image_surface_create_from_png(png.c_str()))
    {
    }
    ~Picture() { cairo_surface_destroy(m_surface); }
    bool ok() const { return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(m_surface); }
    int height() const { return cairo_image_surface_get_height(m_surface); }
    COLORREF at(int x, int y) const
    {
        const auto* row = cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface);
        const std::uint32_t pixel = reinterpret_cast<const std::uint32_t*>(row)[x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    // How many pixels of the area have exactly this colour.
    int count(const RECT& r, COLORREF colour) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += at(x, y) == colour;
        return n;
    }
    // How many pixels are darker than mid grey (text strokes on a light control).
    int dark(const RECT& r) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = at(x, y);
                n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 100;
            }
        return n;
    }

private:
    cairo_surface_t* m_surface;
};

class WindowPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = lf_paintingProc;
        c.hbrBackground = CreateSolidBrush(RGB(0, 0, 0));
        c.lpszClassName = u"Painted";
        ASSERT_NE(RegisterClassExW(&c), 0);
        window = CreateWindowExW(0, u"Painted", u"Tarvo", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 400, 20, 880, 516,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    HWND child(LPCWSTR cls, DWORD style, int id, int x, int y, int w, int h, LPCWSTR text)
    {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                               reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
    }
    test::TempDir dir;
    HWND window = nullptr;
};

TEST_F(WindowPicture, ShowsPaintedBandsTextAndShapes)
{
    ASSERT_TRUE(win32test::renderToPng(window, dir / "window.png"));
    Picture picture(dir / "window.png");
    ASSERT_TRUE(picture.ok());
    // The client area: 880 x 516 less the frame Windows draws (3 px borders, a 23 px caption).
    EXPECT_EQ(picture.width(), 880 - 3 - 3);
    EXPECT_EQ(picture.height(), 516 - 3 - 23 - 3);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, picture.width());
    EXPECT_EQ(client.bottom, picture.height());
    EXPECT_EQ(picture.at(870, 470), kGreen);
    EXPECT_EQ(picture.at(10, 100), RGB(0, 0, 0));
    EXPECT_EQ(picture.at(500, 28), RGB(255, 255, 255));
    EXPECT_EQ(picture.at(620, 220), RGB(255, 0, 0));
    EXPECT_EQ(picture.at(601, 201), RGB(0, 0, 0)); // outside the ellipse's curve
    EXPECT_GT(picture.count({3, 455, 200, 472}, kYellow), 40);
    EXPECT_EQ(picture.count({300, 455, 870, 472}, kYellow), 0); // the text is short
}

TEST_F(WindowPicture, ShowsControlsWithTheirTextsAndChecks)
{
    const HWND button = child(u"BUTTON", BS_DEFPUSHBUTTON, 32838, 758, 341, 90, 20, u"Re-read");
    const HWND edit = child(u"EDIT", WS_BORDER, 32840, 217, 343, 50, 16, u"");
    const HWND box = child(u"BUTTON", BS_CHECKBOX, 32850, 430, 373, 12, 12, u"");
    child(u"EDIT", WS_BORDER, 32788, 111, 119, 1200, 16, u"/opt/msfs/Packages"); // clipped at the right edge
    ASSERT_TRUE(win32test::renderToPng(window, dir / "before.png"));
    SetWindowTextW(edit, u"EDDF");
    CheckDlgButton(window, 32850, BST_CHECKED);
    ASSERT_TRUE(win32test::renderToPng(window, dir / "after.png"));
    Picture before(dir / "before.png");
    Picture after(dir / "after.png");

    const RECT caption{758 + 10, 341 + 3, 758 + 80, 341 + 17};
    EXPECT_GT(after.dark(caption), 20);
    const RECT editText{217 + 2, 343 + 2, 217 + 48, 343 + 15};
    EXPECT_EQ(before.dark(editText), 0);
    EXPECT_GT(after.dark(editText), 20);
    const RECT inBox{430 + 2, 373 + 2, 430 + 10, 373 + 10};
    EXPECT_EQ(before.dark(inBox), 0);
    EXPECT_GT(after.dark(inBox), 5);
    EXPECT_GT(after.dark({115, 121, 300, 134}), 20);

    EnableWindow(button, FALSE);
    ASSERT_TRUE(win32test::renderToPng(window, dir / "disabled.png"));
    EXPECT_EQ(Picture(dir / "disabled.png").dark(caption), 0); // greyed caption
    (void)box;
}

TEST_F(WindowPicture, OnlyTheOwnerThreadRenders)
{
    bool rendered = true;
    std::thread([&] { rendered = win32test::renderToPng(window, dir / "x.png"); }).join();
    EXPECT_FALSE(rendered);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.png"));
}

} // namespace
} // namespace zyn

namespace zyn {
namespace {

// Answers the colour question of its edit boxes with a light blue text background and a yellow brush.
HBRUSH g_yellowBrush = nullptr;
LRESULT lf_colouringProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLOREDIT) {
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(0x99, 0xCC, 0xFF));
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 0, 0));
        return reinterpret_cast<LRESULT>(g_yellowBrush);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(EditColours, ParentChoosesTheColoursOfAnEnabledBoxOnly)
{
    g_yellowBrush = CreateSolidBrush(RGB(255, 255, 0));
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = lf_colouringProc;
    c.lpszClassName = u"Colouring";
    ASSERT_NE(RegisterClassExW(&c), 0);
    const HWND parent = CreateWindowExW(0, u"Colouring", u"", WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                                        nullptr);
    const auto box = [parent](int id, int y) {
        return CreateWindowExW(0, u"EDIT", u"EDDF", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, y, 80, 16, parent,
                               reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
    };
    box(1, 10);
    EnableWindow(box(2, 40), FALSE);
    test::TempDir dir;
    ASSERT_TRUE(win32test::renderToPng(parent, dir / "edits.png"));
    Picture picture(dir / "edits.png");
    EXPECT_EQ(picture.at(85, 22), RGB(255, 255, 0));          // the parent's brush
    EXPECT_GT(picture.count({11, 11, 60, 25}, RGB(0x99, 0xCC, 0xFF)), 20); // text cells in its colour
    EXPECT_GT(picture.count({11, 11, 60, 25}, RGB(255, 0, 0)), 0);
    EXPECT_EQ(picture.at(85, 52), RGB(240, 240, 240));         // disabled: not asked with WM_CTLCOLOREDIT
    DeleteObject(g_yellowBrush);
}

} // namespace
} // namespace zyn

#include "platform/win32/display.h"
#include "platform/win32/message_loop.h"
#include "tests/support/guard_time.h"
#include "tests/support/win32_windows.h"

#include <atomic>
#include <thread>

namespace zyn {
namespace {

// Another thread (the simulator's report) takes the picture of a window; the window's own thread makes
// it while it answers its messages, and a thread that does not answer gives none in time.
TEST(WindowPictureThreads, TakenOnTheWindowsOwnThread)
{
    EXPECT_EQ(gf_takeWindowPicture(std::chrono::milliseconds(10)), nullptr) << "no window yet";
    test::gf_createRecordingWindow(10, 20, 300, 200);
    EXPECT_EQ(gf_takeWindowPicture(std::chrono::milliseconds(20)), nullptr) << "its thread does not answer";
    std::atomic<cairo_surface_t*> taken{nullptr};
    std::atomic<bool> done{false};
    std::thread report([&] {
        taken = gf_takeWindowPicture(test::guardTime(std::chrono::seconds(10)));
        done = true;
    });
    while (!done.load()) {
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&m);
        std::this_thread::yield();
    }
    report.join();
    ASSERT_NE(taken.load(), nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(taken.load()), 300);
    EXPECT_EQ(cairo_image_surface_get_height(taken.load()), 200);
    cairo_surface_destroy(taken.load());
}

} // namespace
} // namespace zyn
