#include "airport/apf_read.h"
#include "airport/learned_merge.h"
#include "airport/park_airport_state.h"
#include "airport/quality_factor.h"
#include "base/errors.h"
#include "base/folders.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"
#include "platform/system/full_disk.h"
#include "settings/settings.h"
#include "shown/display_texts.h"
#include "tests/airport/airport_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cstddef>
#include <system_error>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using A = tools::Attributes;

class ApfRead : public test::AirportFixture {
protected:
    std::string read(const std::string& fileName)
    {
        return gf_readApf(fileName, info, quality, stands).value_or("(on its way)");
    }
    std::vector<std::string> ids() const
    {
        std::vector<std::string> list;
        for (const auto& s : stands)
            list.push_back(fmt::format("{}:{}", s.sid, s.id));
        return list;
    }
};

// Three stands in a row, 30 m apart: 20 m radii overlap their neighbours only.
tools::ApfSpec lf_threeStands(A parameters)
{
    const double metre = 1.0 / 111120.0;
    tools::ApfSpec spec{.parameters = std::move(parameters)};
    for (int i = 0; i < 3; ++i)
        spec.stands.push_back(test::fullStand(fmt::format("G{}", i + 1), 50.0 + i * 30 * metre, 10.0, {},
                                              {{{"reg", "TV-AAA"}, {"airl", "ZYN"}, {"type", "A320"}, {"day", "1"}, {"hh", "8"}}}));
    return spec;
}

