#include "aircraft/aircraft_db.h"
#include "livery/fltsim_section.h"
#include "settings/settings.h"
#include "tests/livery/livery_read_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using test::lines;
using Lines = std::vector<std::string>;

const std::filesystem::path kFolder{"pkg/SimObjects/Airplanes/x"};
const std::filesystem::path kPath{kFolder / "aircraft.cfg"};

class FltsimSection : public test::LiveryReadTest {
protected:
    FltsimSection()
    {
        gf_clearDbase();
        g_aircraftTypes = {"A320", "B738", "C172"};
        g_largeTypes = {"A320", "B738"};
        g_icaoAirlines = {"BAW", "DLH", "ZZZ"};
        g_registrations = {{"D-ABCD", {"DLH", "A320", "", false}},
                           {"AB-CDE", {"BAW", "B738", "", false}},
                           {"N12", {"PVT", "C172", "", false}}};
    }
    ~FltsimSection() override
    {
        gf_clearDbase();
        param::SUPPRESS_STUB.value = 1;
    }

    std::list<LiveryData> read(Lines body, const std::string& type = "B738")
    {
        body.insert(body.begin(), "[fltsim.0]");
        return lf_procesFltSimSection(3, body, type, kPath, kFolder);
    }
    static LiveryData livery(std::string airl, std::string title, std::string atcid, bool cargo = false)
    {
        return {std::move(airl), "B738", std::move(title), std::move(atcid), 3, cargo};
    }
};

TEST_F(FltsimSection, ValidSectionsBecomeOneLivery)
{
    struct Case {
        Lines body;
        LiveryData expected;
    };
    const Case cases[] = {
        {{"title=T1", "icao_airline=dlh", "atc_id=D-ABCD"}, livery("DLH", "T1", "D-ABCD")},
        {{"title=\"  T2 \"", "icao_airline=DLHC"}, livery("DLH", "T2", "")},
        {{"title=T3", "icao_airline=DLHX", "atc_id = D-ABCD;old"}, livery("DLH", "T3", "D-ABCD")},
        {{"title=T4", "icao_airline=ZZZZ", "atc_id=D-ABCD"}, livery("ZZZ", "T4", "")},
        {{"title=T5", "icao_airline=DLH", "atc_id=D-ABCD,D-ABCE"}, livery("DLH", "T5", "")},
        {{"title=T6", "icao_airline=DLH", "atc_parking_types=GATE_HEAVY, CARGO"}, livery("DLH", "T6", "")},
        {{"title=T7", "icao_airline=DLH", "atc_parking_types=cargo"}, livery("DLH", "T7", "", true)},
        {{"title=T8", "atc_id=ABCDE"}, livery("BAW", "T8", "ABCDE")},
        {{"title=T9-STUBBY", "icao_airline=DLH", "// atc_id=D-ABCD", ""}, livery("DLH", "T9-STUBBY", "")},
        {{"title=T10", "icao_airline=ABCD", "icao_airline=DLH"}, livery("DLH", "T10", "")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(read(c.body), std::list<LiveryData>{c.expected}) << c.body.front();
    EXPECT_EQ(lines(g_invalidAirlineList.lines), Lines{"ABCD         in " + kPath.string() + " [fltsim.0]"});
    EXPECT_TRUE(g_incompleteSectionList.lines.empty());
    EXPECT_TRUE(logLines().empty());
}

TEST_F(FltsimSection, LightAircraftWithoutAirlineArePrivate)
{
    EXPECT_EQ(read({"title=Cessna N12 club"}, "C172"),
              (std::list<LiveryData>{{"PVT", "C172", "Cessna N12 club", "N12", 3, false}}));
    EXPECT_EQ(read({"title=Cessna", "atc_id=XY-ZZZ"}, "C172"),
              (std::list<LiveryData>{{"PVT", "C172", "Cessna", "XY-ZZZ", 3, false}}));
}

TEST_F(FltsimSection, RefusedSectionsNameTheirProblem)
{
    const auto f = kFolder.string();
    const std::pair<Lines, std::string> cases[] = {
        {{"title=A", "title=B"}, f + " [fltsim.0] has more than one title key"},
        {{"title=A", "icao_airline=DLH", "icao_airline=BAW"}, f + " [fltsim.0] has more than one icao_airline key"},
        {{"title=A", "atc_parking_types=GATE", "atc_parking_types=RAMP"},
         f + " [fltsim.0] has more than one atc_parking_types key"},
        {{"title=A", "atc_id=D-ABCD", "// atc_id=D-ABCE", "icao_airline=DLH"},
         f + ", [fltsim.0], has more than one atc_id key"},
        {{"icao_airline=DLH"}, f + " [fltsim.0] misses title"},
        {{"title=A"}, "\"" + f + "\" \"[fltsim.0]\" has no airline and no regcode info"},
        {{"title=A", "atc_id=XY-ZZZ"},
         "\"" + f + "\" \"[fltsim.0]\" has no airline and its regcode is not in my dbase (very old liv?)"},
    };
    for (const auto& [body, problem] : cases) {
        g_incompleteSectionList.lines.clear();
        EXPECT_TRUE(read(body).empty()) << problem;
        EXPECT_EQ(lines(g_incompleteSectionList.lines), Lines{problem});
    }
    EXPECT_TRUE(g_titleSet.titles.empty()) << "a refused section leaves its title free";
}

TEST_F(FltsimSection, SomeTitlesAreDroppedWithoutTrace)
{
    g_dontUseTitles = {"Not wanted"};
    for (const auto* title : {"title=PMDG 737-800 House", "title=FenixA320 X", "title=Demo-STUB", "title=Not wanted"})
        EXPECT_TRUE(read({title, "icao_airline=DLH"}).empty()) << title;
    EXPECT_TRUE(read({"title=R", "icao_airline=RFO"}).empty());
    EXPECT_TRUE(g_incompleteSectionList.lines.empty());
    EXPECT_TRUE(g_invalidAirlineList.lines.empty());
    param::SUPPRESS_STUB.value = 0;
    EXPECT_EQ(read({"title=Demo-STUB", "icao_airline=DLH"}).size(), 1u);
}

TEST_F(FltsimSection, FirstSectionWithATitleWinsIt)
{
    EXPECT_EQ(read({"title=Same", "icao_airline=DLH"}).size(), 1u);
    EXPECT_TRUE(read({"title=Same", "icao_airline=BAW"}).empty());
    EXPECT_EQ(lines(g_incompleteSectionList.lines), Lines{kFolder.string() + " [fltsim.0] title \"Same\" already exists"});
}

TEST_F(FltsimSection, FaultyRegistrationsAreLoggedAndDropped)
{
    EXPECT_EQ(read({"title=W", "icao_airline=DLH", "atc_id=N123*"}).front().atcid, "");
    EXPECT_EQ(read({"title=L", "icao_airline=DLH", "atc_id=ABCDEFGHIJKLM"}).front().atcid, "");
    EXPECT_EQ(read({"title=E", "icao_airline=DLH", "atc_id=D-ABCD,,D-ABCE"}).front().atcid, "");
    EXPECT_EQ(logLines(), (Lines{"===> W N123* wild cards no longer supported, atc_id skipped ",
                                 "regcode: ABCDEFGHIJKLM, has more than 12 chars or contains UTF16 chars in \"L\"?",
                                 "empty regcode in E D-ABCD,,D-ABCE"}));
}

} // namespace
} // namespace zyn
