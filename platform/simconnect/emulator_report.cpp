#include "platform/simconnect/emulator_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <tuple>

#include <fmt/format.h>

#include "platform/simconnect/emulator_geo.h"
#include "platform/system/path_text.h"
#include "platform/win32/display.h"

namespace zyn::simemu {

namespace {

constexpr double kMarginPx = 40.0;
constexpr double kMinSpanDeg = 0.01;
constexpr double kMetresPerDegLat = 60.0 * kMetresPerNm;
constexpr double kRunwayWidthM = 45.0;
constexpr double kMinRunwayPx = 4.0;
constexpr double kStandFontPx = 9.0;
constexpr double kLabelFontPx = 11.0;
constexpr double kWindowGapPx = 24.0;
constexpr auto kWindowPictureWait = std::chrono::seconds(2);

constexpr ReportColour kUserColour{0.0, 0.3, 0.9};
constexpr ReportColour kForeignColour{0.55, 0.55, 0.55};
constexpr ReportColour kStaticColour{0.3, 0.3, 0.3};
// Colours told apart at a glance, none of them the user's blue or a grey.
constexpr std::array<ReportColour, 10> kAircraftColours{{{0.85, 0.1, 0.1},
                                                         {0.95, 0.55, 0.0},
                                                         {0.0, 0.6, 0.2},
                                                         {0.6, 0.0, 0.7},
                                                         {0.0, 0.6, 0.6},
                                                         {0.8, 0.0, 0.45},
                                                         {0.55, 0.35, 0.0},
                                                         {0.45, 0.6, 0.0},
                                                         {0.95, 0.35, 0.65},
                                                         {0.8, 0.65, 0.0}}};

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

// Equal-distance view of one panel: longitude scaled by the cosine of the middle latitude.
struct View {
    double left = 0.0; // the panel's left edge in the picture
    double top = kReportHeaderPx;
    double minLat = 0.0;
    double minLon = 0.0;
    double lonScale = 1.0;
    double pxPerDeg = 1.0;