TEST_F(ApfRead, LocalFileIsMergedNumberedLinkedAndSummarised)
{
    writeApf("airports/my_thirdparty/EDDT.xml",
             lf_threeStands({{"airport_name", "Test field"}, {"publisher", "Some Maker"}, {"altitude", "1234"},
                             {"Qf_real", "90"}, {"Qf_soft", "80"}, {"RT_traffic_week", "3"}}));
    tools::ApfSpec learned{.parameters = {{"parking_percentage", "55"}}};
    learned.stands = {{{{"id", "G2"}}, {{{"reg", "TV-BBB"}, {"airl", "TVO"}, {"type", "B738"}, {"day", "4"}, {"hh", "9"}, {"soft", "1"}}}}};
    writeApf("airports/learned/thirdparty/Some Maker/EDDT.xml", learned);

    EXPECT_EQ(read("airports/my_thirdparty/EDDT.xml"), "");
    EXPECT_EQ(ids(), (std::vector<std::string>{"1:G1", "2:G2", "3:G3"}));
    EXPECT_EQ(stands[0].adjacent, std::vector<std::uint32_t>{2});
    EXPECT_EQ(stands[1].adjacent, (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(stands[2].adjacent, std::vector<std::uint32_t>{2});
    EXPECT_EQ(stands[1].options.size(), 2u);
    EXPECT_EQ(quality, gf_qualityFactor(stands)); // computed, not the file's 90/80
    EXPECT_NE(quality, gf_qualityPair(90, 80));
    EXPECT_EQ(info.learnedPath, fs::path("airports/learned/thirdparty/Some Maker/EDDT.xml"));
    EXPECT_EQ(param::parking_percentage.value.load(), 55);
    EXPECT_EQ(gf_parkAirport().altitude, 1234.0);
    EXPECT_EQ(g_rtTrafficWeek, 3);
    EXPECT_EQ(g_parkAirportLoaded.load(), 1);
    const std::vector<std::string> summary{
        "Airport file read from \"airports/my_thirdparty/EDDT.xml\" for Test field",
        "          publisher               : Some Maker",
        "          altitude                : 1234 ft",
        "          num_parkpos             : 3",
        fmt::format("          quality factor          : {}", lf_qualityPairText(quality)),
        "          RT traffic week         : 3",
    };
    const auto lines = logLines();
    const auto at = std::ranges::find(lines, summary[0]);
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(std::vector<std::string>(at, at + static_cast<std::ptrdiff_t>(summary.size())), summary);
    const ParkingDisplay shown = gf_displayTexts().parking;
    EXPECT_TRUE(shown.parkFileRead);
    EXPECT_EQ(shown.stands, 3u);
    EXPECT_EQ(shown.fileText1, "Some Maker");
    EXPECT_EQ(shown.fileText2, "Test field");
    EXPECT_FALSE(shown.handmade);
    EXPECT_EQ(shown.trafficWeek, 3);
    EXPECT_EQ(shown.qualityText, lf_qualityPairText(quality));
}

TEST_F(ApfRead, ServerFileIsFetchedAndKeepsItsOwnFactorsWithoutALearnedFile)
{
    param::parking_percentage.value = 80;
    serveApf("MSFS/archive/stock/EDDT.xml", lf_threeStands({{"airport_name", "Test field"}, {"publisher", "stock"},
                                                             {"altitude", "-12"}, {"Qf_real", "12"}}));
    EXPECT_EQ(read("archive/stock/EDDT.xml"), "");
    EXPECT_EQ(stands.size(), 3u);
    EXPECT_EQ(quality, gf_qualityPair(12, -1));
    EXPECT_EQ(gf_displayTexts().parking.qualityText, "12/-1");
    EXPECT_EQ(param::parking_percentage.value.load(), 30);
    EXPECT_TRUE(logHas("          parking_percentage      : 30%"));
    EXPECT_TRUE(fs::exists(gf_userDataPath() / "park_airport.xml"));
    EXPECT_EQ(info.learnedPath, fs::path("airports/learned/stock/EDDT.xml"));
}

// What the system says of a full disk where the fetched file is copied for its read (a copy of the
// file system's, with Windows' own error on Windows).
std::string lf_diskFull()
{
#ifdef _WIN32
    return gf_errorText(std::error_code(112, std::system_category())); // ERROR_DISK_FULL
#else
    return std::make_error_code(std::errc::no_space_on_device).message();
#endif
}

TEST_F(ApfRead, FileThatCannotBeReadGivesTheReason)
{
    const std::string meta = R"(<meta><info name="author" value="Tarvo"/><info name="date" value="d"/><info name="version" value="1"/></meta>)";
    // The per-user folder's disk, where a server file is copied for its read, or the program folder's,
    // where it comes.
    enum class Full { None, UserDisk, ProgramDisk };
    const struct {
        const char* name;
        const char* fileName;
        std::string content; // written at fileName (local) or served (server path); empty: nothing
        std::string result;  // {} stands for the file name; a prefix
        Full diskFull = Full::None;
    } rows[] = {
        {"empty name", "", "", "gf_readApf xml is empty..."},
        {"not on the server", "archive/stock/EDDT.xml", "", "failed to download EDDT.xml: the server has no such file"},
        // Delivered, but not written: not the server's fault. The file's name and the reason first, as
        // the status line's width may cut the folder.
        {"the per-user disk full", "archive/stock/EDDT.xml", meta,
         fmt::format("could not write park_airport.xml: {} (in \"{}\")", lf_diskFull(), gf_utf8FromPath(gf_userDataPath())),
         Full::UserDisk},
        // The download writes with the C runtime, whose word for a full disk is errno's on Windows too.
        {"the program folder's disk full", "archive/simaddon/EDDT.xml", meta,
         fmt::format("could not write EDDT.xml: {}, asked again after a pause (in the Tarvo folder \"{}\")",
                     gf_errorText(std::make_error_code(std::errc::no_space_on_device)), gf_utf8FromPath(fs::current_path())),
         Full::ProgramDisk},
        {"unsafe location", "airports/../../etc/EDDT.xml", "", "gf_readApf \"airports/../../etc/EDDT.xml\" refused"},
        {"not XML", "airports/my_thirdparty/EDDT.xml", "this is no XML", "airports/my_thirdparty/EDDT.xml could not be loaded: "},
        {"truncated", "airports/my_thirdparty/EDDT.xml", meta + "<parameters><parameter name=\"altitude\" value=\"1\"/></parameters><parkpositions><parkpos id=\"A\" lat",
         "airports/my_thirdparty/EDDT.xml could not be loaded: "},
        {"another maker's meta", "airports/my_thirdparty/EDDT.xml", "<meta/><parameters/>",
         "airports/my_thirdparty/EDDT.xml but refused to load, copyright problem"},
        {"no parkpositions", "airports/my_thirdparty/EDDT.xml", meta + R"(<parameters><parameter name="altitude" value="5"/></parameters>)",
         "no stands found"},
    };
    for (const auto& row : rows) {
        stands.clear();
        if (row.diskFull != Full::None) {
            serve("MSFS/" + std::string(row.fileName), row.content);
            gf_setFullDisk(FullDisk{row.diskFull == Full::UserDisk ? gf_userDataPath() : fs::path(), 100});
        } else if (!row.content.empty()) {
            test::writeText(row.fileName, row.content);
        }
        const std::size_t logged = logLines().size();
        const std::string result = read(row.fileName);
        gf_setFullDisk(std::nullopt);
        EXPECT_TRUE(result.starts_with(row.result)) << row.name << ": " << result;
        EXPECT_TRUE(stands.empty()) << row.name;
        if (row.diskFull == Full::UserDisk) { // the download's own line only: what was asked, the file whole, why
            const auto lines = logLines();
            EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(logged), lines.end()),
                      std::vector<std::string>{fmt::format("          {}MSFS/{}: could not write \"{}\": {}", server.baseUrl(),
                                                           row.fileName, gf_utf8FromPath(gf_userDataPath() / "park_airport.xml"),
                                                           lf_diskFull())})
                << row.name;
        }
    }
    gf_setParkAirport({});
    EXPECT_EQ(read("airports/my_thirdparty/EDDT.xml"), "gf_readApf no park airport set");
}

