#include "airport/park_airport_state.h"
#include "base/encoding.h"
#include "platform/system/utf16.h"
#include "platform/win32/testing.h"
#include "requests/destination_request.h"
#include "requests/main_loop_requests.h"
#include "settings/airport_settings.h"
#include "settings/traffic_range.h"
#include "tests/ui/main_window_fixture.h"
#include "traffic/client.h"
#include "ui/edit_boxes.h"
#include "ui/session_controls.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using BoxEnter = test::MainWindowTest;

std::string lf_text(const ParameterControl& box) { return lf_getTextFromId(box.controlId); }

TEST(TypedNumbers, LeadingNumberAfterBlanksTheRestIgnored)
{
    struct Case {
        const char* text;
        std::optional<std::int64_t> integer;
        std::optional<double> number;
    };
    for (const auto& c : {Case{"55", 55, 55.0}, Case{"  -12abc", -12, -12.0}, Case{"+7", 7, 7.0},
                          Case{"12.3x", 12, 12.3}, Case{".5", std::nullopt, 0.5}, Case{"abc", std::nullopt, std::nullopt},
                          Case{"", std::nullopt, std::nullopt}, Case{"- 3", std::nullopt, std::nullopt},
                          Case{"nan", std::nullopt, std::nullopt}, Case{"inf", std::nullopt, std::nullopt},
                          Case{"0x10", 0, std::nullopt}, Case{"-2147483648", -2147483648LL, -2147483648.0}}) {
        EXPECT_EQ(gf_leadingInteger(c.text), c.integer) << c.text;
        EXPECT_EQ(gf_leadingNumber(c.text), c.number) << c.text;
    }
    EXPECT_THROW(gf_leadingInteger("2147483648"), std::out_of_range);
    EXPECT_THROW(gf_leadingInteger("99999999999999999999999"), std::out_of_range);
    EXPECT_THROW(gf_leadingNumber("1e999"), std::out_of_range);
}

TEST(TypedCodes, UpperCasedLettersAndDigitsOfTheRightLength)
{
    EXPECT_EQ(gf_codeText("dlh4ab", 4, 8), "DLH4AB");
    EXPECT_EQ(gf_codeText("eddf", 4, 4), "EDDF");
    for (const char* refused : {"abc", "abcdefghi", "DLH 4A", "EDD/", "ÄÖÜ4", "ED\xff" "F", "../x"})
        EXPECT_EQ(gf_codeText(refused, 4, 8), std::nullopt) << refused;
}

// Every number box: a valid entry applies, an entry beyond a bound is brought within it, letters
// change nothing; each time the box shows the value in force.
TEST_F(BoxEnter, EveryNumberBoxTakesValidClampsOutOfRangeAndRefusesLetters)
{
    using namespace param;
    struct Case {
        IntControlParameter* box;
        const char16_t* valid;
        std::int32_t validValue;
        const char16_t* beyond;
        std::int32_t bound;
        bool saved;
    };
    open();
    for (const auto& c : {Case{&AI_PACKAGE_ORDER, u"3", 3, u"7", 6, true}, Case{&MATCHING_DEPTH, u"2", 2, u"9", 4, true},
                          Case{&LATERAL_RANGE, u"55", 55, u"250", 100, true},
                          Case{&AUTO_RANGE_ABOVE_HEIGHT, u"20000", 20000, u"1000", 18000, true},
                          Case{&TIME_SHIFT_DAYS, u"2", 2, u"30", 28, true}, Case{&TIME_SHIFT_HOURS, u"5", 5, u"99", 23, true},
                          Case{&TIME_SHIFT_MINS, u"30", 30, u"75", 59, true},
                          Case{&CUSTOM_MAX_PARK, u"100", 100, u"900", 500, true}, Case{&MAX_LIVE, u"50", 50, u"-5", -1, true},
                          Case{&AIRPORT_RANGE, u"25", 25, u"3", 8, true},
                          Case{&AIRPORT_HEIGHT, u"3000", 3000, u"99999", 45000, true},
                          Case{&parking_percentage, u"40", 40, u"150", 100, false}}) {
        IntControlParameter& p = *c.box;
        lf_timeShift(0, true);
        // A new time shift says so itself (below).
        const bool timeShift = p.key.starts_with("TIME_SHIFT");
        enter(p, c.valid);
        EXPECT_EQ(p.value.load(), c.validValue) << p.key;
        EXPECT_EQ(lf_text(p), std::to_string(c.validValue)) << p.key;
        if (!timeShift) {
            EXPECT_EQ(gf_statusMessage(), fmt::format("The new {} is {}", p.key, c.validValue));
        }
        EXPECT_EQ(saved(p.key, std::to_string(c.validValue)), c.saved) << p.key;

        enter(p, c.beyond);
        EXPECT_EQ(p.value.load(), c.bound) << p.key;
        EXPECT_EQ(lf_text(p), std::to_string(c.bound)) << p.key;
        if (!timeShift) {
            EXPECT_NE(gf_statusMessage().find("lies outside"), std::string::npos) << p.key;
        }

        enter(p, u"abc");
        EXPECT_EQ(p.value.load(), c.bound) << p.key;
        EXPECT_EQ(lf_text(p), std::to_string(c.bound)) << p.key;
        EXPECT_EQ(gf_statusMessage(), "invalid input: abc");
    }
    EXPECT_NE(logText().find("invalid input: abc"), std::string::npos);
}

