#include "base/errors.h"
#include "shown/display_state.h"
#include "shown/status_line.h"
#include "tests/support/bounded_thread.h"
#include "tests/traffic/service_fixture.h"
#include "traffic/reader.h"
#include "traffic/session.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using tools::EndpointFault;
using Body = EndpointFault::Body;

class SessionThreads : public test::TrafficServiceTest {};

struct LoginCase {
    const char* name;
    EndpointFault fault;
    bool ok;
    std::int32_t status;
    std::int32_t wrrl;
    const char* logged;
};

EndpointFault lf_body(const char* body) { return EndpointFault::reply(Body::Custom, body); }
EndpointFault lf_status(std::int32_t status) { return EndpointFault::withStatus(status); }
using test::gf_testScenario;

TEST_F(SessionThreads, LoginVariants)
{
    const LoginCase cases[] = {
        {"periods and GUID", lf_body(R"({"status":200,"GUID":"g-1","rrl":3000,"wrrl":900,"server":"s1"})"), true, 0,
         900, "Authenticated at RT server \"s1\""},
        {"no periods", lf_body(R"({"status":200,"GUID":"g-1"})"), true, 0, 2000, "Authenticated at RT server \"?\""},
        {"periods as text", lf_body(R"({"status":200,"GUID":"g-1","wrrl":"900"})"), true, 0, 2000, "Authenticated"},
        {"absurd period", lf_body(R"({"status":200,"GUID":"g-1","wrrl":0})"), true, 0, 250, "Authenticated"},
        {"no status", lf_body(R"({"GUID":"g-1","wrrl":900})"), true, 0, 900, "Authenticated"},
        {"status as text", lf_body(R"({"status":"200","GUID":"g-1","wrrl":900})"), true, 0, 900, "Authenticated"},
        {"no GUID", lf_body(R"({"status":200,"wrrl":900})"), false, kLoginWithoutSession, 900, "no session GUID"},
        {"400", lf_status(400), false, 400, 2000, "Authentication refused, status: 400"},
        {"401", lf_status(401), false, 401, 2000, "Authentication refused, status: 401"},
        {"403", lf_status(403), false, 403, 2000, "Authentication refused, status: 403"},
        {"405", lf_status(405), false, 405, 2000, "Authentication refused, status: 405"},
        {"500", lf_status(500), false, 500, 2000, "Authentication refused, status: 500"},
        {"not JSON", EndpointFault::reply(Body::NotJson), false, 0, 2000, "===> authenticate: "},
        {"dropped", EndpointFault::dropped(), false, 0, 2000, "Authentication code: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WeatherClient client;
        g_loginShown.store(0);
        server.setFault("auth", c.fault);
        std::int32_t status = 0;
        EXPECT_EQ(authenticate(client, "LICENSE-1", status), c.ok);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(client.wrrl.load(), c.wrrl);
        EXPECT_EQ(client.guid(), c.ok ? "g-1" : "");
        EXPECT_EQ(g_loginShown.load(), c.ok ? 1 : 0);
        EXPECT_TRUE(logHas(c.logged));
    }
}

TEST_F(SessionThreads, CredentialOfTheFirstLineLogsIn)
{
    struct Row {
        const char* name;
        const char* content;
    };
    const Row rows[] = {
        {"form characters, blanks and a Windows line end", "  a&b=c+d%e f  \r\nsecond line\n"},
        {"saved by Notepad as UTF-8 with a byte-order mark", "\xEF\xBB\xBF" "a&b=c+d%e f\r\n"},
    };
    for (const auto& row : rows) {
        writeLicense(row.content);
        gf_startSession();
        const auto auth = server.requests("auth");
        ASSERT_FALSE(auth.empty()) << row.name;
        EXPECT_EQ(auth.back().form.at("license"), "a&b=c+d%e f") << row.name;
        EXPECT_EQ(auth.back().form.at("software").rfind("Tarvo_", 0), 0u);
        EXPECT_EQ(g_trafficClient.guid(), gf_testScenario().guid);
        EXPECT_EQ(g_weatherClient.guid(), gf_testScenario().guid);
    }
}

TEST_F(SessionThreads, MissingOrEmptyLicenseIsNotSentAndSaysWhere)
{
    for (const char* content : {"", "   \n"}) {
        writeLicense(content);
        EXPECT_THROW(gf_startSession(), UserErrorException);
        EXPECT_NE(gf_statusMessage().find((dir / "config" / "Tarvo" / "license.txt").string()), std::string::npos);
    }
    std::filesystem::remove(dir / "config" / "Tarvo" / "license.txt");
    EXPECT_THROW(gf_startSession(), UserErrorException);
    EXPECT_EQ(server.requestCount("auth"), 0u);
    EXPECT_NE(gf_statusMessage().find("put your license key on the first line of"), std::string::npos);
    EXPECT_TRUE(g_trafficClient.guid().empty());
}

TEST_F(SessionThreads, RefusedLoginsThrowWhatTheUserMustKnow)
{
    server.setFault("auth", lf_status(405));
    try {
        gf_startSession();
        FAIL() << "no exception";
    } catch (const UserErrorException& e) {
        EXPECT_NE(std::string(e.what()).find("More than one RealTraffic session"), std::string::npos);
    }
    server.setFault("auth", lf_status(500));
    EXPECT_THROW(
        {
            try {
                gf_startSession();
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "No RT database connection");
                throw;
            }
        },
        std::runtime_error);
    server.setFault("auth", lf_status(401));
    EXPECT_THROW(gf_startSession(), UserErrorException);
    EXPECT_TRUE(g_trafficClient.guid().empty());
}

