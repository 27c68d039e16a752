#include "airport/park_airport_state.h"
#include "base/time_util.h"
#include "settings/settings.h"
#include "tests/support/bounded_thread.h"
#include "tests/support/dbase_fixture.h"
#include "tests/traffic/service_fixture.h"
#include "traffic/intake.h"
#include "traffic/parked_traffic.h"
#include "traffic/query_box.h"
#include "traffic/reader.h"

#include <gtest/gtest.h>

#include <optional>

namespace zyn {
namespace {

using nlohmann::json;
using tools::EndpointFault;

constexpr double kMonday2345 = 1796601600.0 + 23 * 3600 + 45 * 60; // Mon 2026-12-07 23:45 UTC

tools::DbaseContent lf_parkedDbase()
{
    auto content = test::dbaseWith({"A320", "B744", "EC35", "C172"}, {"KLM", "DLH"},
                                   {{"PH-BFA", {"KLM", "B744", "", false}}, {"D-AIBA", {"DLH", "A320", "CLH", false}}});
    content.large = {"A320"};
    content.heavy = {"B744"};
    content.rotorcraft = {"EC35"};
    return content;
}

json lf_parked(json callsign = "KLM123", json type = "A320", json registration = "null", json stand = "D7",
               json lat = 52.3086, json lon = 4.7639, json time = kMonday2345)
{
    return json::array({lat, lon, stand, type, registration, time, callsign});
}

class ParkedEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_setReservedStand("");
        param::HELICOPTERS.value.store(1);
    }

    std::optional<ParkedTrafficRecord> parse(const json& entry, const std::string& key = "484cb8")
    {
        client.parkedList.clear();
        client.parkedEntry = entry;
        processParkedTrafficLine(client, key);
        if (client.parkedList.empty()) return std::nullopt;
        return client.parkedList.back();
    }

    test::ScopedDbase dbase{lf_parkedDbase()};
    TrafficClient client;
};

TEST_F(ParkedEntry, ReadsEveryField)
{
    const auto r = parse(lf_parked());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->hexId, 0x484cb8u);
    EXPECT_EQ(r->head.callsign, "KLM123");
    EXPECT_EQ(r->head.type, "A320");
    EXPECT_EQ(r->head.registration, "");
    EXPECT_EQ(r->stand, "D7");
    EXPECT_DOUBLE_EQ(r->lat, 52.3086);
    EXPECT_DOUBLE_EQ(r->lon, 4.7639);
    EXPECT_EQ(r->slot, 47);
}