TEST_F(ApfRead, AltitudeMustBeGivenAndPlausible)
{
    for (const auto& [altitude, message] : std::vector<std::pair<const char*, const char*>>{
             {nullptr, "65: Parameter altitude not found"}, {"40000", "65: Parameter altitude 40000 out of range"},
             {"high", "65: Parameter altitude \"high\" is no number"}}) {
        A parameters{{"airport_name", "Test field"}};
        if (altitude)
            parameters.emplace_back("altitude", altitude);
        writeApf("airports/my_simaddon/EDDT.xml", lf_threeStands(parameters));
        try {
            read("airports/my_simaddon/EDDT.xml");
            ADD_FAILURE() << "no error for " << message;
        } catch (const UserErrorException& e) {
            EXPECT_EQ(e.code(), 65);
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_TRUE(stands.empty());
    }
}

TEST_F(ApfRead, RepeatedStandIsSkippedAndEveryStandNumbered)
{
    tools::ApfSpec spec = lf_threeStands(test::stockParameters());
    spec.stands.insert(spec.stands.begin() + 1, test::fullStand("G1", 51.0, 11.0));   // the same id again
    spec.stands.insert(spec.stands.begin() + 2, test::fullStand("Z0", 0.0, 0.0));     // no position: its id is used up
    spec.stands.push_back(test::fullStand("Z0", 51.0, 11.0));
    spec.stands.push_back(test::fullStand("BAD", 51.0, 11.0, {{"latitude", "nan"}})); // never a stand
    writeApf("airports/my_thirdparty/EDDT.xml", spec);
    EXPECT_EQ(read("airports/my_thirdparty/EDDT.xml"), "");
    EXPECT_EQ(ids(), (std::vector<std::string>{"1:G1", "2:G2", "3:G3"}));
    EXPECT_TRUE(logHas("===> airports/my_thirdparty/EDDT.xml: parkpos \"G1\": Parking position G1 appears more than once?, skipped"));
    EXPECT_TRUE(logHas("===> airports/my_thirdparty/EDDT.xml: parkpos \"Z0\": Parking position Z0 appears more than once?, skipped"));
    EXPECT_TRUE(logHas("===> airports/my_thirdparty/EDDT.xml: parkpos \"BAD\": latitude \"nan\" is no number, skipped"));
}

TEST_F(ApfRead, HandmadeLearnedFileOverrulesTheFile)
{
    writeApf("airports/my_simaddon/EDDT.xml", lf_threeStands(test::stockParameters("Test field", "simaddon")));
    tools::ApfSpec handmade{.parameters = {{"handmade", "true"}}};
    handmade.stands = {test::fullStand("H1", 50.0, 10.0), test::fullStand("H1", 50.1, 10.0), test::fullStand("H2", 50.2, 10.0)};
    writeApf("airports/learned/my_simaddon/EDDT.xml", handmade);
    EXPECT_EQ(read("airports/my_simaddon/EDDT.xml"), "");
    EXPECT_EQ(ids(), (std::vector<std::string>{"1:H1", "2:H2"}));
    EXPECT_TRUE(g_handmade);
    EXPECT_TRUE(gf_displayTexts().parking.handmade);
    EXPECT_TRUE(logHas("A handmade airport file overruled the archived file!"));
    EXPECT_TRUE(logHas("Airport file read from \"airports/learned/my_simaddon/EDDT.xml\" for Test field"));
    EXPECT_EQ(quality, gf_qualityPair(-1, -1)); // computed: the handmade stands have no options
}

} // namespace
} // namespace zyn
