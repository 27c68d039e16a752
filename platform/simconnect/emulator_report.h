#pragma once
// What the emulated simulator held, for looking at a run afterwards: a text list of every object and a
// picture of the tracks of the user and the AI aircraft over the airport of the scenario.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <cairo.h>

#include "platform/simconnect/emulator.h"
#include "platform/simconnect/emulator_report_text.h"

namespace zyn::simemu {

inline constexpr const char* kReportTracksFile = "sim_tracks.png";
inline constexpr int kReportImageSize = 1024; // the side of one square panel
inline constexpr int kReportHeaderPx = 120;   // the title and the legend above the panels

// Writes both files into the folder (created when missing); throws std::runtime_error on failure. A picture
// of the program's window, when given, stands beside the panels.
void gf_writeReport(const std::vector<SimObject>& objects, const Airport& airport, const std::filesystem::path& folder,
                    std::optional<double> closedAtSeconds = std::nullopt, cairo_surface_t* windowPicture = nullptr);
// The report of the program's run: with the program's window beside the panels when no display showed it.
void gf_writeRunReport(const std::vector<SimObject>& objects, const Airport& airport,
                       const std::filesystem::path& folder, double closedAtSeconds);

// The track picture, read without the README: a title with the run's time span, a legend, and every track
// over the airport in one square panel with a scale bar and north; when the scenario has an airport, a
// second panel to its right shows the airport alone, where its stands lie far enough apart to tell. A
// track starts at a small ring and ends in an arrow of its direction; solid in the air, dashed on the
// ground; each aircraft has one colour, kept when it is removed and created again.
enum class ReportPanel { Tracks, Airport };

// The colour of an object in the picture (red, green, blue from 0 to 1): the user's blue, grey for the
// simulator's own objects and static aircraft, else one colour per ATC id, by its first appearance.
struct ReportColour {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    bool operator==(const ReportColour&) const = default;
};
ReportColour gf_reportColour(const std::vector<SimObject>& objects, const SimObject& object);

// Labels placed so that none covers another: each wanted label (its anchor and size) gets the first free
// box around its anchor, nearest first, that overlaps neither a placed label nor a box already taken;
// nothing when none is free nearby.
struct ReportBox {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};
struct ReportLabel {
    double anchorX = 0.0;
    double anchorY = 0.0;
    double width = 0.0;
    double height = 0.0;
};
std::vector<std::optional<ReportBox>> gf_placeLabels(const std::vector<ReportLabel>& labels,
                                                     std::vector<ReportBox> taken = {});
bool gf_boxesOverlap(const ReportBox& a, const ReportBox& b);

// The pixel (x right, y down) where a position falls in a panel of the picture of these objects and airport.
std::pair<double, double> gf_reportPixel(const std::vector<SimObject>& objects, const Airport& airport,
                                         ReportPanel panel, LatLon at);

} // namespace zyn::simemu