    std::pair<double, double> toPixel(double lat, double lon) const
    {
        return {left + kMarginPx + (lon - minLon) * lonScale * pxPerDeg,
                top + kReportImageSize - kMarginPx - (lat - minLat) * pxPerDeg};
    }
    double pxPerNm() const { return pxPerDeg / 60.0; }
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

void lf_setColour(cairo_t* cr, ReportColour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

bool lf_isStatic(const SimObject& o) { return !o.isUser && !o.isForeign && o.atcId.ends_with('*'); }

// The key that ties an aircraft's objects together: its ATC id, else the object itself.
std::string lf_aircraftKey(const SimObject& o)
{
    return o.atcId.empty() ? fmt::format("#{}", o.id) : o.atcId;
}

std::string lf_clockText(double seconds)
{
    const auto s = static_cast<long long>(std::max(0.0, seconds));
    return fmt::format("{}:{:02}:{:02}", s / 3600, s / 60 % 60, s % 60);
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

// Stands as small grey marks with their names; a name that would run into one already written is left
// out, so that close stands in a wide picture keep legible names instead of a smudge. The boxes of the
// names written are added to taken.
void lf_drawStands(cairo_t* cr, const View& view, const Airport& airport, std::vector<ReportBox>& taken)
{
    cairo_save(cr);
    cairo_set_font_size(cr, kStandFontPx);
    for (const AirportStand& stand : airport.stands) {
        const auto [x, y] = view.toPixel(stand.at.lat, stand.at.lon);
        cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
        cairo_rectangle(cr, x - 2.0, y - 2.0, 4.0, 4.0);
        cairo_fill(cr);
        cairo_text_extents_t text;
        cairo_text_extents(cr, stand.name.c_str(), &text);
        const ReportBox box{x + 4.0 - 1.0, y - kStandFontPx - 1.0, text.x_advance + 2.0, kStandFontPx + 5.0};
        if (std::ranges::any_of(taken, [&](const ReportBox& w) { return gf_boxesOverlap(w, box); }))
            continue;
        taken.push_back(box);
        cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
        cairo_move_to(cr, x + 4.0, y);
        cairo_show_text(cr, stand.name.c_str());
    }
    cairo_restore(cr);
}

void lf_arrowHead(cairo_t* cr, double x, double y, double angle, double size)
{
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x - size * std::cos(angle - 0.4), y - size * std::sin(angle - 0.4));
    cairo_line_to(cr, x - size * std::cos(angle + 0.4), y - size * std::sin(angle + 0.4));
    cairo_close_path(cr);
    cairo_fill(cr);
}

// The direction in which the track leaves its end: from the last sample a few pixels before it.
double lf_endAngle(const View& view, const std::vector<TrackSample>& track)
{
    const auto [xe, ye] = view.toPixel(track.back().lat, track.back().lon);
    for (auto it = track.rbegin() + 1; it != track.rend(); ++it) {
        const auto [x, y] = view.toPixel(it->lat, it->lon);
        if (std::hypot(xe - x, ye - y) >= 3.0 || it + 1 == track.rend())
            return std::atan2(ye - y, xe - x);
    }
    return 0.0;
}

bool lf_moved(const View& view, const std::vector<TrackSample>& track)
{
    const auto start = view.toPixel(track.front().lat, track.front().lon);
    return std::ranges::any_of(track, [&](const TrackSample& s) {
        const auto [x, y] = view.toPixel(s.lat, s.lon);
        return std::hypot(x - start.first, y - start.second) >= 1.0;
    });
}

// The track in runs: solid in the air, dashed on the ground.
void lf_strokeTrack(cairo_t* cr, const View& view, const std::vector<TrackSample>& track)
{
    const double dashes[] = {5.0, 3.0};
    for (std::size_t i = 1; i < track.size();) {
        const bool ground = track[i].onGround;
        auto [x, y] = view.toPixel(track[i - 1].lat, track[i - 1].lon);
        cairo_move_to(cr, x, y);
        for (; i < track.size() && track[i].onGround == ground; ++i) {
            std::tie(x, y) = view.toPixel(track[i].lat, track[i].lon);
            cairo_line_to(cr, x, y);
        }
        cairo_set_dash(cr, dashes, ground ? 2 : 0, 0.0);
        cairo_stroke(cr);
    }
    cairo_set_dash(cr, nullptr, 0, 0.0);
}

void lf_drawTrack(cairo_t* cr, const View& view, const SimObject& o, ReportColour colour)
{
    if (o.track.empty())
        return;
    lf_setColour(cr, colour);
    const auto [x0, y0] = view.toPixel(o.track.front().lat, o.track.front().lon);
    if (!lf_moved(view, o.track)) {
        if (lf_isStatic(o))
            cairo_rectangle(cr, x0 - 3.0, y0 - 3.0, 6.0, 6.0);
        else
            cairo_arc(cr, x0, y0, o.isUser ? 5.0 : 3.0, 0.0, kTwoPi);
        cairo_fill(cr);
        return;
    }
    cairo_set_line_width(cr, o.isUser ? 3.0 : 1.5);
    lf_strokeTrack(cr, view, o.track);
    cairo_set_line_width(cr, 1.2);
    cairo_arc(cr, x0, y0, o.isUser ? 5.0 : 3.5, 0.0, kTwoPi); // the start, a ring
    cairo_stroke(cr);
    const auto [xe, ye] = view.toPixel(o.track.back().lat, o.track.back().lon);
    lf_arrowHead(cr, xe, ye, lf_endAngle(view, o.track), o.isUser ? 12.0 : 9.0);
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

// Where an aircraft's label goes: at the end of its last object, and its text.
struct AircraftLabel {
    std::string text;
    double x = 0.0;
    double y = 0.0;
    ReportColour colour;
};

std::vector<AircraftLabel> lf_wantedLabels(const View& view, const std::vector<SimObject>& objects)
{
    std::map<std::string, const SimObject*> last; // by aircraft
    std::vector<std::string> order;
    for (const SimObject& o : objects) {
        if (o.track.empty())
            continue;
        const std::string key = o.isUser ? std::string() : lf_aircraftKey(o); // an aircraft's key is never empty
        if (!last.contains(key))
            order.push_back(key);
        last[key] = &o;
    }
    // The user first, then the aircraft in the order they came: the earliest keep the nearest places.
    std::stable_partition(order.begin(), order.end(), [](const std::string& k) { return k.empty(); });
    std::vector<AircraftLabel> labels;
    for (const std::string& key : order) {
        const SimObject& o = *last[key];
        const auto [x, y] = view.toPixel(o.track.back().lat, o.track.back().lon);
        labels.push_back({o.isUser ? "user" : o.atcId, x, y, gf_reportColour(objects, o)});
    }
    return labels;
}

void lf_drawLabels(cairo_t* cr, const View& view, const std::vector<SimObject>& objects, std::vector<ReportBox> taken)
{
    cairo_save(cr);
    cairo_set_font_size(cr, kLabelFontPx);
    auto labels = lf_wantedLabels(view, objects);
    std::erase_if(labels, [](const AircraftLabel& l) { return l.text.empty(); });
    std::vector<ReportLabel> wanted;
    for (const AircraftLabel& l : labels) {
        cairo_text_extents_t text;
        cairo_text_extents(cr, l.text.c_str(), &text);
        wanted.push_back({l.x, l.y, text.x_advance + 4.0, kLabelFontPx + 4.0});
    }
    const auto placed = gf_placeLabels(wanted, std::move(taken));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!placed[i])
            continue; // too crowded here: the object list names it
        const ReportBox& box = *placed[i];
        const double cx = std::clamp(labels[i].x, box.x, box.x + box.width);
        const double cy = std::clamp(labels[i].y, box.y, box.y + box.height);
        lf_setColour(cr, labels[i].colour);
        if (std::hypot(cx - labels[i].x, cy - labels[i].y) > 8.0) { // a leader to a label set further out
            cairo_set_line_width(cr, 0.6);
            cairo_move_to(cr, labels[i].x, labels[i].y);
            cairo_line_to(cr, cx, cy);
            cairo_stroke(cr);
        }
        cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.8);
        cairo_rectangle(cr, box.x, box.y, box.width, box.height);
        cairo_fill(cr);
        lf_setColour(cr, labels[i].colour);
        cairo_move_to(cr, box.x + 2.0, box.y + kLabelFontPx);
        cairo_show_text(cr, labels[i].text.c_str());
    }
    cairo_restore(cr);
}

// The largest round distance whose bar stays within 200 pixels.
double lf_scaleNm(double pxPerNm)
{
    double best = 0.01;
    for (double decade = 0.01; decade <= 1000.0; decade *= 10.0)
        for (const double step : {1.0, 2.0, 5.0})
            if (step * decade * pxPerNm <= 200.0)
                best = step * decade;
    return best;
}

void lf_drawScaleAndNorth(cairo_t* cr, const View& view)
{
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_set_line_width(cr, 2.0);
    const double nm = lf_scaleNm(view.pxPerNm());
    const double x = view.left + kMarginPx, y = view.top + kReportImageSize - 14.0, length = nm * view.pxPerNm();
    cairo_move_to(cr, x, y - 5.0);
    cairo_line_to(cr, x, y);
    cairo_line_to(cr, x + length, y);
    cairo_line_to(cr, x + length, y - 5.0);
    cairo_stroke(cr);
    cairo_move_to(cr, x + length + 6.0, y + 3.0);
    cairo_show_text(cr, fmt::format("{} NM", nm).c_str());
    const double nx = view.left + kReportImageSize - 24.0, ny = view.top + 34.0;
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, nx, ny);
    cairo_line_to(cr, nx, ny - 18.0);
    cairo_stroke(cr);
    lf_arrowHead(cr, nx, ny - 22.0, -kTwoPi / 4.0, 9.0);
    cairo_move_to(cr, nx - 14.0, ny - 14.0);
    cairo_show_text(cr, "N");
    cairo_restore(cr);
}

// One square panel, clipped to itself: the airport beneath, the AI tracks, the user's track on top, then
// the labels, the scale and north.
void lf_drawPanel(cairo_t* cr, const View& view, const std::vector<SimObject>& objects, const Airport& airport,
                  const char* caption)
{
    cairo_save(cr);
    cairo_rectangle(cr, view.left, view.top, kReportImageSize, kReportImageSize);
    cairo_clip(cr);
    lf_drawRunways(cr, view, airport);
    std::vector<ReportBox> taken;
    lf_drawStands(cr, view, airport, taken);
    for (const bool user : {false, true})
        for (const SimObject& o : objects)
            if (o.isUser == user)
                lf_drawTrack(cr, view, o, gf_reportColour(objects, o));
    lf_drawLabels(cr, view, objects, std::move(taken));
    lf_drawScaleAndNorth(cr, view);
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    cairo_move_to(cr, view.left + 10.0, view.top + 20.0);
    cairo_show_text(cr, caption);
    cairo_restore(cr);
}

void lf_drawPanelFrame(cairo_t* cr, double x)
{
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, x + 0.5, kReportHeaderPx);
    cairo_line_to(cr, x + 0.5, kReportHeaderPx + kReportImageSize);
    cairo_stroke(cr);
}

