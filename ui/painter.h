#pragma once
// Drawing on the paint context of the main window: fills, lines and texts in the window's colours.
// The drawing objects live for one paint; painting is rare enough.
#include "platform/win32/types.h"

#include <string>

namespace zyn {

inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kLightBlue = 0xFFCC99;
inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kGreen = 0x32CD32;
inline constexpr COLORREF kYellow = 0x00FFFF;
inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kGrey = 0xA0A0A0; // the label of something disabled

class Painter {
public:
    explicit Painter(HDC dc);
    void fill(const RECT& r, COLORREF colour);
    void line(int x1, int y1, int x2, int y2, COLORREF colour);
    // A text that cannot be converted is logged and not drawn; painting goes on.
    void text(int x, int y, const std::string& utf8, COLORREF colour);

private:
    HDC m_dc;
};

} // namespace zyn