TEST_F(BoxEnter, ValueBeyondABoundThatIsInForceChangesNothing)
{
    open();
    lf_timeShift(28 * 1440, true);
    g_removeAllAircraftRequest = 0;
    enter(param::TIME_SHIFT_DAYS, u"30");
    EXPECT_EQ(gf_statusMessage(), "Same TIME_SHIFT_DAYS value 28, no changes made");
    EXPECT_EQ(g_removeAllAircraftRequest.load(), 0); // no aircraft leaves
    EXPECT_EQ(g_timeShiftMinutes.load(), 28 * 1440);
    EXPECT_EQ(lf_text(param::TIME_SHIFT_DAYS), "28");
}

TEST_F(BoxEnter, NewTimeShiftRebuildsTheSceneThroughTheMainLoop)
{
    open();
    enter(param::TIME_SHIFT_HOURS, u"2");
    EXPECT_EQ(g_timeShiftMinutes.load(), 120);
    EXPECT_EQ(g_trafficClient.timeOffset.load(), 120);
    EXPECT_EQ(g_weatherClient.timeOffset.load(), 120);
    EXPECT_EQ(g_removeAllAircraftRequest.load(), 1);
    EXPECT_EQ(g_renewParkingRequest.load(), 1);
    EXPECT_EQ(gf_statusMessage(), "Time shifted 120 minutes");
    EXPECT_TRUE(saved("TIME_SHIFT_HOURS", "2"));
}

TEST_F(BoxEnter, EmptyBoxRestoresTheDefaultAndOnlyARaisedDepthAsksForRematching)
{
    open();
    enter(param::MATCHING_DEPTH, u"2");
    EXPECT_EQ(g_matchDepthRequest.load(), 0); // lowered
    enter(param::MATCHING_DEPTH, u"");
    EXPECT_EQ(param::MATCHING_DEPTH.value.load(), 4);
    EXPECT_TRUE(saved("MATCHING_DEPTH", "4"));
    EXPECT_EQ(g_matchDepthRequest.load(), 1); // raised
    enter(param::MATCHING_DEPTH, u"4");
    EXPECT_EQ(gf_statusMessage(), "Same MATCHING_DEPTH value 4, no changes made");
}

TEST_F(BoxEnter, RangeSetsTheQueryRadius)
{
    open();
    enter(param::LATERAL_RANGE, u"250");
    EXPECT_EQ(g_rangeNm.load(), 100.0);
    EXPECT_EQ(g_rangeMetres.load(), 195200u);
    EXPECT_EQ(g_airportFileChanged.load(), 1);
}

TEST_F(BoxEnter, MaxLiveIsTheUsersOwnUnlessParkingIsLoaded)
{
    open();
    enter(param::MAX_LIVE, u"12");
    EXPECT_EQ(gf_usersAirportSettings().maxLive, 12);
    EXPECT_EQ(g_airportFileChanged.load(), 0);
    g_parkAirportLoaded = 1;
    enter(param::MAX_LIVE, u"30");
    EXPECT_EQ(gf_usersAirportSettings().maxLive, 12);
    EXPECT_EQ(g_airportFileChanged.load(), 1);
    g_parkAirportLoaded = 0;
}