struct RunSpan {
    double start = 0.0;
    double end = 0.0;
    std::size_t created = 0;
    std::size_t aircraft = 0;
};

RunSpan lf_runSpan(const std::vector<SimObject>& objects, std::optional<double> closedAt)
{
    RunSpan span{1e300, 0.0, 0, 0};
    std::map<std::string, int> aircraft;
    for (const SimObject& o : objects) {
        span.start = std::min(span.start, o.createdAt);
        span.end = std::max({span.end, o.removed ? o.removedAt : o.createdAt,
                             o.track.empty() ? 0.0 : o.track.back().atSeconds});
        if (!o.isUser && !o.isForeign) {
            ++span.created;
            ++aircraft[lf_aircraftKey(o)];
        }
    }
    if (closedAt)
        span.end = std::max(span.end, *closedAt);
    span.start = objects.empty() ? 0.0 : span.start;
    span.aircraft = aircraft.size();
    return span;
}

// One sample of the legend at x: its mark, then its text; returns where the next one goes.
double lf_legendItem(cairo_t* cr, double x, double y, const std::function<void(double, double)>& mark,
                     const char* text)
{
    cairo_save(cr);
    cairo_new_path(cr); // not from where the previous text ended
    mark(x, y);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_move_to(cr, x + 34.0, y + 4.0);
    cairo_show_text(cr, text);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    return x + 34.0 + extents.x_advance + 22.0;
}

