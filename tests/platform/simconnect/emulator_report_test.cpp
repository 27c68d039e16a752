// The report of what the emulated simulator held: object list and track picture.
#include <gtest/gtest.h>

#include <cairo.h>

#include "core/clock.h"
#include "platform/simconnect/emulator.h"
#include "platform/simconnect/emulator_report.h"
#include "tests/platform/simconnect/forget_world.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace zyn::test {
namespace {

namespace emu = simemu;
using namespace std::chrono_literals;

struct PixelCount {
    int blue = 0;
    int red = 0;
};

PixelCount lf_countColours(const std::filesystem::path& png)
{
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    PixelCount count;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        const unsigned char* data = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);
        for (int y = 0; y < cairo_image_surface_get_height(image); ++y)
            for (int x = 0; x < cairo_image_surface_get_width(image); ++x) {
                const unsigned char* p = data + y * stride + x * 4; // B, G, R in memory order
                count.blue += p[0] > 180 && p[2] < 60;
                count.red += p[2] > 180 && p[0] < 60 && p[1] < 60;
            }
    }
    cairo_surface_destroy(image);
    return count;
}

TEST(EmulatorReport, ClosingWritesObjectsAndTracksWhereAsked)
{
    TempDir dir;
    ManualClock clock;
    gf_setClock(&clock);
    ScopedEnv env("TARVO_SIM_REPORT", (dir / "report").string());
    ForgetEmulatorWorld forget;
    emu::Scenario s;
    s.userTrack = {{0.0, 50.0, 8.0, 500.0, 0.0, 0.0, true}, {60.0, 50.05, 8.0, 3000.0, 0.0, 150.0, false}};
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
    gf_setClock(nullptr);

    const auto lines = readLines(dir / "report" / emu::kReportObjectsFile);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4], "closed_s 60.0");
    EXPECT_NE(lines[1].find("user"), std::string::npos);
    EXPECT_NE(lines[2].find("DLH1 \"Airbus A320 Lufthansa\""), std::string::npos);
    EXPECT_NE(lines[2].find(" 60.0 "), std::string::npos); // removed when the client closed
    EXPECT_NE(lines[3].find(" 30.0 "), std::string::npos); // removed by the client
    EXPECT_NE(lines[3].find(" 0.00 "), std::string::npos); // never moved
    const PixelCount colours = lf_countColours(dir / "report" / emu::kReportTracksFile);
    EXPECT_GT(colours.blue, 100); // the user's track
    EXPECT_GT(colours.red, 50);   // the moved AI aircraft
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