TEST_F(BoxEnter, ParkingBoxesAskForARenewalAtTheNextFifteenSecondStep)
{
    open();
    enter(param::CUSTOM_MAX_PARK, u"80");
    EXPECT_EQ(g_renewParkingRequest.load(), 0); // no parking loaded
    g_parkAirportLoaded = 1;
    g_secondsCounter = 7;
    enter(param::parking_percentage, u"45");
    EXPECT_EQ(gf_statusMessage(), "Tarvo will respond in 8 seconds ...");
    EXPECT_EQ(g_renewParkingRequest.load(), 1);
    g_renewParkingRequest = 0;
    param::INITIAL_LOAD_ONLY.value = 1;
    enter(param::CUSTOM_MAX_PARK, u"90");
    EXPECT_EQ(g_renewParkingRequest.load(), 0);
    EXPECT_EQ(gf_statusMessage(), "");
    g_parkAirportLoaded = 0;
}

TEST_F(BoxEnter, NumberTooLargeIsRefusedWithAReason)
{
    open();
    enter(param::LATERAL_RANGE, u"99999999999");
    EXPECT_EQ(param::LATERAL_RANGE.value.load(), 40);
    EXPECT_EQ(lf_text(param::LATERAL_RANGE), "40");
    EXPECT_EQ(gf_statusMessage(), "invalid input: 99999999999 is too large a number");
    EXPECT_NE(logText().find("===> lf_processTbInt: stoi argument out of range, h=99999999999"), std::string::npos);
    EXPECT_FALSE(saved("LATERAL_RANGE", "40"));
}

TEST_F(BoxEnter, FitMovesInHalfHoursOnlyWhileParkingIsLoaded)
{
    struct Case {
        const char16_t* typed;
        const char* shown;
        std::int32_t maxFit;
    };
    open();
    enter(param::MAX_FIT_FL, u"12.3");
    EXPECT_EQ(param::MAX_FIT.value.load(), 47); // nothing without parking; the text stays
    EXPECT_EQ(lf_text(param::MAX_FIT_FL), "12.3");
    g_parkAirportLoaded = 1;
    for (const auto& c : {Case{u"12.3", "12.5", 24}, Case{u"0", "0.5", 0}, Case{u"30", "24", 47}, Case{u"", "24", 47},
                          Case{u"x", "24", 47}, Case{u"1e999", "24", 47}}) {
        param::MAX_FIT.value = 10;
        param::MAX_FIT_FL.value = 5.5f;
        enter(param::MAX_FIT_FL, c.typed);
        const bool refused = c.typed == std::u16string_view(u"x") || c.typed == std::u16string_view(u"1e999");
        EXPECT_EQ(lf_text(param::MAX_FIT_FL), refused ? "5.5" : c.shown);
        EXPECT_EQ(param::MAX_FIT.value.load(), refused ? 10 : c.maxFit);
    }
    EXPECT_TRUE(saved("MAX_FIT", "47"));
    g_parkAirportLoaded = 0;
}

TEST_F(BoxEnter, CallsignsAreBlockedInCapitalsAndBadOnesRefused)
{
    open();
    enter(param::BLOCK_CALLSIGN, u"dlh4ab");
    EXPECT_EQ(param::BLOCK_CALLSIGN.getValue(), "DLH4AB");
    EXPECT_TRUE(saved("BLOCK_CALLSIGN", "DLH4AB"));
    EXPECT_EQ(lf_text(param::BLOCK_CALLSIGN), "DLH4AB");
    EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::UNBLOCK_BUTTON)));
    EXPECT_EQ(gf_statusMessage(), "live aircraft with callsign \"DLH4AB\" will be blocked");
    EXPECT_EQ(g_blockChangedRequest.exchange(0), 1);
    for (const char16_t* refused : {u"ABC", u"ABCDEFGHI", u"DLH 4A", u"<a/>\"x"}) {
        enter(param::BLOCK_CALLSIGN, refused);
        EXPECT_EQ(param::BLOCK_CALLSIGN.getValue(), "DLH4AB");
        EXPECT_EQ(lf_text(param::BLOCK_CALLSIGN), "DLH4AB");
        EXPECT_EQ(gf_statusMessage(), fmt::format("callsign \"{}\" is not valid", gf_utf16ToUtf8(refused)));
    }
    enter(param::BLOCK_CALLSIGN, u"DLH4AB");
    EXPECT_EQ(gf_statusMessage(), "callsign \"DLH4AB\" was already set ...");
    EXPECT_EQ(g_blockChangedRequest.load(), 0);
    enter(param::BLOCK_CALLSIGN, u"");
    EXPECT_EQ(param::BLOCK_CALLSIGN.getValue(), "");
    EXPECT_FALSE(IsWindowEnabled(gf_controlWindow(param::UNBLOCK_BUTTON)));
    EXPECT_EQ(gf_statusMessage(), "no more blocking of live aircraft \"DLH4AB\"");
    EXPECT_EQ(g_blockChangedRequest.load(), 1);
}