void lf_line(cairo_t* cr, double x, double y, ReportColour c, double width, bool dashed)
{
    const double dashes[] = {5.0, 3.0};
    lf_setColour(cr, c);
    cairo_set_line_width(cr, width);
    cairo_set_dash(cr, dashes, dashed ? 2 : 0, 0.0);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + 28.0, y);
    cairo_stroke(cr);
}

void lf_drawLegend(cairo_t* cr, double y)
{
    const ReportColour live = kAircraftColours[0];
    double x = 20.0;
    x = lf_legendItem(cr, x, y, [&](double lx, double ly) { lf_line(cr, lx, ly, kUserColour, 3.0, false); }, "your aircraft");
    x = lf_legendItem(cr, x, y, [&](double lx, double ly) { lf_line(cr, lx, ly, live, 1.5, false); },
                      "live aircraft in the air");
    x = lf_legendItem(cr, x, y, [&](double lx, double ly) { lf_line(cr, lx, ly, live, 1.5, true); }, "on the ground");
    x = lf_legendItem(cr, x, y,
                      [&](double lx, double ly) {
                          lf_setColour(cr, live);
                          cairo_set_line_width(cr, 1.2);
                          cairo_arc(cr, lx + 3.5, ly, 3.5, 0.0, kTwoPi);
                          cairo_stroke(cr);
                          cairo_move_to(cr, lx + 7.0, ly);
                          cairo_line_to(cr, lx + 24.0, ly);
                          cairo_stroke(cr);
                          lf_arrowHead(cr, lx + 28.0, ly, 0.0, 9.0);
                      },
                      "start, end and direction");
    y += 24.0;
    x = 20.0;
    x = lf_legendItem(cr, x, y,
                      [&](double lx, double ly) {
                          lf_setColour(cr, kStaticColour);
                          cairo_rectangle(cr, lx + 11.0, ly - 3.0, 6.0, 6.0);
                          cairo_fill(cr);
                      },
                      "static aircraft");
    x = lf_legendItem(cr, x, y, [&](double lx, double ly) { lf_line(cr, lx, ly, kForeignColour, 1.5, false); },
                      "the simulator's own objects");
    x = lf_legendItem(cr, x, y,
                      [&](double lx, double ly) {
                          cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
                          cairo_rectangle(cr, lx + 12.0, ly - 2.0, 4.0, 4.0);
                          cairo_fill(cr);
                      },
                      "stand");
    x = lf_legendItem(cr, x, y,
                      [&](double lx, double ly) {
                          cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
                          cairo_rectangle(cr, lx, ly - 3.0, 28.0, 6.0);
                          cairo_fill(cr);
                      },
                      "runway");
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_move_to(cr, x, y + 4.0);
    cairo_show_text(cr, "Each aircraft keeps one colour, also when it is created again.");
}

