// The report of what the emulated simulator held: object list and track picture.
#include <gtest/gtest.h>

#include <cairo.h>
#include <cmath>

#include "platform/simconnect/emulator.h"
#include "platform/simconnect/emulator_report.h"
#include "platform/system/clock.h"
#include "tests/platform/simconnect/forget_world.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace zyn::test {
namespace {

namespace emu = simemu;
using namespace std::chrono_literals;

// A written PNG, read back pixel by pixel.
class Picture {
public:
    explicit Picture(const std::filesystem::path& png) : m_image(cairo_image_surface_create_from_png(png.c_str())) {}
    ~Picture() { cairo_surface_destroy(m_image); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool loaded() const { return cairo_surface_status(m_image) == CAIRO_STATUS_SUCCESS; }
    int width() const { return loaded() ? cairo_image_surface_get_width(m_image) : 0; }
    int height() const { return loaded() ? cairo_image_surface_get_height(m_image) : 0; }
    // Blue, green, red in memory order.
    const unsigned char* at(int x, int y) const
    {
        return cairo_image_surface_get_data(m_image) + y * cairo_image_surface_get_stride(m_image) + x * 4;
    }
    bool isBackground(int x, int y) const
    {
        const unsigned char* p = at(x, y);
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
    // Pixels of a square around (x, y) that are not background.
    int drawnAround(double x, double y, int half) const
    {
        int drawn = 0;
        for (int py = static_cast<int>(y) - half; py <= static_cast<int>(y) + half; ++py)
            for (int px = static_cast<int>(x) - half; px <= static_cast<int>(x) + half; ++px)
                drawn += px >= 0 && py >= 0 && px < width() && py < height() && !isBackground(px, py);
        return drawn;
    }

private:
    cairo_surface_t* m_image;
};

struct PixelCount {
    int blue = 0;
    int red = 0;
};

PixelCount lf_countColours(const std::filesystem::path& png)
{
    const Picture picture(png);
    PixelCount count;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const unsigned char* p = picture.at(x, y);
            count.blue += p[0] > 180 && p[2] < 60;
            count.red += p[2] > 180 && p[0] < 60 && p[1] < 60;
        }
    return count;
}

// A run on the emulator, the user climbing north, whose close writes the report into dir/report.
class EmulatorReportOnClose : public ::testing::Test {
protected:
    EmulatorReportOnClose()
    {
        gf_setClock(&clock);
        s.userTrack = {{0.0, 50.0, 8.0, 500.0, 0.0, 0.0, true}, {60.0, 50.05, 8.0, 3000.0, 0.0, 150.0, false}};
        s.behaviour.creationDelayMinS = s.behaviour.creationDelayMaxS = 0.0; // objects at once
    }
    ~EmulatorReportOnClose() override { gf_setClock(nullptr); }

