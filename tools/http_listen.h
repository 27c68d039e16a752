#pragma once
// Starting a loopback stand-in's HTTP server on a thread of its own.
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace zyn::tools {

// Runs server's accept loop (after a bind) on a new thread and returns that thread once the loop is
// listening: a stop that came before the loop ran would be lost, and the thread would then wait in
// accept for good. Throws std::runtime_error naming `what` when the loop ended without listening.
std::thread gf_listenInBackground(httplib::Server& server, const std::string& what);

} // namespace zyn::tools