void lf_drawHeader(cairo_t* cr, const std::vector<SimObject>& objects, std::optional<double> closedAt)
{
    const RunSpan span = lf_runSpan(objects, closedAt);
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_set_font_size(cr, 18.0);
    cairo_move_to(cr, 20.0, 30.0);
    cairo_show_text(cr, fmt::format("The simulator during the run, {} to {} of its clock: {} AI objects for {} aircraft",
                                    lf_clockText(span.start), lf_clockText(span.end), span.created, span.aircraft)
                            .c_str());
    cairo_set_font_size(cr, 12.0);
    lf_drawLegend(cr, 62.0);
    cairo_restore(cr);
}

void lf_drawWindowPicture(cairo_t* cr, cairo_surface_t* window, double x)
{
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_move_to(cr, x, kReportHeaderPx - 10.0);
    cairo_show_text(cr, "The program's window as it was last painted (the program ran without a display)");
    cairo_set_source_surface(cr, window, x, kReportHeaderPx);
    cairo_paint(cr);
}

void lf_writeTracks(const std::vector<SimObject>& objects, const Airport& airport, const std::filesystem::path& file,
                    std::optional<double> closedAt, cairo_surface_t* window)
{
    const bool closeUp = lf_hasAirport(airport);
    const double panels = closeUp ? 2.0 * kReportImageSize : kReportImageSize;
    const int windowWidth = window ? cairo_image_surface_get_width(window) : 0;
    const int windowHeight = window ? cairo_image_surface_get_height(window) : 0;
    const int width = static_cast<int>(panels + (window ? kWindowGapPx + windowWidth : 0));
    const int height = kReportHeaderPx + std::max(kReportImageSize, windowHeight);
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), &cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), &cairo_destroy);
    cairo_set_source_rgb(cr.get(), 1.0, 1.0, 1.0);
    cairo_paint(cr.get());
    cairo_select_font_face(cr.get(), "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    lf_drawHeader(cr.get(), objects, closedAt);
    cairo_set_font_size(cr.get(), 11.0);
    lf_drawPanel(cr.get(), lf_panelView(objects, airport, ReportPanel::Tracks), objects, airport, "all tracks");
    if (closeUp) {
        lf_drawPanel(cr.get(), lf_panelView(objects, airport, ReportPanel::Airport), objects, airport, "the airport");
        lf_drawPanelFrame(cr.get(), kReportImageSize);
    }
    if (window)
        lf_drawWindowPicture(cr.get(), window, panels + kWindowGapPx);
    cairo_surface_flush(surface.get());
    if (cairo_surface_write_to_png(surface.get(), file.c_str()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(fmt::format("cannot write {}", gf_utf8FromPath(file)));
}

} // namespace

bool gf_boxesOverlap(const ReportBox& a, const ReportBox& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

std::vector<std::optional<ReportBox>> gf_placeLabels(const std::vector<ReportLabel>& labels,
                                                     std::vector<ReportBox> taken)
{
    // Beside the anchor first (right, above, below, left), then further out.
    constexpr std::array<std::pair<double, double>, 8> kSides{
        {{1, -1}, {1, 1}, {-1, -1}, {-1, 1}, {1, 0}, {-1, 0}, {0, -1}, {0, 1}}};
    std::vector<std::optional<ReportBox>> placed;
    for (const ReportLabel& l : labels) {
        std::optional<ReportBox> found;
        for (const double distance : {4.0, 14.0, 26.0, 40.0, 56.0, 74.0}) {
            for (const auto& [sx, sy] : kSides) {
                const ReportBox box{l.anchorX + sx * distance - (sx < 0 ? l.width : sx == 0 ? l.width / 2.0 : 0.0),
                                    l.anchorY + sy * distance - (sy < 0 ? l.height : sy == 0 ? l.height / 2.0 : 0.0),
                                    l.width, l.height};
                if (std::ranges::none_of(taken, [&](const ReportBox& t) { return gf_boxesOverlap(t, box); })) {
                    found = box;
                    break;
                }
            }
            if (found)
                break;
        }
        if (found)
            taken.push_back(*found);
        placed.push_back(found);
    }
    return placed;
}

ReportColour gf_reportColour(const std::vector<SimObject>& objects, const SimObject& object)
{
    if (object.isUser)
        return kUserColour;
    if (object.isForeign)
        return kForeignColour;
    if (lf_isStatic(object))
        return kStaticColour;
    std::vector<std::string> seen;
    const std::string key = lf_aircraftKey(object);
    for (const SimObject& o : objects) {
        if (o.isUser || o.isForeign || lf_isStatic(o))
            continue;
        const std::string k = lf_aircraftKey(o);
        if (std::find(seen.begin(), seen.end(), k) == seen.end())
            seen.push_back(k);
        if (k == key)
            break;
    }
    return kAircraftColours[(seen.size() - 1) % kAircraftColours.size()];
}

std::pair<double, double> gf_reportPixel(const std::vector<SimObject>& objects, const Airport& airport,
                                         ReportPanel panel, LatLon at)
{
    return lf_panelView(objects, airport, panel).toPixel(at.lat, at.lon);
}

void gf_writeReport(const std::vector<SimObject>& objects, const Airport& airport, const std::filesystem::path& folder,
                    std::optional<double> closedAtSeconds, cairo_surface_t* windowPicture)
{
    gf_writeObjectReport(objects, folder, closedAtSeconds);
    lf_writeTracks(objects, airport, folder / kReportTracksFile, closedAtSeconds, windowPicture);
}

void gf_writeRunReport(const std::vector<SimObject>& objects, const Airport& airport,
                       const std::filesystem::path& folder, double closedAtSeconds)
{
    Surface window(gf_onDisplay() ? nullptr : gf_takeWindowPicture(kWindowPictureWait), &cairo_surface_destroy);
    if (window && cairo_surface_status(window.get()) != CAIRO_STATUS_SUCCESS)
        window.reset();
    gf_writeReport(objects, airport, folder, closedAtSeconds, window.get());
}

} // namespace zyn::simemu
