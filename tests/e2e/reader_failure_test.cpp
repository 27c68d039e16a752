// The whole program when the traffic service fails under a running session: a refused poll ends the
// program or restarts it, a service that is gone or hangs is waited out; every way out logs out (or
// tries to) and takes the program's aircraft out of the simulator itself.
#include "tests/e2e/program_run_fixture.h"

#include <gtest/gtest.h>

namespace zyn::test {
namespace {

using namespace std::chrono_literals;

TEST_F(ProgramRunThreads, RefusedPollEndsTheProgramWithAReaderErrorAfterLogout)
{
    startProgram();
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= 3; }, 60s)) << "the reader never polled";
    traffic->setFault("traffic", tools::EndpointFault::withStatus(500));

    ASSERT_TRUE(waitForLog("Traffic RT API error: 500"));
    EXPECT_TRUE(waitForLog("The TrafficReader has stopped with an error"));
    const auto code = process->waitForExit(90s);
    ASSERT_TRUE(code) << "the program did not end after the reader error";
    EXPECT_EQ(*code, 1) << "a program ended by an error fails";
    EXPECT_TRUE(logHas("Error 1001: RT error"));
    EXPECT_TRUE(logHas("Exiting: SYSTEM ERROR"));
    EXPECT_FALSE(logHas("No traffic in this region?")) << "the buffered fill found the traffic around the user";
    EXPECT_FALSE(logHas("Restarting after"));
    EXPECT_EQ(traffic->requestCount("deauth"), 1u) << "logout on the way out";
    EXPECT_EQ(traffic->requestCount("auth"), 1u);
    EXPECT_EQ(objectsLeftAtClose(), std::vector<std::string>{});
}

TEST_F(ProgramRunThreads, UnauthorisedPollRestartsTheSessionWithANewLogin)
{
    startProgram();
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= 1; }, 60s)) << "the reader never polled";
    traffic->setFault("traffic", tools::EndpointFault::withStatus(401).onlyFor(1));

    ASSERT_TRUE(waitForLog("re-authentication to RT API is needed, restart Tarvo"));
    ASSERT_TRUE(waitForLog("Exiting: READER ERROR"));
    ASSERT_TRUE(waitForLog("Restarting after 15 seconds"));
    ASSERT_TRUE(waitFor([&] { return traffic->requestCount("auth") == 2 && bufferedFills(*traffic) == 2; }, 60s))
        << "no new session after the restart";
    EXPECT_EQ(traffic->requestCount("deauth"), 1u) << "the old session logged out first";
    EXPECT_EQ(process->waitForExit(0s), std::nullopt);

    EXPECT_EQ(interruptAndWait(), 0);
    EXPECT_EQ(traffic->requestCount("deauth"), 2u);
    EXPECT_FALSE(logHas("RT error"));
    EXPECT_EQ(objectsLeftAtClose(), std::vector<std::string>{});
}

TEST_F(ProgramRunThreads, ServiceGoneForGoodKeepsTheSessionAndTheCloseStillCleansUp)
{
    startProgram();
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= 3; }, 60s)) << "the reader never polled";
    traffic->stop();
    ASSERT_TRUE(waitForLog("curl traffic code_t: "));
    ASSERT_TRUE(waitForLog("code_w: ")) << "the weather reader reports it too";
    EXPECT_EQ(process->waitForExit(3s), std::nullopt) << "a service that does not answer ends nothing";

    EXPECT_EQ(interruptAndWait(), 0);
    EXPECT_TRUE(logHas("Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(logHas("Deauthentication code: ")) << "the logout was tried";
    EXPECT_FALSE(logHas("RT error"));
    EXPECT_EQ(objectsLeftAtClose(), std::vector<std::string>{});
}

TEST_F(ProgramRunThreads, ServiceThatStopsAnsweringDoesNotHoldUpTheClose)
{
    startProgram();
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= 1; }, 60s)) << "the reader never polled";
    traffic->setFault("traffic", tools::EndpointFault::delayed(300000));
    traffic->setFault("deauth", tools::EndpointFault::delayed(300000));
    const std::size_t before = traffic->requestCount("traffic");
    ASSERT_TRUE(waitFor([&] { return traffic->requestCount("traffic") > before; })) << "no poll reached the service";

    EXPECT_EQ(interruptAndWait(), 0) << "the close waits for neither the hung poll nor the hung logout";
    EXPECT_EQ(traffic->requestCount("deauth"), 1u) << "the logout was tried";
    EXPECT_TRUE(logHas("Deauthentication code: "));
    EXPECT_EQ(objectsLeftAtClose(), std::vector<std::string>{});
}

} // namespace
} // namespace zyn::test
