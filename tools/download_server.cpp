#include "tools/download_server.h"

#include "tools/http_listen.h"

#include <fmt/format.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <stdexcept>

namespace zyn::tools {

namespace fs = std::filesystem;

namespace {

// A path below the root that cannot leave it; empty when the request tries to.
fs::path lf_safeRelativePath(const std::string& requested)
{
    const fs::path relative = fs::path(requested).lexically_normal();
    if (relative.empty() || relative.is_absolute() || *relative.begin() == "..")
        return {};
    return relative;
}

std::string lf_readBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

DownloadServer::DownloadServer(fs::path root, std::optional<TlsFiles> tls)
    : m_root(std::move(root)), m_tls(std::move(tls)), m_server(gf_makeServer(m_tls, "download server"))
{
    m_server->Get("/downloads/(.*)", [this](const httplib::Request& request, httplib::Response& response) {
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back({request.matches[1].str(), request.get_header_value("User-Agent"),
                                  request.get_header_value("Accept-Encoding")});
        }
        serve(request.matches[1].str(), response);
    });
}

DownloadServer::~DownloadServer()
{
    stop();
}

void DownloadServer::start(int port)
{
    if (port == 0)
        m_port = m_server->bind_to_any_port("127.0.0.1");
    else if (m_server->bind_to_port("127.0.0.1", port))
        m_port = port;
    else
        m_port = -1;
    if (m_port <= 0)
        throw std::runtime_error(fmt::format("download server: cannot listen on 127.0.0.1:{}", port));
    m_thread = gf_listenInBackground(*m_server, "download server");
}

void DownloadServer::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string DownloadServer::baseUrl() const
{
    return fmt::format("{}://127.0.0.1:{}/downloads/", gf_scheme(m_tls), m_port);
}

void DownloadServer::setFault(const std::string& path, DownloadFault fault)
{
    std::lock_guard lock(m_mutex);
    m_faults[path] = fault;
}

void DownloadServer::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::vector<DownloadRequest> DownloadServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void DownloadServer::serve(const std::string& path, httplib::Response& response)
{
    constexpr std::string_view moved = "moved/";
    const bool followed = path.starts_with(moved); // where Moved sends a client: the file as it is
    const fs::path relative = lf_safeRelativePath(followed ? path.substr(moved.size()) : path);
    const fs::path file = m_root / relative;
    std::error_code ec;
    if (relative.empty() || !fs::is_regular_file(file, ec)) {
        response.status = 404;
        return;
    }
    std::optional<DownloadFault> fault;
    if (!followed) {
        std::lock_guard lock(m_mutex);
        if (const auto it = m_faults.find(path); it != m_faults.end())
            fault = it->second;
    }
    if (!fault)
        serveFile(file, response);
    else if (*fault == DownloadFault::Moved || *fault == DownloadFault::MovedNowhere ||
             *fault == DownloadFault::MovedInCircles)
        redirect(path, *fault, response);
    else if (*fault == DownloadFault::NotFound)
        response.status = 404;
    else if (*fault == DownloadFault::ServerError)
        response.status = 500;
    else if (*fault == DownloadFault::Silent)
        waitForStop(); // the reply is written only once the client gave up
    else if (*fault == DownloadFault::Stall)
        stallReply(file, response);
    else if (*fault == DownloadFault::Trickle)
        pacedReply(file, response, 1, std::chrono::milliseconds(500));
    else if (*fault == DownloadFault::Slow)
        pacedReply(file, response, 1024, std::chrono::milliseconds(62));
    else
        truncatedReply(file, response);
}

void DownloadServer::serveFile(const fs::path& file, httplib::Response& response)
{
    response.set_content(lf_readBytes(file), "application/octet-stream");
}

void DownloadServer::redirect(const std::string& path, DownloadFault fault, httplib::Response& response)
{
    response.status = 302;
    if (fault == DownloadFault::Moved)
        response.set_header("Location", "/downloads/moved/" + path);
    else if (fault == DownloadFault::MovedInCircles)
        response.set_header("Location", "/downloads/" + path);
}

bool DownloadServer::waitForStop()
{
    std::unique_lock lock(m_mutex);
    m_stopped.wait(lock, [this] { return m_stopping; });
    return false;
}

bool DownloadServer::stoppedWithin(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_mutex);
    return m_stopped.wait_for(lock, wait, [this] { return m_stopping; });
}

void DownloadServer::stallReply(const fs::path& file, httplib::Response& response)
{
    response.set_content_provider(fs::file_size(file), "application/octet-stream",
                                  [this](size_t, size_t, httplib::DataSink&) { return waitForStop(); });
}

void DownloadServer::truncatedReply(const fs::path& file, httplib::Response& response)
{
    auto bytes = std::make_shared<std::string>(lf_readBytes(file));
    response.set_content_provider(bytes->size(), "application/octet-stream",
                                  [bytes](size_t offset, size_t, httplib::DataSink& sink) {
                                      const size_t half = bytes->size() / 2;
                                      if (offset < half)
                                          sink.write(bytes->data() + offset, half - offset);
                                      return offset < half; // false closes the connection
                                  });
}

// The body in blocks of bytes, one every so often, until it is sent, the client is gone or the
// server stops.
void DownloadServer::pacedReply(const fs::path& file, httplib::Response& response, std::size_t bytes,
                                std::chrono::milliseconds every)
{
    auto body = std::make_shared<std::string>(lf_readBytes(file));
    response.set_content_provider(body->size(), "application/octet-stream",
                                  [this, body, bytes, every](size_t offset, size_t, httplib::DataSink& sink) {
                                      const size_t n = std::min(bytes, body->size() - offset);
                                      return sink.write(body->data() + offset, n) && !stoppedWithin(every);
                                  });
}

} // namespace zyn::tools
