#include "ui/paint.h"

#include "airport/park_airport_state.h"
#include "base/encoding.h"
#include "base/log.h"
#include "base/version.h"
#include "platform/system/utf8.h"
#include "platform/win32/gdi.h"
#include "settings/settings.h"
#include "shown/display_state.h"
#include "sim/link_state.h"
#include "ui/paint_state.h"

#include <fmt/format.h>

namespace zyn {

Painter::Painter(HDC dc) : m_dc(dc) { SetBkMode(dc, TRANSPARENT); }

void Painter::fill(const RECT& r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(m_dc, &r, brush);
    DeleteObject(brush);
}

void Painter::line(int x1, int y1, int x2, int y2, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(m_dc, pen);
    MoveToEx(m_dc, x1, y1, nullptr);
    LineTo(m_dc, x2, y2);
    SelectObject(m_dc, old);
    DeleteObject(pen);
}

void Painter::text(int x, int y, const std::string& utf8, COLORREF colour)
{
    try {
        // Bytes that are not UTF-8 (a runtime's words in the ANSI code page) show as U+FFFD: the
        // line is never left blank.
        const auto wide = gf_utf8ToUtf16(gf_repairedUtf8(utf8));
        SetTextColor(m_dc, colour);
        TextOutW(m_dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
    } catch (const win32::Utf8ConversionException& e) {
        gf_logf("{} conversion exception {}, error code: {}", utf8, e.what(), e.errorCode());
    } catch (const std::overflow_error& e) {
        gf_logf("{} {}", utf8, e.what());
    }
}

PaintState gf_paintState()
{
    PaintState s;
    s.texts = gf_displayTexts();
    s.status = gf_statusLineView();
    s.simConnected = g_simConnected.load() != 0;
    s.loggedIn = g_loginShown.load() != 0;
    s.serviceBusy = g_serviceBusyShown.load() != 0;
    s.weatherReader = g_weatherLight.load();
    s.trafficReader = g_trafficLight.load();
    s.qnh = g_qnhDisplay.load();
    s.liveries = g_liveryCount.load();
    s.simaddonAirports = g_simaddonCount.load();
    s.thirdpartyAirports = g_thirdpartyCount.load();
    s.live = g_liveCountShown.load();
    s.parkedLive = g_liveParkedShown.load();
    s.parkedStatic = g_staticParkedShown.load();
    s.liveParkedMeanHours = g_liveParkedMeanShown.load();
    s.renewalMinutes = g_renewalMinutesShown.load();
    s.timeControlsEnabled = g_timeControlsEnabled.load() != 0;
    s.parkingBusy = g_parkingBusy.load() != 0;
    s.parkingLoaded = g_parkAirportLoaded.load() != 0;
    return s;
}

namespace {

void lf_paintBands(Painter& p, const PaintState& s)
{
    p.fill(gf_bandRect(Band::Top), kBlack);
    p.fill(gf_bandRect(Band::Counters), kBlack);
    p.fill(gf_bandRect(Band::Settings), kLightBlue);
    p.fill(gf_bandRect(Band::Statistics), kBlack);
    p.fill(gf_bandRect(Band::Status), s.status.red ? kRed : kGreen);
    for (const int y : {28, 113, 449, 392})
        p.line(0, y, 880, y, kWhite);
    p.text(3, 7, fmt::format("Version {}", gf_versionToString(g_programVersion)), kGreen);
    p.text(390, 7, "Tarvo", kGreen);
    for (const auto& [y, x2] : {std::pair{140, 880}, {168, 642}, {196, 642}, {224, 880}, {252, 642}, {280, 642},
                                {308, 880}})
        p.line(0, y, x2, y, kBlack);
    p.line(642, 140, 642, 308, kBlack);
}

COLORREF lf_simLightColour(const PaintState& s)
{
    if (!s.simConnected)
        return kRed;
    return s.texts.sim.flightLight && !s.texts.sim.userAcLabel.empty() ? kGreen : kYellow;
}

void lf_paintSimulator(Painter& p, const PaintState& s)
{
    const SimDisplay& sim = s.texts.sim;
    const COLORREF light = lf_simLightColour(s);
    p.fill({397, 30, 425, 112}, light);
    p.text(398, 63, "Sim", kBlack);
    if (!s.simConnected) {
        p.text(5, 35, fmt::format("MSFS 20{} mode", param::MSFS_2020.on() ? "20" : "24"), kGreen);
        return;
    }
    p.text(5, 35, sim.standLabel.empty() ? sim.simulatorLabel : sim.simulatorLabel + ", user stand " + sim.standLabel,
           light);
    p.text(5, 63, sim.userAcLabel, sim.userAcLight ? light : kYellow);
}

void lf_paintCatalogueCounts(Painter& p, const PaintState& s)
{
    p.text(5, 91, s.liveries ? fmt::format("# liveries: {}", s.liveries) : "# liveries: ...",
           s.liveries ? kGreen : kRed);
    p.text(141, 91, s.simaddonAirports ? fmt::format("# simaddon: {}", s.simaddonAirports) : "# simaddon: ...",
           s.simaddonAirports ? kGreen : kYellow);
    p.text(278, 91, s.thirdpartyAirports ? fmt::format("# thirdp: {}", s.thirdpartyAirports) : "# thirdp: ...",
           s.thirdpartyAirports ? kGreen : kYellow);
}

COLORREF lf_readerColour(std::uint8_t state) { return state == 1 ? kGreen : kYellow; }

bool lf_readerUp(std::uint8_t state) { return state == 1 || state == 2; }

void lf_paintService(Painter& p, const PaintState& s)
{
    p.fill({425, 30, 453, 112}, s.serviceBusy ? kBlack : s.loggedIn ? kGreen : kRed);
    p.text(430, 63, "RT", kBlack);
    if (s.loggedIn) {
        p.text(458, 35, s.texts.serviceLabel, kGreen);
        if (s.weatherReader != 3)
            p.text(458, 63, "Weather", lf_readerColour(s.weatherReader));
        if (s.trafficReader != 3)
            p.text(458, 91, "Traffic", lf_readerColour(s.trafficReader));
    }
    p.line(425, 29, 425, 112, kBlack);
}

void lf_paintStatus(Painter& p, const PaintState& s)
{
    if (!s.status.text.empty())
        p.text(kStatusTextLeft, kStatusTextTop, s.status.text, kYellow);
}

} // namespace

void lf_paintCounters(Painter& p, const PaintState& s)
{
    lf_paintSimulator(p, s);
    lf_paintCatalogueCounts(p, s);
    lf_paintService(p, s);
}

void lf_paintQnh(Painter& p, const PaintState& s)
{
    if (s.loggedIn && lf_readerUp(s.weatherReader) && s.qnh >= 1)
        p.text(642, 63, fmt::format("qnh: {:4}", s.qnh), kGreen);
}

void gf_paintMainWindow(HDC dc)
{
    const PaintState state = gf_paintState();
    Painter painter(dc);
    lf_paintBands(painter, state);
    lf_paintCounters(painter, state);
    lf_paintQnh(painter, state);
    if (state.loggedIn && lf_readerUp(state.trafficReader))
        painter.text(642, 91, fmt::format("live: {:3}", state.live), kGreen);
    lf_paintControls(painter, state);
    lf_paintStatistics(painter, state);
    lf_paintStatus(painter, state);
}

} // namespace zyn
