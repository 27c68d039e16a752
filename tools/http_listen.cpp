#include "tools/http_listen.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>

namespace zyn::tools {

std::unique_ptr<httplib::Server> gf_makeServer(const std::optional<TlsFiles>& tls, const std::string& what)
{
    if (!tls)
        return std::make_unique<httplib::Server>();
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT // the Windows test build's httplib has no TLS
    throw std::runtime_error(what + ": this build serves HTTP only");
#else
    auto server = std::make_unique<httplib::SSLServer>(tls->certificate.c_str(), tls->key.c_str());
    if (!server->is_valid())
        throw std::runtime_error(what + ": cannot serve HTTPS with " + tls->certificate.string() + " and " +
                                 tls->key.string());
    return server;
#endif
}

std::string gf_scheme(const std::optional<TlsFiles>& tls)
{
    return tls ? "https" : "http";
}

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
