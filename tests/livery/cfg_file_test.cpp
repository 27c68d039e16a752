#include "aircraft/aircraft_db.h"
#include "base/encoding.h"
#include "livery/cfg_reader.h"
#include "livery/ivao_liveries.h"
#include "tests/livery/livery_read_fixture.h"

#include <gtest/gtest.h>

#include <future>

namespace zyn {
namespace {

using test::lines;
using Lines = std::vector<std::string>;
using Liveries = std::list<LiveryData>;

// Two liveries of a B738 package, with Windows line ends.
const std::string kTwoLiveries = "[General]\r\nicao_type_designator = \"b738\"\r\n"
                                 "[FLTSIM.1]\r\ntitle=Second\r\nicao_airline=BAW\r\n"
                                 "[fltsim.0]\r\ntitle=First\r\nicao_airline=DLH\r\natc_id=D-ABCD\r\n";

std::string utf16LittleEndian(const std::string& text)
{
    std::string bytes = "\xFF\xFE";
    for (const WCHAR c : gf_utf8ToUtf16(text)) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

class CfgFiles : public test::LiveryReadTest {
protected:
    CfgFiles()
    {
        gf_clearDbase();
        g_aircraftTypes = {"A320", "B738", "B78X"};
        g_largeTypes = g_aircraftTypes;
        g_icaoAirlines = {"BAW", "DLH", "ZZZ"};
        g_modelFixes = {{"B73H", "B73X"}};
        g_registrations = {{"AB-CDE", {"BAW", "B738", "", false}}};
    }
    ~CfgFiles() override { gf_clearDbase(); }

    Liveries readCfg(const std::string& text, const std::filesystem::path& relative = "pkg/a/aircraft.cfg")
    {
        return lf_searchLiveriesinFile(2, writeFile(relative, text));
    }
    std::string path(const std::filesystem::path& relative) const { return (dir / relative).string(); }
};

TEST_F(CfgFiles, ReadsEveryEncodingAlike)
{
    const Liveries expected{{"BAW", "B738", "Second", "", 2, false}, {"DLH", "B738", "First", "D-ABCD", 2, false}};
    for (const auto& text : {kTwoLiveries, "\xEF\xBB\xBF" + kTwoLiveries, utf16LittleEndian(kTwoLiveries)}) {
        g_titleSet.titles.clear();
        EXPECT_EQ(readCfg(text), expected);
    }
    EXPECT_TRUE(g_incompleteSectionList.lines.empty());
}

TEST_F(CfgFiles, TypeComesFromTheFileOrItsStockModel)
{
    const std::pair<std::string, std::string> cases[] = {
        {"[fltsim.0]\ntitle=S\nicao_airline=DLH\nicao_type_designator=A320", "A320"},
        {"[General]\nbase_container=\"\"\nbase_container=..\\Asobo_B787_10\n[fltsim.0]\ntitle=B\nicao_airline=DLH", "B78X"},
        {"[General]\nicao_type_designator=B73H\n[fltsim.0]\ntitle=F\nicao_airline=DLH", "B73X"},
    };
    for (const auto& [text, type] : cases) {
        const auto liveries = readCfg(text);
        ASSERT_EQ(liveries.size(), 1u) << text;
        EXPECT_EQ(liveries.front().type, type);
    }
    EXPECT_EQ(g_fixList.lines, Lines{"Model fix: B73H found in " + path("pkg/a/aircraft.cfg") + " changed into B73X"});
}

TEST_F(CfgFiles, FilesWithoutUsableTypeYieldNothing)
{
    EXPECT_TRUE(readCfg("icao_type_designator=XXXX\nicao_type_designator=B738\n[fltsim.0]\ntitle=X\nicao_airline=DLH").empty());
    EXPECT_EQ(lines(g_invalidTypeList.lines), Lines{"XXXX             in " + path("pkg/a/aircraft.cfg")});
    EXPECT_TRUE(readCfg("base_container=..\\..\\Asobo_B787_10\n[fltsim.0]\ntitle=Y\nicao_airline=DLH", "b/aircraft.cfg").empty());
    EXPECT_TRUE(readCfg("[fltsim.0]\ntitle=Z\nicao_airline=DLH", "fnx-aircraft-320/aircraft.cfg").empty());
    EXPECT_TRUE(readCfg("[fltsim.0]\ntitle=Z\n[fltsim.2]\ntitle=Z2\nicao_type_designator=B738", "c/aircraft.cfg").empty());
    EXPECT_EQ(lines(g_invalidFileList.lines),
              (Lines{"Line icao_type_designator= is missing in [General] section of " + path("b/aircraft.cfg"),
                     path("c/aircraft.cfg") + " contains non-consecutive [fltsim.x] numbers at .x=2"}));
    EXPECT_TRUE(lf_searchLiveriesinFile(1, dir / "gone/aircraft.cfg").empty());
    EXPECT_TRUE(g_titleSet.titles.empty());
}

using CfgFilesThreads = CfgFiles;

TEST_F(CfgFilesThreads, EachTitleGoesToOneFileWhenWorkersReadAtOnce)
{
    constexpr int kFiles = 8;
    std::vector<std::future<Liveries>> workers;
    for (int i = 0; i < kFiles; ++i) {
        const auto cfg = writeFile("pkg" + std::to_string(i) + "/aircraft.cfg", kTwoLiveries);
        workers.push_back(std::async(std::launch::async, [cfg] { return lf_searchLiveriesinFile(1, cfg); }));
    }
    std::size_t found = 0;
    for (auto& worker : workers)
        found += worker.get().size();
    EXPECT_EQ(found, 2u);
    EXPECT_EQ(g_incompleteSectionList.lines.size(), 2u * (kFiles - 1));
}

class IvaoFiles : public CfgFiles {
protected:
    // An IVAO model folder with the given texture folders.
    std::filesystem::path model(const std::string& folder, const std::string& text, const Lines& textures)
    {
        const auto cfg = writeFile("Community/IVAO_MTL/SimObjects/Airplanes/" + folder + "/aircraft.cfg", text);
        for (const auto& t : textures)
            std::filesystem::create_directories(cfg.parent_path() / ("texture." + t));
        return cfg;
    }
};

TEST_F(IvaoFiles, TypeFromTheModelFolderAndAirlineFromTheTitle)
{
    const auto cfg = model("IVAO_B738WLfa",
                           "[fltsim.0]\ntitle=B738W DLH Lufthansa\ntexture=DLH\natc_id=G-BAFM\n"
                           "[fltsim.1]\ntitle=Boeing BAW\ntexture = BAW [new]\natc_id=ABCDE\n",
                           {"DLH", "BAW"});
    EXPECT_TRUE(lf_isIvaoPath(cfg));
    EXPECT_EQ(lf_searchIvaoLiveriesinFile(4, cfg),
              (Liveries{{"DLH", "B738", "B738W DLH Lufthansa", "", 4, false}}));
    // The bracket ended the second section before its texture and registration.
    EXPECT_EQ(lines(g_incompleteSectionList.lines),
              Lines{(cfg.parent_path() / "texture.").string() + " [fltsim.1] does not exist"});
    EXPECT_EQ(lf_fixIvaoTypeDesignator(dir / "IVAO_MTL/Airplanes/IVAO_A320/aircraft.cfg"), "");
}

TEST_F(IvaoFiles, SectionsAreRefusedForTheirTextureTitleOrAirline)
{
    const auto cfg = model("IVAO_A320",
                           "[fltsim.0]\ntitle=A320 BAW\ntexture=none\n"
                           "[fltsim.1]\ntitle=A320 dlh\ntexture=1\n"
                           "[fltsim.2]\ntitle=Airbus A320\ntexture=1\natc_id=XY-ZZZ\n"
                           "[fltsim.3]\ntitle=Airbus\ntexture=1\natc_id=ABCDE\n",
                           {"1"});
    EXPECT_EQ(lf_searchIvaoLiveriesinFile(1, cfg), (Liveries{{"BAW", "A320", "Airbus", "ABCDE", 1, false}}));
    const auto folder = cfg.parent_path().string();
    EXPECT_EQ(lines(g_incompleteSectionList.lines),
              (Lines{(cfg.parent_path() / "texture.none").string() + " [fltsim.0] does not exist",
                     folder + " [fltsim.2] misses airlinecode in title: Airbus A320, and regcode unknownXY-ZZZ"}));
    EXPECT_EQ(lines(g_invalidAirlineList.lines), Lines{"dlh          in " + cfg.string() + " [fltsim.1]"});
}

TEST_F(IvaoFiles, TypeFromPathsOfEveryForm)
{
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\MSFS\\Community\\ivao_x-csl\\SimObjects\\Airplanes\\IVAO_A320wCFM\\aircraft.cfg", "A320"},
        {"x/ivao_mtl/simobjects/AIRPLANES/ivao_B738/Aircraft.CFG", "B738"},
        {"x/IVAO_MTL\\SimObjects/Airplanes\\IVAO_B78X/aircraft.cfg", "B78X"},
        {"/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg", ""}, // nothing before the package
        {"x/IVAO_MTL/SimObjects/Airplanes/IVAO_/aircraft.cfg", ""},
        {"x/IVAO_MTL/SimObjects/Airplanes/IVAO_A-20/aircraft.cfg", ""},
        {"x/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg.bak", ""},
        {"x/IVAO_MTL/SimObjects/Helicopters/IVAO_A320/aircraft.cfg", ""},
        {"x\nz/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg", ""}, // a line break in the path
        {std::string(40000, 'a') + "/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg", "A320"},
    };
    for (const auto& [path, type] : cases)
        EXPECT_EQ(lf_fixIvaoTypeDesignator(path), type) << path.substr(0, 80);
}

TEST_F(IvaoFiles, AirlineFromTitlesOfAnyLength)
{
    const std::string longTitle = "A320 BAW " + std::string(40000, 'x');
    const auto cfg = model("IVAO_A320", "[fltsim.0]\ntitle=A320\tDLH Lufthansa\ntexture=1\n"
                                        "[fltsim.1]\ntitle=" + longTitle + "\ntexture=1\n"
                                        "[fltsim.2]\ntitle=A320 B-W\ntexture=1\n",
                           {"1"});
    EXPECT_EQ(lf_searchIvaoLiveriesinFile(1, cfg), (Liveries{{"DLH", "A320", "A320\tDLH Lufthansa", "", 1, false},
                                                             {"BAW", "A320", longTitle, "", 1, false}}));
    EXPECT_EQ(lines(g_incompleteSectionList.lines),
              Lines{cfg.parent_path().string() + " [fltsim.2] misses airlinecode in title: A320 B-W, and no regcode"});
}

} // namespace
} // namespace zyn
