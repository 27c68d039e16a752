#include "ui/paint.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/version.h"
#include "platform/win32/gdi.h"
#include "settings/settings.h"
#include "shown/display_state.h"
#include "shown/sim_display.h"
#include "shown/status_line.h"
#include "sim/link_state.h"

#include <string>

#include <fmt/format.h>

namespace zyn {

namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kLightBlue = 0xFFCC99;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kGreen = 0x32CD32;
constexpr COLORREF kYellow = 0x00FFFF;
constexpr COLORREF kWhite = 0xFFFFFF;

// The drawing objects live for one paint; painting is rare enough.
class Painter {
public:
    explicit Painter(HDC dc) : m_dc(dc) { SetBkMode(dc, TRANSPARENT); }

    void fill(const RECT& r, COLORREF colour)
    {
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(m_dc, &r, brush);
        DeleteObject(brush);
    }
    void line(int x1, int y1, int x2, int y2, COLORREF colour)
    {
        HPEN pen = CreatePen(PS_SOLID, 1, colour);
        HGDIOBJ old = SelectObject(m_dc, pen);
        MoveToEx(m_dc, x1, y1, nullptr);
        LineTo(m_dc, x2, y2);
        SelectObject(m_dc, old);
        DeleteObject(pen);
    }
    // A text that cannot be converted is logged and not drawn; painting goes on.
    void text(int x, int y, const std::string& utf8, COLORREF colour)
    {
        try {
            const auto wide = gf_utf8ToUtf16(utf8);
            SetTextColor(m_dc, colour);
            TextOutW(m_dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
        } catch (const win32::Utf8ConversionException& e) {
            gf_logf("{} conversion exception {}, error code: {}", utf8, e.what(), e.errorCode());
        }
    }

private:
    HDC m_dc;
};

void lf_paintBands(Painter& p)
{
    p.fill(gf_bandRect(Band::Top), kBlack);
    p.fill(gf_bandRect(Band::Counters), kBlack);
    p.fill(gf_bandRect(Band::Settings), kLightBlue);
    p.fill(gf_bandRect(Band::Statistics), kBlack);
    for (const int y : {28, 113, 449, 392})
        p.line(0, y, 880, y, kWhite);
    p.text(3, 7, fmt::format("Version {}", gf_versionToString(g_programVersion)), kGreen);
    p.text(390, 7, "Tarvo", kGreen);
    for (const auto& [y, x2] : {std::pair{140, 880}, {168, 642}, {196, 642}, {224, 880}, {252, 642}, {280, 642},
                                {308, 880}})
        p.line(0, y, x2, y, kBlack);
    p.line(642, 140, 642, 308, kBlack);
}

COLORREF lf_simLightColour(const SimDisplay& sim)
{
    if (!g_simConnected.load())
        return kRed;
    return sim.flightLight && !sim.simulatorLabel.empty() ? kGreen : kYellow;
}

void lf_paintSimulator(Painter& p)
{
    const SimDisplay sim = gf_simDisplay();
    const COLORREF light = lf_simLightColour(sim);
    p.fill({397, 30, 425, 112}, light);
    p.text(398, 63, "Sim", kBlack);
    if (g_simConnected.load()) {
        p.text(5, 35, sim.standLabel.empty() ? sim.simulatorLabel : sim.simulatorLabel + ", user stand " + sim.standLabel,
               light);
        p.text(5, 63, sim.userAcLabel, light);
    } else {
        p.text(5, 35, fmt::format("MSFS 20{} mode", param::MSFS_2020.on() ? "20" : "24"), kGreen);
    }
}

void lf_paintCounters(Painter& p)
{
    const auto liveries = g_liveryCount.load();
    p.text(5, 91, liveries ? fmt::format("# liveries: {}", liveries) : "# liveries: ...", liveries ? kGreen : kRed);
    const auto simaddon = g_simaddonCount.load();
    p.text(141, 91, simaddon ? fmt::format("# simaddon: {}", simaddon) : "# simaddon: ...",
           simaddon ? kGreen : kYellow);
    const auto thirdp = g_thirdpartyCount.load();
    p.text(278, 91, thirdp ? fmt::format("# thirdp: {}", thirdp) : "# thirdp: ...", thirdp ? kGreen : kYellow);
}

COLORREF lf_readerColour(std::uint8_t state) { return state == 1 ? kGreen : kYellow; }

void lf_paintService(Painter& p)
{
    const bool loggedIn = g_loginShown.load() != 0;
    p.fill({425, 30, 453, 112}, loggedIn ? kGreen : kRed);
    p.text(430, 63, "RT", kBlack);
    p.line(425, 29, 425, 112, kBlack);
    if (!loggedIn)
        return;
    const auto weather = g_weatherLight.load();
    const auto traffic = g_trafficLight.load();
    if (weather != 3)
        p.text(458, 63, "Weather", lf_readerColour(weather));
    if (traffic != 3)
        p.text(458, 91, "Traffic", lf_readerColour(traffic));
    if ((weather == 1 || weather == 2) && g_qnhDisplay.load() >= 1)
        p.text(642, 63, fmt::format("qnh: {:4}", g_qnhDisplay.load()), kGreen);
    if (traffic == 1 || traffic == 2)
        p.text(642, 91, fmt::format("live: {:3}", g_liveCountShown.load()), kGreen);
}

void lf_paintStatus(Painter& p)
{
    const auto status = gf_statusLineView();
    p.fill(gf_bandRect(Band::Status), status.held ? kRed : kGreen);
    if (!status.text.empty())
        p.text(3, 455, status.text, kYellow);
}

} // namespace

void gf_paintMainWindow(HDC dc)
{
    Painter painter(dc);
    lf_paintBands(painter);
    lf_paintSimulator(painter);
    lf_paintCounters(painter);
    lf_paintService(painter);
    lf_paintStatus(painter);
}

} // namespace zyn