    TempDir dir;
    ManualClock clock;
    ScopedEnv env{"TARVO_SIM_REPORT", (dir / "report").string()};
    ForgetEmulatorWorld forget;
    emu::Scenario s;
};

TEST_F(EmulatorReportOnClose, ClosingWritesObjectsAndTracksWhereAsked)
{
    emu::reset(s);
    HANDLE h = nullptr;
    ASSERT_EQ(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    const char* vars[] = {"Plane Latitude", "Plane Longitude"};
    for (const char* v : vars)
        SimConnect_AddToDataDefinition(h, 402, v, "degree");
    SIMCONNECT_DATA_INITPOSITION at{50.01, 8.02, 0, 0, 0, 0, 1, 0};
    SimConnect_AICreateNonATCAircraft(h, "Airbus A320 Lufthansa", "DLH1", at, 104);
    SimConnect_AICreateNonATCAircraft(h, "Boeing 737-800 KLM", "KLM2", at, 104);
    const auto created = emu::objects();
    ASSERT_EQ(created.size(), 3u);
    for (int i = 1; i <= 10; ++i) {
        double position[2] = {50.01 + i * 0.003, 8.02 + i * 0.002};
        SimConnect_SetDataOnSimObject(h, 402, created[1].id, 0, 0, sizeof(position), position);
    }
    clock.advance(30s);
    SimConnect_AIRemoveObject(h, created[2].id, 105);
    clock.advance(30s);
    SimConnect_Close(h);

    const auto lines = readLines(dir / "report" / emu::kReportObjectsFile);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4], "closed_s 60.0");
    EXPECT_NE(lines[1].find("user"), std::string::npos);
    EXPECT_NE(lines[2].find("DLH1 \"Airbus A320 Lufthansa\""), std::string::npos);
    EXPECT_NE(lines[2].find(" 60.0 "), std::string::npos); // removed when the client closed
    EXPECT_NE(lines[3].find(" 30.0 "), std::string::npos); // removed by the client
    EXPECT_NE(lines[3].find(" 0.00 "), std::string::npos); // never moved
    EXPECT_EQ(Picture(dir / "report" / emu::kReportTracksFile).width(), emu::kReportImageSize) << "no airport panel";
    const PixelCount colours = lf_countColours(dir / "report" / emu::kReportTracksFile);
    EXPECT_GT(colours.blue, 100); // the user's track
    EXPECT_GT(colours.red, 50);   // the moved AI aircraft
}

TEST_F(EmulatorReportOnClose, AirportOfTheScenarioLiesBeneathTheTracks)
{
    // A stand south-east of every track, so that the picture must widen to show it.
    const emu::AirportStand far{"Z9", {49.96, 8.08}};
    s.airport.stands = {{"A1", {50.0, 8.01}}, far};
    s.airport.runways = {{{{50.01, 8.02}, {50.01, 8.06}}}};
    emu::reset(s);
    HANDLE h = nullptr;
    ASSERT_EQ(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    clock.advance(60s);
    SimConnect_Close(h);

    const Picture picture(dir / "report" / emu::kReportTracksFile);
    ASSERT_TRUE(picture.loaded());
    const auto objects = emu::objects();
    const auto [x, y] = emu::gf_reportPixel(objects, s.airport, emu::ReportPanel::Tracks, far.at);
    ASSERT_GE(x, 0.0);
    ASSERT_LT(x, picture.width());
    ASSERT_GE(y, 0.0);
    ASSERT_LT(y, picture.height());
    EXPECT_GE(picture.drawnAround(x, y, 2), 9) << "the stand's mark";
    EXPECT_GT(picture.drawnAround(x + 12.0, y - 4.0, 6), 5) << "the stand's name beside it";
    const auto [rx, ry] = emu::gf_reportPixel(objects, s.airport, emu::ReportPanel::Tracks, {50.01, 8.04});
    EXPECT_EQ(picture.drawnAround(rx, ry, 1), 9) << "the runway's middle";
    const auto [ex, ey] = emu::gf_reportPixel(objects, s.airport, emu::ReportPanel::Tracks, {50.03, 8.07});
    EXPECT_EQ(picture.drawnAround(ex, ey, 5), 0) << "away from the tracks and the airport";
}

TEST(EmulatorReport, AirportPanelSetsCloseStandsApartUnderTheTracks)
{
    // Stands 60 m apart at the start of a track that reaches 30 nm away: a smudge in the tracks panel.
    emu::SimObject user;
    user.isUser = true;
    user.track = {{0.0, 47.4621, 8.5474}, {600.0, 47.9621, 8.5474}};
    emu::Airport airport;
    for (int i = 0; i < 3; ++i)
        airport.stands.push_back({"A" + std::to_string(i + 1), {47.4621, 8.5474 + i * 0.0008}});
    airport.runways = {{{{47.4580, 8.5457}, {47.4580, 8.5769}}}};
    TempDir dir;
    emu::gf_writeReport({user}, airport, dir.path());

    const Picture picture(dir / emu::kReportTracksFile);
    ASSERT_EQ(picture.width(), 2 * emu::kReportImageSize);
    std::vector<double> xs;
    for (const emu::AirportStand& stand : airport.stands) {
        const auto [x, y] = emu::gf_reportPixel({user}, airport, emu::ReportPanel::Airport, stand.at);
        EXPECT_GE(x, emu::kReportImageSize);
        EXPECT_GE(picture.drawnAround(x, y, 2), 9) << stand.name;
        EXPECT_GT(picture.drawnAround(x + 10.0, y - 4.0, 4), 5) << stand.name << "'s name";
        xs.push_back(x);
    }
    EXPECT_GT(xs[1] - xs[0], 20.0) << "far enough apart for their names";
    const auto [ux, uy] = emu::gf_reportPixel({user}, airport, emu::ReportPanel::Airport, {47.47, 8.5474});
    const unsigned char* track = picture.at(static_cast<int>(ux), static_cast<int>(uy));
    EXPECT_TRUE(track[0] > 180 && track[2] < 60) << "the user's track over the airport";
}

emu::SimObject lf_aircraft(SIMCONNECT_OBJECT_ID id, std::string atcId, std::vector<emu::TrackSample> track)
{
    emu::SimObject o;
    o.id = id;
    o.atcId = std::move(atcId);
    o.track = std::move(track);
    return o;
}

TEST(EmulatorReport, EachAircraftKeepsOneColourAcrossItsObjects)
{
    emu::SimObject user;
    user.isUser = true;
    emu::SimObject foreign;
    foreign.isForeign = true;
    const std::vector<emu::SimObject> objects{user, lf_aircraft(100, "DLH1", {}), lf_aircraft(101, "KLM2", {}),
                                              lf_aircraft(102, "DLH1", {}), lf_aircraft(103, "SWR3*", {}), foreign};
    const auto colour = [&](std::size_t i) { return emu::gf_reportColour(objects, objects[i]); };
    EXPECT_EQ(colour(1), colour(3)) << "created again";
    EXPECT_NE(colour(1), colour(2));
    for (const std::size_t i : {std::size_t{0}, std::size_t{4}, std::size_t{5}}) // user, static, foreign
        for (const std::size_t aircraft : {std::size_t{1}, std::size_t{2}})
            EXPECT_NE(colour(i), colour(aircraft)) << i;
    EXPECT_NE(colour(4), colour(0));
}

TEST(EmulatorReport, LabelsAtOnePointAreSetApartAndAvoidWhatIsTaken)
{
    const emu::ReportBox stand{100.0, 80.0, 30.0, 14.0}; // a stand's name right above the anchor
    std::vector<emu::ReportLabel> arrivals(12, emu::ReportLabel{100.0, 100.0, 40.0, 15.0});
    const auto placed = emu::gf_placeLabels(arrivals, {stand});
    std::vector<emu::ReportBox> boxes{stand};
    for (const auto& box : placed) {
        if (!box)
            continue;
        for (const auto& other : boxes)
            EXPECT_FALSE(emu::gf_boxesOverlap(*box, other));
        boxes.push_back(*box);
    }
    EXPECT_EQ(boxes.size(), 13u) << "twelve labels find room around one point";
    EXPECT_LT(std::hypot(placed[0]->x - 100.0, placed[0]->y + placed[0]->height - 100.0), 20.0) << "the first is close";
}

TEST(EmulatorReport, PictureHasTitleLegendScaleNorthAndTheWindowBeside)
{
    emu::SimObject user;
    user.isUser = true;
    user.track = {{0.0, 47.46, 8.54, true}, {600.0, 47.56, 8.54, false}};
    const auto window = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 100);
    cairo_t* cr = cairo_create(window);
    cairo_set_source_rgb(cr, 0.0, 1.0, 0.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    TempDir dir;
    emu::gf_writeReport({user, lf_aircraft(100, "DLH1", {{0.0, 47.5, 8.5, true}, {60.0, 47.5, 8.52, true}})}, {},
                        dir.path(), 600.0, window);
    cairo_surface_destroy(window);

    const Picture picture(dir / emu::kReportTracksFile);
    ASSERT_EQ(picture.width(), emu::kReportImageSize + 24 + 200);
    EXPECT_GT(picture.drawnAround(300.0, 24.0, 12), 100) << "the title";
    EXPECT_GT(picture.drawnAround(60.0, 62.0, 8), 40) << "the legend's first sample";
    EXPECT_GT(picture.drawnAround(60.0, emu::kReportHeaderPx + emu::kReportImageSize - 14.0, 3), 10) << "the scale";
    EXPECT_GT(picture.drawnAround(emu::kReportImageSize - 24.0, emu::kReportHeaderPx + 22.0, 6), 15) << "north";
    const unsigned char* beside = picture.at(emu::kReportImageSize + 24 + 100, emu::kReportHeaderPx + 50);
    EXPECT_TRUE(beside[1] == 255 && beside[0] == 0 && beside[2] == 0) << "the window's picture";
}

TEST(EmulatorReport, ObjectLinesShowKindRemovalAndDistance)
{
    emu::SimObject user;
    user.id = 1;
    user.isUser = true;
    user.title = "Cessna";
    emu::SimObject gone;
    gone.id = 100;
    gone.atcId = "N1";
    gone.title = "T";
    gone.removed = true;
    gone.removedAt = 12.5;
    gone.distanceMovedNm = 3.25;
    emu::SimObject foreign;
    foreign.id = 101;
    foreign.isForeign = true;
    const auto lines = emu::gf_objectReportLines({user, gone, foreign});
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "     1 user            0.0          -      0.00 - \"Cessna\"");
    EXPECT_EQ(lines[2], "   100 created         0.0       12.5      3.25 N1 \"T\"");
    EXPECT_EQ(lines[3], "   101 foreign         0.0          -      0.00 - \"\"");
}

} // namespace
} // namespace zyn::test
