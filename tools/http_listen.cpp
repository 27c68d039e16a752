#include "tools/http_listen.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>

namespace zyn::tools {

std::thread gf_listenInBackground(httplib::Server& server, const std::string& what)
{
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([&server, ended] {
        server.listen_after_bind();
        ended->store(true);
    });
    // The loop either runs or ends: waiting for one of the two is bounded.
    while (!server.is_running() && !ended->load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!server.is_running() && ended->load()) {
        thread.join();
        throw std::runtime_error(what + ": the server stopped listening at once");
    }
    return thread;
}

} // namespace zyn::tools