TEST_F(ParkedEntry, AppliesTheEntryRules)
{
    struct Case {
        const char* name;
        json entry;
        std::string key;
        bool kept;
        std::string callsign = {}, type = {}, registration = {}, airline = {};
        std::int32_t slot = 0;
    };
    const double at235940 = kMonday2345 + 14 * 60 + 40;
    const Case cases[] = {
        {"hex 10001 is the lowest kept", lf_parked(), "2711", true, "KLM123", "A320", "", "", 47},
        {"hex 10000 is no aircraft", lf_parked(), "2710", false},
        {"no hex digit", lf_parked(), "zz12", false},
        {"more than 32 bits", lf_parked(), "1234567890", false},
        {"report at 23:59:40 is still slot 47", lf_parked("KLM123", "A320", "null", "D7", 52.3, 4.76, at235940),
         "484cb8", true, "KLM123", "A320", "", "", 47},
        {"fractional report time truncated", lf_parked("KLM123", "A320", "null", "D7", 52.3, 4.76, 1796601600.9),
         "484cb8", true, "KLM123", "A320", "", "", 0},
        {"generic B747 becomes B744", lf_parked("KLM9", "B747"), "484cb8", true, "KLM9", "B744", "", "", 47},
        {"ZZZZ is no type", lf_parked("KLM9", "ZZZZ"), "484cb8", false},
        {"unknown type", lf_parked("KLM9", "X999"), "484cb8", false},
        {"five zeros empty the callsign", lf_parked("N00000A"), "484cb8", true, "", "A320", "", "", 47},
        {"nine characters empty the callsign", lf_parked("KLM123456"), "484cb8", true, "", "A320", "", "", 47},
        {"at sign empties the callsign", lf_parked("a@b"), "484cb8", true, "", "A320", "", "", 47},
        {"leading dot dropped", lf_parked(".AB123"), "484cb8", true, "AB123", "A320", "", "", 47},
        {"registration of 13 characters is none", lf_parked("KLM1", "A320", "PH-ABCDEFGHIJ"), "484cb8", true,
         "KLM1", "A320", "", "", 47},
        {"registration completes the record", lf_parked("null", "ZZZZ", "PH-BFA"), "484cb8", true, "PH-BFA", "B744",
         "PH-BFA", "KLM", 47},
        {"operator wins over airline", lf_parked("DLH4", "A320", "D-AIBA"), "484cb8", true, "DLH4", "A320", "D-AIBA",
         "CLH", 47},
        {"callsign that is a registration", lf_parked("PH-BFA", "ZZZZ"), "484cb8", true, "PH-BFA", "B744", "PH-BFA",
         "KLM", 47},
        {"stand no text", lf_parked("KLM1", "A320", "null", 12), "484cb8", false},
        {"empty stand", lf_parked("KLM1", "A320", "null", ""), "484cb8", false},
        {"missing stand", json::array({52.3, 4.76}), "484cb8", false},
        {"latitude out of range", lf_parked("KLM1", "A320", "null", "D7", 91.0), "484cb8", false},
        {"longitude out of range", lf_parked("KLM1", "A320", "null", "D7", 52.3, -180.5), "484cb8", false},
        {"position at the origin", lf_parked("KLM1", "A320", "null", "D7", 0.0, 0.0), "484cb8", false},
        {"latitude as text", lf_parked("KLM1", "A320", "null", "D7", "52.3"), "484cb8", false},
        {"report time missing", lf_parked("KLM1", "A320", "null", "D7", 52.3, 4.76, nullptr), "484cb8", false},
        {"report time negative", lf_parked("KLM1", "A320", "null", "D7", 52.3, 4.76, -5.0), "484cb8", false},
        {"report time beyond the calendar", lf_parked("KLM1", "A320", "null", "D7", 52.3, 4.76, 1e300), "484cb8",
         false},
        {"entry no array", json{{"lat", 52.3}}, "484cb8", false},
    };
    for (const Case& c : cases) {
        const auto r = parse(c.entry, c.key);
        ASSERT_EQ(r.has_value(), c.kept) << c.name;
        if (!r) continue;
        EXPECT_EQ(r->head.callsign, c.callsign) << c.name;
        EXPECT_EQ(r->head.type, c.type) << c.name;
        EXPECT_EQ(r->head.registration, c.registration) << c.name;
        EXPECT_EQ(r->head.airline, c.airline) << c.name;
        EXPECT_EQ(r->slot, c.slot) << c.name;
    }
}

TEST_F(ParkedEntry, DropsWhatTheUserLeftOut)
{
    param::HELICOPTERS.value.store(0);
    EXPECT_FALSE(parse(lf_parked("HEL1", "EC35")));
    param::HELICOPTERS.value.store(1);
    EXPECT_TRUE(parse(lf_parked("HEL1", "EC35")));
    gf_setReservedStand("D7");
    EXPECT_FALSE(parse(lf_parked())) << "the user's reserved stand";
    EXPECT_TRUE(parse(lf_parked("KLM1", "A320", "null", "D8")));
}

