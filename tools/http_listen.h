#pragma once
// Making a loopback stand-in's server (HTTP, or HTTPS with a certificate) and starting it on a
// thread of its own.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace zyn::tools {

// A certificate (PEM, the server's own first, then any intermediates) and its private key (PEM).
struct TlsFiles {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// An HTTP server, or an HTTPS one serving tls. Throws std::runtime_error naming `what` when the
// files cannot be read or do not belong together.
std::unique_ptr<httplib::Server> gf_makeServer(const std::optional<TlsFiles>& tls, const std::string& what);

// "https" with tls, else "http".
std::string gf_scheme(const std::optional<TlsFiles>& tls);

// Runs server's accept loop (after a bind) on a new thread and returns that thread once the loop is
// listening: a stop that came before the loop ran would be lost, and the thread would then wait in
// accept for good. Throws std::runtime_error naming `what` when the loop ended without listening.
std::thread gf_listenInBackground(httplib::Server& server, const std::string& what);

} // namespace zyn::tools