TEST_F(BoxEnter, DestinationIsCheckedBeforeItIsLookedUp)
{
    open();
    lf_setDestination("EFHK", {60.3172, 24.9633});
    const auto request = gf_takeDestinationRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->code, "EFHK");
    EXPECT_EQ(request->position.lat, 60.3172);
    struct Case {
        const char16_t* typed;
        const char* status;
    };
    for (const auto& c : {Case{u"zzzz", "destination \"ZZZZ\" is unknown ..."},
                          Case{u"efhk", "destination \"EFHK\" was already set ..."},
                          Case{u"EF", "destination \"EF\" is not valid"},
                          Case{u"../a", "destination \"../a\" is not valid"}}) {
        enter(param::DESTINATION, c.typed);
        EXPECT_EQ(gf_statusMessage(), c.status);
        EXPECT_EQ(lf_text(param::DESTINATION), "EFHK");
        EXPECT_EQ(param::DESTINATION.getValue(), "EFHK");
    }
    EXPECT_FALSE(gf_takeDestinationRequest());
    enter(param::DESTINATION, u"");
    EXPECT_EQ(param::DESTINATION.getValue(), "");
    EXPECT_TRUE(saved("DESTINATION", "EFHK")); // emptied in memory only
    EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(param::REREAD_BUTTON)));
}

TEST_F(BoxEnter, CallsignQueryIsAskedInCapitals)
{
    open();
    enter(param::CALLSIGN_2_OBJECTID, u"swr12");
    EXPECT_EQ(param::CALLSIGN_2_OBJECTID.getValue(), "SWR12");
    EXPECT_EQ(lf_text(param::CALLSIGN_2_OBJECTID), "SWR12");
    EXPECT_EQ(g_callsignQueryRequest.exchange(0), 1);
    enter(param::CALLSIGN_2_OBJECTID, u"SW R");
    EXPECT_EQ(gf_statusMessage(), "callsign \"SW R\" is not valid");
    EXPECT_EQ(g_callsignQueryRequest.load(), 0);
    EXPECT_EQ(lf_text(param::CALLSIGN_2_OBJECTID), "SWR12");
    enter(param::CALLSIGN_2_OBJECTID, u"");
    EXPECT_EQ(param::CALLSIGN_2_OBJECTID.getValue(), "");
    EXPECT_FALSE(parametersText().find("CALLSIGN_2_OBJECTID\" value=\"SWR12") != std::string::npos);
}

// A box whose text is no valid UTF-16 (a lone surrogate, a pair cut at the length read) is refused
// like a bad value: never taken for an empty box, which would reset a number or clear the path.
TEST_F(BoxEnter, TextThatIsNoValidUnicodeIsRefused)
{
    open();
    enter(param::MATCHING_DEPTH, u"2");
    param::MSFS_2020.value = 1;
    const std::string path = dir.path().string();
    param::MSFS_INSTALL_PATH.setValue(path);
    std::u16string cutPair(1021, u'1');
    cutPair += {char16_t(0xD83D), char16_t(0xDE00)}; // the read ends between the two
    for (const std::u16string& text : {std::u16string{u'1', char16_t(0xD800)}, cutPair}) {
        for (const ParameterControl* box : {static_cast<const ParameterControl*>(&param::MATCHING_DEPTH),
                                            static_cast<const ParameterControl*>(&param::ALL_INSTALL_PATH)}) {
            const HWND control = gf_controlWindow(*box);
            EnableWindow(control, TRUE);
            SetWindowTextW(control, text.c_str());
            win32test::pressEnter(control);
            EXPECT_EQ(gf_statusMessage(), "invalid input: the text is not valid Unicode") << box->controlId;
        }
        EXPECT_EQ(param::MATCHING_DEPTH.value.load(), 2);
        EXPECT_EQ(lf_text(param::MATCHING_DEPTH), "2");
        EXPECT_EQ(param::MSFS_INSTALL_PATH.getValue(), path);
    }
    EXPECT_TRUE(saved("MATCHING_DEPTH", "2"));
    param::MSFS_INSTALL_PATH.setValue("");
    param::MATCHING_DEPTH.value = param::MATCHING_DEPTH.defaultValue;
}

