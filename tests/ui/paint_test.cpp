#include "airport/park_airport_state.h"
#include "shown/display_state.h"
#include "shown/display_texts.h"
#include "sim/link_state.h"
#include "tests/support/window_image.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/session_controls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zyn {
namespace {

constexpr COLORREF kGreenShown = 0x32CD32, kYellowShown = 0x00FFFF, kRedShown = 0x0000FF, kBlackShown = 0;
constexpr COLORREF kGreyShown = 0xA0A0A0;

// The window in each of its main states, painted and probed at its bands, lights and labels.
class MainWindowPicture : public test::MainWindowTest {
protected:
    void TearDown() override
    {
        gf_resetDisplayState();
        g_simConnected = 0;
        g_parkAirportLoaded = 0;
        g_parkingBusy = 0;
        MainWindowTest::TearDown();
    }
    std::unique_ptr<test::WindowImage> render()
    {
        const auto file = dir / "window.png";
        EXPECT_TRUE(win32test::renderToPng(g_mainWindow.load(), file));
        return std::make_unique<test::WindowImage>(file);
    }
    // A flight runs in the simulator and the traffic service answers on both readers.
    void running()
    {
        g_simConnected = 1;
        gf_showSimulatorLabel("MSFS 2020 (11.0.282174.999)");
        gf_showUserAcLabel("Cessna Skyhawk");
        gf_showUserAcLight(true);
        gf_showFlightLight(true);
        g_loginShown = 1;
        gf_showServiceLabel("rtw001");
        g_weatherLight = 1;
        g_trafficLight = 1;
        gf_setQnhDisplay(1013);
        g_liveCountShown = 12;
    }
};

TEST_F(MainWindowPicture, ConnectingShowsRedLightsAndTheSimulatorMode)
{
    open();
    const auto image = render();
    EXPECT_EQ(image->at(410, 100), kRedShown);                 // simulator
    EXPECT_EQ(image->at(440, 100), kRedShown);                 // traffic service
    EXPECT_GT(image->count({5, 35, 120, 50}, kGreenShown), 20); // "MSFS 2020 mode"
    EXPECT_EQ(image->count({642, 60, 760, 108}, kGreenShown), 0); // no qnh, no live count
    EXPECT_EQ(image->at(870, 470), kGreenShown);
}

TEST_F(MainWindowPicture, RunningWithTrafficShowsGreenLightsQnhAndTheLiveCount)
{
    open();
    running();
    auto image = render();
    EXPECT_EQ(image->at(410, 100), kGreenShown);
    EXPECT_EQ(image->at(440, 100), kGreenShown);
    EXPECT_GT(image->count({5, 35, 200, 50}, kGreenShown), 30);    // the connection
    EXPECT_GT(image->count({5, 63, 120, 78}, kGreenShown), 20);    // the user aircraft
    EXPECT_GT(image->count({458, 35, 520, 50}, kGreenShown), 15);  // the server
    EXPECT_GT(image->count({458, 63, 530, 78}, kGreenShown), 15);  // "Weather"
    EXPECT_GT(image->count({642, 63, 720, 78}, kGreenShown), 15);  // "qnh: 1013"
    EXPECT_GT(image->count({642, 91, 720, 106}, kGreenShown), 15); // "live:  12"

    gf_showFlightLight(false); // connected, no flight: yellow
    g_serviceBusyShown = 1;    // a request under way: black
    g_trafficLight = 2;        // starting: yellow text
    image = render();
    EXPECT_EQ(image->at(410, 100), kYellowShown);
    EXPECT_EQ(image->at(440, 100), kBlackShown);
    EXPECT_GT(image->count({458, 91, 520, 106}, kYellowShown), 15);
}

TEST_F(MainWindowPicture, LabelsFollowTheirSettingsAndControls)
{
    open();
    param::ALWAYS_ON_TOP.value = 1;
    param::MAX_LIVE.value = 50;
    lf_enableTimeControls(false);
    auto image = render();
    EXPECT_GT(image->count({768, 147, 840, 162}, kYellowShown), 15); // "Stay on top"
    EXPECT_GT(image->count({652, 259, 740, 274}, kGreyShown), 15);   // "Time shift:" greyed
    EXPECT_GT(image->count({536, 315, 600, 330}, kYellowShown), 15); // "max live:" changed
    EXPECT_GT(image->count({217, 315, 340, 330}, kGreyShown), 15);   // "generic max park:" default
    EXPECT_EQ(image->count({5, 343, 120, 358}, kBlackShown), 0);    // no "(next in ... min)"

    lf_enableTimeControls(true);
    g_parkAirportLoaded = 1;
    g_renewalMinutesShown = 7;
    gf_showCallsignAnswer("= 4711");
    param::CALLSIGN_2_OBJECTID.setValue("SWR12");
    image = render();
    EXPECT_GT(image->count({652, 259, 740, 274}, kBlackShown), 15);
    EXPECT_GT(image->count({5, 343, 120, 358}, kBlackShown), 15);  // "(next in 7 min)"
    EXPECT_GT(image->count({561, 259, 620, 274}, kBlackShown), 10); // "= 4711"
}

// Red for every error, also a refusal that holds nothing; a text with bytes that are not UTF-8 (the
// runtime's words in the ANSI code page) still shows.
TEST_F(MainWindowPicture, StatusLineShowsEveryErrorInRedAndNeverBlank)
{
    open();
    gf_showErrorMessage("lf_startUpTarvo: filesystem error: open: Violaci\xf3n de recurso compartido [Log0.txt]");
    auto image = render();
    EXPECT_EQ(image->at(870, 470), kRedShown);
    EXPECT_GT(image->count({3, 455, 400, 470}, kYellowShown), 100);
    gf_clearErrorMessage();
    gf_showRefusal("switching the simulator: Tarvo is restarting, click again once it has restarted");
    image = render();
    EXPECT_EQ(image->at(870, 470), kRedShown);
}

TEST_F(MainWindowPicture, StatisticsBandStaysEmptyWithoutAParkAirport)
{
    open();
    auto image = render();
    const LONG width = image->width(); // the client area, narrower than the window
    EXPECT_EQ(image->count({0, 393, width, 448}, kBlackShown), width * 55);

    gf_showParking([](ParkingDisplay& d) {
        d.airportLabel = "EHAM (AMS)";
        d.parkFileRead = true;
        d.fileText1 = "stock";
        d.fileText2 = "Schiphol";
        d.qualityText = "60/20";
        d.reservedStand = "D7";
        d.reservedFound = false;
        d.stands = 312;
        d.parkCount = 80;
        d.achievedPercent = 26;
    });
    g_liveParkedShown = 4;
    g_staticParkedShown = 76;
    image = render();
    EXPECT_GT(image->count({5, 399, 80, 414}, kGreenShown), 30);     // the airport
    EXPECT_GT(image->count({85, 399, 360, 414}, kGreenShown), 40);   // its file
    EXPECT_GT(image->count({571, 399, 700, 414}, kRedShown), 30);    // reserved stand not found
    EXPECT_GT(image->count({5, 427, 100, 442}, kGreenShown), 30);    // "# stands: 312"
    EXPECT_GT(image->count({430, 427, 560, 442}, kGreenShown), 30);  // "parked static:  76"
    EXPECT_GT(image->count({708, 427, 870, 442}, kGreenShown), 30);  // "max park:  80 (=26 %)"
}

} // namespace
} // namespace zyn