// A report seconds old is of now's half hour, also in the last half minute before the next.
TEST_F(ParkedEntry, AReportSecondsOldIsNoHalfHourOld)
{
    param::RT_PARKTRAFFIC_ONLY.value.store(0);
    param::MAX_FIT.value.store(47);
    constexpr std::time_t kMonday = 1796601600;
    struct Case {
        const char* name;
        std::time_t now; // seconds into Monday
        double age;      // of the report, seconds
        std::int32_t halfHours;
    };
    const Case cases[] = {
        {"within a half hour", 10 * 3600 + 10 * 60, 5.0, 0},
        {"its last half minute before the hour", 10 * 3600 + 59 * 60 + 45, 5.0, 0},
        {"its last half minute before the half hour", 10 * 3600 + 29 * 60 + 45, 5.0, 0},
        {"the last half minute of the day", 23 * 3600 + 59 * 60 + 55, 10.0, 0},
        {"reported in the half hour before", 11 * 3600 + 5, 10.0, 1},
    };
    for (const Case& c : cases) {
        const std::time_t now = kMonday + c.now;
        const json reply = {{"status", 200},
                            {"data", {{"484cb8", lf_parked("KLM1", "A320", "null", "D7", 52.3, 4.76,
                                                           static_cast<double>(now) - c.age)}}}};
        std::int32_t status = 0;
        ASSERT_TRUE(gf_readParkedReply(client, reply.dump(), status)) << c.name;
        gf_keepYoungestParked(client.parkedList, gf_halfHourSlotOf(now));
        ASSERT_EQ(client.parkedList.size(), 1u) << c.name;
        EXPECT_EQ(client.parkedList[0].slot, c.halfHours) << c.name;
    }
}

ParkedTrafficRecord lf_aged(std::string stand, std::string callsign, std::int32_t slot, std::int64_t reportTime = 0)
{
    ParkedTrafficRecord r;
    r.stand = std::move(stand);
    r.head.callsign = std::move(callsign);
    r.slot = slot;
    r.reportTime = reportTime;
    return r;
}

std::vector<std::string> lf_stands(const std::vector<ParkedTrafficRecord>& list)
{
    std::vector<std::string> out;
    for (const auto& r : list) out.push_back(r.stand + "/" + std::to_string(r.slot));
    return out;
}

TEST(ParkedTrafficList, KeepsTheYoungestPerStandAndCallsign)
{
    param::RT_PARKTRAFFIC_ONLY.value.store(0);
    param::MAX_FIT.value.store(47);
    std::vector<ParkedTrafficRecord> list = {
        lf_aged("A1", "KLM1", 46), // age 4 at slot 2
        lf_aged("A1", "KLM2", 1),  // age 1: the younger on A1
        lf_aged("B2", "KLM2", 0),  // age 2, same callsign as the A1 one: dropped
        lf_aged("C3", "", 2),      // age 0
        lf_aged("D4", "", 2),      // no callsign: compared by stand only
        lf_aged("E5", "KLM9", 3),  // age 47
    };
    gf_keepYoungestParked(list, 2);
    EXPECT_EQ(lf_stands(list), (std::vector<std::string>{"C3/0", "D4/0", "A1/1", "E5/47"}));

    std::vector<ParkedTrafficRecord> old = {lf_aged("A1", "", 40), lf_aged("B2", "", 2)};
    param::MAX_FIT.value.store(4);
    gf_keepYoungestParked(old, 2);
    EXPECT_EQ(lf_stands(old), (std::vector<std::string>{"B2/0"})) << "older than MAX_FIT";

    std::vector<ParkedTrafficRecord> only = {lf_aged("A1", "", 40)};
    param::RT_PARKTRAFFIC_ONLY.value.store(1);
    gf_keepYoungestParked(only, 2);
    EXPECT_EQ(lf_stands(only), (std::vector<std::string>{"A1/10"})) << "parked traffic only keeps every age";
    param::RT_PARKTRAFFIC_ONLY.value.store(0);
    param::MAX_FIT.value.store(47);
}