TEST_F(BoxEnter, TypedPathIsStoredAsThePackagesFolderThenTheProgramRestarts)
{
    open();
    test::ExitRecorder exits;
    const auto packages = dir / "Packages";
    std::filesystem::create_directories(packages / "Community");
    std::filesystem::create_directories(dir / "Elsewhere");
    param::MSFS_2020.value = 1;
    gf_showErrorMessage("lf_startUpTarvo: 150: No install path detected");
    enter(param::ALL_INSTALL_PATH, gf_utf8ToUtf16((dir / "missing").string()));
    EXPECT_EQ(gf_statusMessage(), "This install path does not exist: " + (dir / "missing").string());
    enter(param::ALL_INSTALL_PATH, gf_utf8ToUtf16((dir / "Elsewhere").string()));
    EXPECT_EQ(gf_statusMessage(), "This path exists but is not a path to Community ...");
    EXPECT_EQ(lf_text(param::ALL_INSTALL_PATH), (dir / "Elsewhere").string()); // the typed text stays
    EXPECT_EQ(g_exitRequested.load(), 0);

    enter(param::ALL_INSTALL_PATH, gf_utf8ToUtf16((packages / "Community").string()));
    EXPECT_EQ(param::MSFS_INSTALL_PATH.getValue(), packages.string());
    EXPECT_TRUE(saved("MSFS_INSTALL_PATH", packages.string()));
    EXPECT_EQ(gf_statusMessage(), "Community path found, Tarvo will restart ...");
    EXPECT_EQ(g_exitReason.load(), 3);
    EXPECT_EQ(test::ExitRecorder::restartSeconds(), 3);
}

// Windows finds a folder by its name in any letter case, and so does the program: a Community folder
// named or typed in other letters is the packages folder's.
TEST_F(BoxEnter, TypedCommunityFolderInAnyLetterCaseIsAccepted)
{
    open();
    test::ExitRecorder exits;
    param::MSFS_2020.value = 1;
    for (const char* name : {"community", "COMMUNITY", "CoMmUnItY"}) {
        const auto packages = dir / (std::string("Packages-") + name);
        std::filesystem::create_directories(packages / name);
        enter(param::ALL_INSTALL_PATH, gf_utf8ToUtf16((packages / name).string()));
        EXPECT_EQ(param::MSFS_INSTALL_PATH.getValue(), packages.string()) << name;
        EXPECT_EQ(gf_statusMessage(), "Community path found, Tarvo will restart ...") << name;
    }
    param::MSFS_INSTALL_PATH.setValue("");
}

// Ctrl+A then a digit replaces the value shown, as on Windows (it used to append "a" and the digit).
TEST_F(BoxEnter, SelectAllThenTypingReplacesTheValue)
{
    open();
    const HWND box = gf_controlWindow(param::MATCHING_DEPTH);
    EnableWindow(box, TRUE);
    const std::int32_t before = param::MATCHING_DEPTH.value.load();
    const std::int32_t other = before == 2 ? 3 : 2;
    SetWindowTextW(box, gf_platformToUtf16(std::to_string(before)).c_str());
    win32test::click(box);
    win32test::pressControlLetter(box, u'a');
    win32test::typeText(box, gf_platformToUtf16(std::to_string(other)));
    win32test::pressEnter(box);
    EXPECT_EQ(param::MATCHING_DEPTH.value.load(), other);
    EXPECT_EQ(lf_text(param::MATCHING_DEPTH), std::to_string(other));
    EXPECT_EQ(gf_statusMessage(), fmt::format("The new MATCHING_DEPTH is {}", other));
}

} // namespace
} // namespace zyn