namespace zyn {
namespace {

using MainWindowPictureThreads = test::MainWindowTest;

// Other threads write the texts while the window paints: each paint copies them whole under their one
// lock (a race here is what the thread sanitizer stage looks for), and the last state is what shows.
TEST_F(MainWindowPictureThreads, TextsWrittenWhileThePainterPaints)
{
    const HWND main = open();
    g_simConnected = 1;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) {
            gf_showUserAcLabel(std::string(static_cast<std::size_t>(i % 40), 'A'));
            gf_showParking([i](ParkingDisplay& d) { d.airportLabel = i % 2 ? "EHAM (AMS)" : "LSZH"; });
            gf_showServiceLabel(i % 2 ? "rtw001" : "");
        }
    });
    for (int paint = 0; paint < 20; ++paint)
        ASSERT_TRUE(win32test::renderToPng(main, dir / "window.png"));
    stop = true;
    writer.join();
    gf_showParking([](ParkingDisplay& d) { d.airportLabel = "EHAM (AMS)"; });
    ASSERT_TRUE(win32test::renderToPng(main, dir / "window.png"));
    EXPECT_GT(test::WindowImage(dir / "window.png").count({5, 399, 80, 414}, kYellowShown), 30); // file not read
    g_simConnected = 0;
}

} // namespace
} // namespace zyn