TEST_F(SessionThreads, LoginWithoutSessionTellsTheUserAndHandsNoSessionOn)
{
    const struct {
        const char* name;
        const char* reply;
    } rows[] = {
        {"no GUID", R"({"status":200,"rrl":2000,"server":"s1"})"},
        {"empty GUID", R"({"status":200,"GUID":""})"},
        {"GUID not text", R"({"status":200,"GUID":42})"},
        {"neither status nor GUID", R"({"server":"s1"})"},
    };
    struct ClientsReset {
        ClientsReset() { gf_resetTrafficClients(); }
        ~ClientsReset() { gf_resetTrafficClients(); }
    } clients;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        g_loginShown.store(0);
        server.setFault("auth", lf_body(row.reply));
        try {
            gf_startSession();
            ADD_FAILURE() << "the session started";
        } catch (const UserErrorException& e) {
            EXPECT_EQ(std::string(e.what()), "RealTraffic accepted the login but opened no session, please try again later");
        }
        EXPECT_EQ(gf_statusMessage(), "RealTraffic accepted the login but opened no session, please try again later");
        EXPECT_TRUE(g_trafficClient.guid().empty());
        EXPECT_EQ(g_loginShown.load(), 0);
    }
    EXPECT_FALSE(logHas("Authenticated at RT server"));
}

TEST_F(SessionThreads, ParameterFaultLeavesNoSession)
{
    server.setFault("auth", lf_status(400));
    gf_startSession();
    EXPECT_TRUE(g_trafficClient.guid().empty());
}

TEST_F(SessionThreads, LogoutEndsTheSession)
{
    gf_startSession();
    ASSERT_EQ(g_loginShown.load(), 1);
    deauthenticate();
    EXPECT_TRUE(g_trafficClient.guid().empty());
    EXPECT_EQ(g_loginShown.load(), 0);
    EXPECT_TRUE(logHas("session closed RT server \"loopback\""));
    const auto deauth = server.requests("deauth");
    ASSERT_EQ(deauth.size(), 1u);
    EXPECT_EQ(deauth[0].form.at("GUID"), gf_testScenario().guid);
}

TEST_F(SessionThreads, LogoutWithoutStatusIsAFailure)
{
    gf_startSession();
    server.setFault("deauth", lf_body(R"({"message":"x"})"));
    deauthenticate();
    EXPECT_TRUE(logHas("===> Deauthentication failed, status: 100"));
    EXPECT_FALSE(g_trafficClient.guid().empty());
    EXPECT_EQ(g_loginShown.load(), 1);
}

TEST_F(SessionThreads, LightsFollowWhatTheReadersReceive)
{
    gf_startSession();
    gf_refreshConnectionState();
    EXPECT_EQ(g_weatherLight.load(), 2);
    EXPECT_EQ(g_trafficLight.load(), 2);
    g_weatherClient.weatherKnown.store(1);
    g_trafficClient.recordCount.store(3);
    gf_refreshConnectionState();
    EXPECT_EQ(g_weatherLight.load(), 1);
    EXPECT_EQ(g_trafficLight.load(), 1);
}

TEST_F(SessionThreads, LogoutWhileTheTrafficReaderIsStuckInARequest)
{
    gf_startSession();
    server.setFault("traffic", EndpointFault::delayed(600000));
    test::BoundedThread reader("the traffic reader", gf_trafficReader, &g_trafficClient.stop);
    ASSERT_TRUE(test::waitUntil([&] { return server.requestCount("traffic") >= 1; }));
    deauthenticate(); // on its own connection, while the reader's transfer still hangs
    EXPECT_EQ(g_loginShown.load(), 0);
    EXPECT_EQ(server.requestCount("deauth"), 1u);
    g_trafficClient.stop.store(1);
    reader.join();
    EXPECT_FALSE(logHas("RT API"));
}

TEST(TrafficClients, RestartResetBringsBothClientsBack)
{
    g_trafficClient.setGuid("g");
    g_trafficClient.qnh.store(1020);
    g_trafficClient.ready.store(1);
    g_trafficClient.recordCount.store(9);
    g_trafficClient.timeOffset.store(60);
    g_trafficClient.stop.store(1);
    g_trafficClient.hexIds.insert(20000);
    g_trafficClient.setBoxState({{1, 2, 3, 4}, {5, 6}, 10});
    g_weatherClient.setGuid("g");
    g_weatherClient.previousQnh.store(1020);
    g_weatherClient.weatherKnown.store(1);
    g_weatherClient.station = "EHAM";
    gf_resetTrafficClients();
    EXPECT_TRUE(g_trafficClient.guid().empty());
    EXPECT_EQ(g_trafficClient.qnh.load(), 1013);
    EXPECT_EQ(g_trafficClient.ready.load(), 0);
    EXPECT_EQ(g_trafficClient.recordCount.load(), 0);
    EXPECT_EQ(g_trafficClient.timeOffset.load(), 0);
    EXPECT_EQ(g_trafficClient.stop.load(), 0);
    EXPECT_TRUE(g_trafficClient.hexIds.empty());
    EXPECT_EQ(g_trafficClient.queryBox().top, 52.44);
    EXPECT_EQ(g_trafficClient.boxState().range, -1.0);
    EXPECT_TRUE(g_weatherClient.guid().empty());
    EXPECT_EQ(g_weatherClient.previousQnh.load(), 1013);
    EXPECT_EQ(g_weatherClient.weatherKnown.load(), 0);
    EXPECT_TRUE(g_weatherClient.station.empty());
}

} // namespace
} // namespace zyn
