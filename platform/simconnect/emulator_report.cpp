#include "platform/simconnect/emulator_report.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <cairo.h>
#include <fmt/format.h>

#include "core/geo.h"

namespace zyn::simemu {

namespace {

constexpr double kMarginPx = 40.0;
constexpr double kMinSpanDeg = 0.01;

// Equal-distance view of the tracks: longitude scaled by the cosine of the middle latitude.
struct View {
    double minLat = 0.0;
    double minLon = 0.0;
    double lonScale = 1.0;
    double pxPerDeg = 1.0;

    std::pair<double, double> toPixel(double lat, double lon) const
    {
        return {kMarginPx + (lon - minLon) * lonScale * pxPerDeg,
                kReportImageSize - kMarginPx - (lat - minLat) * pxPerDeg};
    }
};

View lf_view(const std::vector<SimObject>& objects)
{
    double minLat = 90.0, maxLat = -90.0, minLon = 180.0, maxLon = -180.0;
    for (const SimObject& o : objects)
        for (const TrackSample& s : o.track) {
            minLat = std::min(minLat, s.lat);
            maxLat = std::max(maxLat, s.lat);
            minLon = std::min(minLon, s.lon);
            maxLon = std::max(maxLon, s.lon);
        }
    if (minLat > maxLat)
        return {};
    View v;
    v.minLat = minLat;
    v.minLon = minLon;
    v.lonScale = std::max(0.01, std::cos((minLat + maxLat) / 2.0 * kDegToRad));
    const double span = std::max({maxLat - minLat, (maxLon - minLon) * v.lonScale, kMinSpanDeg});
    v.pxPerDeg = (kReportImageSize - 2.0 * kMarginPx) / span;
    return v;
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

void lf_writeTracks(const std::vector<SimObject>& objects, const std::filesystem::path& file)
{
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kReportImageSize, kReportImageSize), &cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), &cairo_destroy);
    cairo_set_source_rgb(cr.get(), 1.0, 1.0, 1.0);
    cairo_paint(cr.get());
    cairo_select_font_face(cr.get(), "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr.get(), 11.0);
    const View view = lf_view(objects);
    for (const SimObject& o : objects) // AI first, the user's track on top
        if (!o.isUser)
            lf_drawTrack(cr.get(), view, o);
    for (const SimObject& o : objects)
        if (o.isUser)
            lf_drawTrack(cr.get(), view, o);
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

void gf_writeReport(const std::vector<SimObject>& objects, const std::filesystem::path& folder,
                    std::optional<double> closedAtSeconds)
{
    std::filesystem::create_directories(folder);
    std::ofstream text(folder / kReportObjectsFile, std::ios::trunc);
    for (const std::string& line : gf_objectReportLines(objects, closedAtSeconds))
        text << line << '\n';
    if (!text.flush())
        throw std::runtime_error(fmt::format("cannot write {}", (folder / kReportObjectsFile).string()));
    lf_writeTracks(objects, folder / kReportTracksFile);
}

} // namespace zyn::simemu