// Two reports of one half hour have the same age: the later one tells where the aircraft is.
TEST(ParkedTrafficList, WithinOneHalfHourTheLaterReportWins)
{
    param::RT_PARKTRAFFIC_ONLY.value.store(0);
    param::MAX_FIT.value.store(47);
    constexpr std::int64_t kAt = 1796601600 + 10 * 3600 + 20 * 60;
    std::vector<ParkedTrafficRecord> list = {
        lf_aged("A1", "KLM1", 20, kAt - 600), // the feed lists the older report first
        lf_aged("A1", "KLM2", 20, kAt - 60),
        lf_aged("B2", "KLM3", 20, kAt - 900), // one callsign at two stands
        lf_aged("C3", "KLM3", 20, kAt - 30),
    };
    gf_keepYoungestParked(list, 20);
    std::vector<std::string> kept;
    for (const auto& r : list) kept.push_back(r.stand + "/" + r.head.callsign);
    EXPECT_EQ(kept, (std::vector<std::string>{"C3/KLM3", "A1/KLM2"}));
}

TEST(ParkedTrafficList, BoxReachesThreeMilesAroundTheAirport)
{
    const QueryBox box = gf_parkedBox({52.3, 4.76});
    EXPECT_NEAR(box.top, 52.3 + 0.04996402877697842, 1e-12);
    EXPECT_NEAR(box.bottom, 52.3 - 0.04996402877697842, 1e-12);
    EXPECT_NEAR(gf_distanceNm({52.3, 4.76}, {52.3, box.right}), 3.0, 0.01);
    EXPECT_NEAR(4.76 - box.left, box.right - 4.76, 1e-9);
}

TEST_F(ParkedEntry, ReplyReaderRefusesWhatIsNoListOfEntries)
{
    std::int32_t status = 0;
    EXPECT_ANY_THROW(gf_readParkedReply(client, "<html>502</html>", status));
    EXPECT_ANY_THROW(gf_readParkedReply(client, "", status));
    EXPECT_ANY_THROW(gf_readParkedReply(client, R"({"status":200,"data":[1,2]})", status));
    EXPECT_ANY_THROW(gf_readParkedReply(client, R"({"status":"200"})", status));
    EXPECT_FALSE(gf_readParkedReply(client, R"({"status":400,"message":"bad box"})", status));
    EXPECT_EQ(status, 400);
    EXPECT_TRUE(gf_readParkedReply(client, R"({"status":200})", status));
    EXPECT_TRUE(client.parkedList.empty());
    const json reply = {{"status", 200}, {"data", {{"484cb8", lf_parked()}, {"484cb9", json::array()}, {"4", lf_parked()}}}};
    EXPECT_TRUE(gf_readParkedReply(client, reply.dump(), status));
    EXPECT_EQ(client.parkedList.size(), 1u);
}

// Against the stand-in over loopback.
tools::TrafficScenario lf_parkedScenario()
{
    tools::TrafficScenario s = test::gf_testScenario();
    s.parked = {{"484cb8", "D7", "A320", "", "KLM123", 52.3090, 4.7640, 60.0},
                {"484cb9", "D7", "B744", "PH-BFA", "", 52.3091, 4.7641, 3600.0}, // older, same stand
                {"484cba", "E2", "B747", "", "KLM77", 52.3000, 4.7700, 120.0},
                {"484cbb", "F1", "A320", "", "KLM5", 52.5000, 4.7640, 60.0}}; // beyond 3 NM
    return s;
}

class ParkedService : public test::TrafficServiceTest {
protected:
    ParkedService() : TrafficServiceTest(lf_parkedScenario()) {}
    void SetUp() override
    {
        TrafficServiceTest::SetUp();
        g_trafficClient.setGuid("g-1");
        gf_setParkAirport({"EHAM", "AMS", 52.3086, 4.7639, -11.0});
        gf_setReservedStand("");
        param::MAX_FIT.value.store(47);
    }
    void TearDown() override
    {
        gf_setParkAirport({});
        g_trafficClient.setGuid("");
        g_trafficClient.parkedList.clear();
        g_trafficClient.stop.store(0);
        TrafficServiceTest::TearDown();
    }

    test::ScopedDbase dbase{lf_parkedDbase()};
};

