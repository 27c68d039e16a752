#include "tests/support/bounded_thread.h"
#include "tests/support/temp_dir.h"
#include "tools/download_server.h"
#include "tools/http_listen.h"
#include "tools/traffic_server.h"

#include <gtest/gtest.h>

#include <httplib.h>

namespace zyn {
namespace {

using namespace std::chrono_literals;

// A stop that comes before the accept loop has run must still end the serving thread; a short test
// does exactly that, and a lost stop used to hold the test until the run's time-out.
TEST(HttpListenThreads, StopRightAfterTheStartEndsBothStandIns)
{
    test::TempDir dir;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        test::BoundedThread cycle("a start and stop of the stand-ins", [&dir] {
            tools::TrafficServer traffic;
            traffic.start();
            tools::DownloadServer downloads(dir.path());
            downloads.start();
            downloads.stop();
            traffic.stop();
        }, nullptr, 10s);
        cycle.join();
    }
}

TEST(HttpListenThreads, ServerThatListensHandsBackItsThread)
{
    httplib::Server server;
    ASSERT_GT(server.bind_to_any_port("127.0.0.1"), 0);
    std::thread thread = tools::gf_listenInBackground(server, "test server");
    EXPECT_TRUE(server.is_running());
    server.stop();
    test::BoundedThread joiner("the join of the serving thread", [&thread] { thread.join(); }, nullptr, 10s);
    joiner.join();
}

} // namespace
} // namespace zyn
