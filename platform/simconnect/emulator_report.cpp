#include "platform/simconnect/emulator_report.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <cairo.h>
#include <fmt/format.h>

#include "platform/simconnect/emulator_geo.h"

namespace zyn::simemu {

namespace {

constexpr double kMarginPx = 40.0;
constexpr double kMinSpanDeg = 0.01;
constexpr double kMetresPerDegLat = 60.0 * kMetresPerNm;
constexpr double kRunwayWidthM = 45.0;
constexpr double kMinRunwayPx = 4.0;
constexpr double kStandFontPx = 9.0;

// Equal-distance view of one panel: longitude scaled by the cosine of the middle latitude.
struct View {
    double left = 0.0; // the panel's left edge in the picture
    double minLat = 0.0;
    double minLon = 0.0;
    double lonScale = 1.0;
    double pxPerDeg = 1.0;

    std::pair<double, double> toPixel(double lat, double lon) const
    {
        return {left + kMarginPx + (lon - minLon) * lonScale * pxPerDeg,
                kReportImageSize - kMarginPx - (lat - minLat) * pxPerDeg};
    }
};

struct Bounds {
    double minLat = 90.0;
    double maxLat = -90.0;
    double minLon = 180.0;
    double maxLon = -180.0;

    void add(double lat, double lon)
    {
        minLat = std::min(minLat, lat);
        maxLat = std::max(maxLat, lat);
        minLon = std::min(minLon, lon);
        maxLon = std::max(maxLon, lon);
    }
};

// The extent covers every track and the whole airport.
View lf_view(const std::vector<SimObject>& objects, const Airport& airport)
{
    Bounds b;
    for (const SimObject& o : objects)
        for (const TrackSample& s : o.track)
            b.add(s.lat, s.lon);
    for (const AirportStand& stand : airport.stands)
        b.add(stand.at.lat, stand.at.lon);
    for (const AirportRunway& runway : airport.runways)
        for (const LatLon& end : runway.ends)
            b.add(end.lat, end.lon);
    if (b.minLat > b.maxLat)
        return {};
    View v;
    v.lonScale = std::max(0.01, std::cos((b.minLat + b.maxLat) / 2.0 * kDegToRad));
    const double latSpan = b.maxLat - b.minLat;
    const double lonSpan = (b.maxLon - b.minLon) * v.lonScale;
    const double span = std::max({latSpan, lonSpan, kMinSpanDeg});
    // The narrower side centred in the square.
    v.minLat = b.minLat - (span - latSpan) / 2.0;
    v.minLon = b.minLon - (span - lonSpan) / 2.0 / v.lonScale;
    v.pxPerDeg = (kReportImageSize - 2.0 * kMarginPx) / span;
    return v;
}

// Runways as wide light bands: their true width, but never thinner than a few pixels.
void lf_drawRunways(cairo_t* cr, const View& view, const Airport& airport)
{
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_width(cr, std::max(kMinRunwayPx, kRunwayWidthM / kMetresPerDegLat * view.pxPerDeg));
    for (const AirportRunway& runway : airport.runways) {
        const auto [x0, y0] = view.toPixel(runway.ends[0].lat, runway.ends[0].lon);
        const auto [x1, y1] = view.toPixel(runway.ends[1].lat, runway.ends[1].lon);
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_stroke(cr);
    }
}

bool lf_overlaps(const cairo_rectangle_t& a, const cairo_rectangle_t& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Stands as small grey marks with their names; a name that would run into one already written is left
// out, so that close stands in a wide picture keep legible names instead of a smudge.
void lf_drawStands(cairo_t* cr, const View& view, const Airport& airport)
{
    cairo_save(cr);
    cairo_set_font_size(cr, kStandFontPx);
    std::vector<cairo_rectangle_t> written;
    for (const AirportStand& stand : airport.stands) {
        const auto [x, y] = view.toPixel(stand.at.lat, stand.at.lon);
        cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
        cairo_rectangle(cr, x - 2.0, y - 2.0, 4.0, 4.0);
        cairo_fill(cr);
        cairo_text_extents_t text;
        cairo_text_extents(cr, stand.name.c_str(), &text);
        const cairo_rectangle_t box{x + 4.0 - 1.0, y - kStandFontPx - 1.0, text.x_advance + 2.0, kStandFontPx + 5.0};
        if (std::ranges::any_of(written, [&](const cairo_rectangle_t& w) { return lf_overlaps(w, box); }))
            continue;
        written.push_back(box);
        cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
        cairo_move_to(cr, x + 4.0, y);
        cairo_show_text(cr, stand.name.c_str());
    }
    cairo_restore(cr);
}

void lf_setColour(cairo_t* cr, const SimObject& o)
{
    if (o.isUser)
        cairo_set_source_rgb(cr, 0.0, 0.3, 0.9);
    else if (o.isForeign)
        cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
    else
        cairo_set_source_rgb(cr, 0.85, 0.1, 0.1);
}

void lf_drawTrack(cairo_t* cr, const View& view, const SimObject& o)
{
    if (o.track.empty())
        return;
    lf_setColour(cr, o);
    cairo_set_line_width(cr, o.isUser ? 3.0 : 1.5);
    const auto [x0, y0] = view.toPixel(o.track.front().lat, o.track.front().lon);
    cairo_arc(cr, x0, y0, o.isUser ? 5.0 : 3.0, 0.0, kTwoPi);
    cairo_fill(cr);
    cairo_move_to(cr, x0, y0);
    for (const TrackSample& s : o.track) {
        const auto [x, y] = view.toPixel(s.lat, s.lon);
        cairo_line_to(cr, x, y);
    }
    cairo_stroke(cr);
    const auto [xe, ye] = view.toPixel(o.track.back().lat, o.track.back().lon);
    cairo_move_to(cr, xe + 4.0, ye - 4.0);
    cairo_show_text(cr, o.isUser ? "user" : o.atcId.c_str());
}

bool lf_hasAirport(const Airport& airport) { return !airport.stands.empty() || !airport.runways.empty(); }

View lf_panelView(const std::vector<SimObject>& objects, const Airport& airport, ReportPanel panel)
{
    if (panel == ReportPanel::Tracks)
        return lf_view(objects, airport);
    View v = lf_view({}, airport);
    v.left = kReportImageSize;
    return v;
}

// One square panel, clipped to itself: the airport beneath, the AI tracks, the user's track on top.
void lf_drawPanel(cairo_t* cr, const View& view, const std::vector<SimObject>& objects, const Airport& airport)
{
    cairo_save(cr);
    cairo_rectangle(cr, view.left, 0.0, kReportImageSize, kReportImageSize);
    cairo_clip(cr);
    lf_drawRunways(cr, view, airport);
    lf_drawStands(cr, view, airport);
    for (const SimObject& o : objects)
        if (!o.isUser)
            lf_drawTrack(cr, view, o);
    for (const SimObject& o : objects)
        if (o.isUser)
            lf_drawTrack(cr, view, o);
    cairo_restore(cr);
}

void lf_drawCloseUpFrame(cairo_t* cr)
{
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, kReportImageSize + 0.5, 0.0);
    cairo_line_to(cr, kReportImageSize + 0.5, kReportImageSize);
    cairo_stroke(cr);
    cairo_move_to(cr, kReportImageSize + 10.0, 20.0);
    cairo_show_text(cr, "airport");
}

void lf_writeTracks(const std::vector<SimObject>& objects, const Airport& airport, const std::filesystem::path& file)
{
    const bool closeUp = lf_hasAirport(airport);
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, closeUp ? 2 * kReportImageSize : kReportImageSize,
                                   kReportImageSize),
        &cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), &cairo_destroy);
    cairo_set_source_rgb(cr.get(), 1.0, 1.0, 1.0);
    cairo_paint(cr.get());
    cairo_select_font_face(cr.get(), "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr.get(), 11.0);
    lf_drawPanel(cr.get(), lf_panelView(objects, airport, ReportPanel::Tracks), objects, airport);
    if (closeUp) {
        lf_drawPanel(cr.get(), lf_panelView(objects, airport, ReportPanel::Airport), objects, airport);
        lf_drawCloseUpFrame(cr.get());
    }
    cairo_surface_flush(surface.get());
    if (cairo_surface_write_to_png(surface.get(), file.c_str()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(fmt::format("cannot write {}", file.string()));
}

} // namespace

std::vector<std::string> gf_objectReportLines(const std::vector<SimObject>& objects,
                                              std::optional<double> closedAtSeconds)
{
    std::vector<std::string> lines{"    id kind      created_s  removed_s  moved_nm atc_id \"title\""};
    for (const SimObject& o : objects) {
        const char* kind = o.isUser ? "user" : o.isForeign ? "foreign" : "created";
        const std::string removed = o.removed ? fmt::format("{:.1f}", o.removedAt) : "-";
        lines.push_back(fmt::format("{:>6} {:<8} {:>10.1f} {:>10} {:>9.2f} {} \"{}\"", o.id, kind, o.createdAt, removed,
                                    o.distanceMovedNm, o.atcId.empty() ? "-" : o.atcId, o.title));
    }
    if (closedAtSeconds)
        lines.push_back(fmt::format("closed_s {:.1f}", *closedAtSeconds));
    return lines;
}

std::pair<double, double> gf_reportPixel(const std::vector<SimObject>& objects, const Airport& airport,
                                         ReportPanel panel, LatLon at)
{
    return lf_panelView(objects, airport, panel).toPixel(at.lat, at.lon);
}

void gf_writeReport(const std::vector<SimObject>& objects, const Airport& airport, const std::filesystem::path& folder,
                    std::optional<double> closedAtSeconds)
{
    std::filesystem::create_directories(folder);
    std::ofstream text(folder / kReportObjectsFile, std::ios::trunc);
    for (const std::string& line : gf_objectReportLines(objects, closedAtSeconds))
        text << line << '\n';
    if (!text.flush())
        throw std::runtime_error(fmt::format("cannot write {}", (folder / kReportObjectsFile).string()));
    lf_writeTracks(objects, airport, folder / kReportTracksFile);
}

} // namespace zyn::simemu