TEST_F(ParkedService, FetchesTheParkedTrafficAroundTheAirport)
{
    ASSERT_TRUE(gf_requestParkedTraffic());
    const auto& list = g_trafficClient.parkedList;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].stand, "D7");
    EXPECT_EQ(list[0].head.callsign, "KLM123");
    EXPECT_EQ(list[0].hexId, 0x484cb8u);
    EXPECT_LE(list[0].slot, 1);
    EXPECT_EQ(list[1].stand, "E2");
    EXPECT_EQ(list[1].head.type, "B744");
    const auto requests = server.requests("parkedtraffic");
    ASSERT_EQ(requests.size(), 1u);
    const auto& form = requests[0].form;
    EXPECT_EQ(form.at("GUID"), "g-1");
    EXPECT_EQ(form.at("querytype"), "parkedtraffic");
    EXPECT_EQ(form.at("top"), "52.36");
    EXPECT_EQ(form.at("bottom"), "52.26");
    EXPECT_EQ(form.at("toffset"), "0");
}

TEST_F(ParkedService, FailuresLeaveNoEntriesAndOneLine)
{
    struct Case {
        const char* name;
        EndpointFault fault;
        std::string logged;
    };
    const Case cases[] = {
        {"status 400", EndpointFault::withStatus(400), "RT API parameter fault"},
        {"status 401", EndpointFault::withStatus(401), "re-authentication to RT API is needed Tarvo"},
        {"status 503", EndpointFault::withStatus(503), "RT parkedtraffic error status: 503"},
        {"not JSON", EndpointFault::reply(EndpointFault::Body::NotJson), "parkedtraffic: "},
        {"empty body", EndpointFault::reply(EndpointFault::Body::Empty), "parkedtraffic: "},
        {"status missing", EndpointFault::reply(EndpointFault::Body::Custom, R"({"data":{}})"),
         "RT parkedtraffic error status: 100"},
        {"cut off", EndpointFault::dropped(), "curl parkedtraffic code_pt"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(gf_requestParkedTraffic()) << c.name;
        const std::size_t before = logLines().size();
        server.setFault("parkedtraffic", c.fault);
        bool answered = true;
        EXPECT_NO_THROW(answered = gf_requestParkedTraffic()) << c.name;
        EXPECT_FALSE(answered) << c.name;
        EXPECT_TRUE(g_trafficClient.parkedList.empty()) << c.name;
        const auto lines = logLines();
        ASSERT_EQ(lines.size(), before + 1) << c.name;
        EXPECT_NE(lines.back().find(c.logged), std::string::npos) << c.name << ": " << lines.back();
        server.clearFaults();
    }
    EXPECT_EQ(server.requestCount("traffic"), 0u) << "the live endpoint saw none of it";
}

TEST_F(ParkedService, AsksNothingWithoutParkAirportOrSession)
{
    gf_setParkAirport({});
    EXPECT_FALSE(gf_requestParkedTraffic());
    gf_setParkAirport({"EHAM", "AMS", 52.3086, 4.7639, -11.0});
    g_trafficClient.setGuid("");
    EXPECT_FALSE(gf_requestParkedTraffic());
    EXPECT_EQ(server.requestCount("parkedtraffic"), 0u);
}

using ParkedServiceThreads = ParkedService;

TEST_F(ParkedServiceThreads, AsksWhileTheTrafficReaderPolls)
{
    g_trafficClient.setUserPosition({52.31, 4.76});
    test::setUserAircraft({52.31, 4.76});
    gf_updateTrafficBox();
    test::BoundedThread reader{"the traffic reader", gf_trafficReader, &g_trafficClient.stop};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(gf_requestParkedTraffic()) << i;
        EXPECT_EQ(g_trafficClient.parkedList.size(), 2u) << i;
    }
    EXPECT_TRUE(test::waitUntil([&] { return server.requestCount("traffic") >= 2; }));
    EXPECT_EQ(server.requestCount("parkedtraffic"), 5u);
    EXPECT_FALSE(logHas("parkedtraffic"));
    g_trafficClient.stop.store(1);
    reader.join();
    gf_clearIntake(); // the reader's snapshots are no concern of the tests after this one
    g_trafficClient.ready.store(0);
}

} // namespace
} // namespace zyn
