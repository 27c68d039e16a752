#pragma once
// Loopback stand-in for the download server: serves a folder under "/downloads/" over HTTP (or
// HTTPS with a certificate) on 127.0.0.1, and can be told to fail single files (not found, silent,
// stalled, trickled, cut short, a server error, redirects that lead on, nowhere or in circles) or to
// serve them slowly, for tests.
#include "tools/http_listen.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
class Response;
}

namespace zyn::tools {

enum class DownloadFault {
    NotFound, // 404 although the file exists
    Silent,   // the ask taken, then nothing at all, not even a status, until the server stops
    Stall,    // headers sent, then no byte until the server stops
    Trickle,  // headers sent, then one byte of the body every half second
    Slow,     // headers sent, then the body at 16 KiB a second: a slow line
    Truncate, // the full length announced, half of the body sent, then the connection closed
    ServerError, // 500
    Moved,          // "302 Found" to the same file below "moved/", which is served as it is
    MovedNowhere,   // "302 Found" with no "Location" and no body
    MovedInCircles, // "302 Found" back to the same address
};

struct DownloadRequest {
    std::string path; // below "/downloads/"
    std::string userAgent;
    std::string acceptEncoding;
};

class DownloadServer {
public:
    // Serves HTTPS with tls; throws std::runtime_error when its files are unusable.
    explicit DownloadServer(std::filesystem::path root, std::optional<TlsFiles> tls = std::nullopt);
    ~DownloadServer();
    DownloadServer(const DownloadServer&) = delete;
    DownloadServer& operator=(const DownloadServer&) = delete;

    // Listens on 127.0.0.1 at port (0: an ephemeral one) and serves on a thread of its own.
    // Throws std::runtime_error when the port cannot be bound.
    void start(int port = 0);
    // Releases stalled replies and joins the serving thread.
    void stop();

    int port() const { return m_port; }
    std::string baseUrl() const; // "http://127.0.0.1:{port}/downloads/" (https with a certificate)

    void setFault(const std::string& path, DownloadFault fault);
    void clearFaults();
    std::vector<DownloadRequest> requests() const;

private:
    void serve(const std::string& path, httplib::Response& response);
    void serveFile(const std::filesystem::path& file, httplib::Response& response);
    static void redirect(const std::string& path, DownloadFault fault, httplib::Response& response);
    void stallReply(const std::filesystem::path& file, httplib::Response& response);
    void truncatedReply(const std::filesystem::path& file, httplib::Response& response);
    void pacedReply(const std::filesystem::path& file, httplib::Response& response, std::size_t bytes,
                    std::chrono::milliseconds every);
    bool waitForStop();
    bool stoppedWithin(std::chrono::milliseconds wait);

    std::filesystem::path m_root;
    std::optional<TlsFiles> m_tls;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    std::map<std::string, DownloadFault> m_faults;
    std::vector<DownloadRequest> m_requests;
};

} // namespace zyn::tools
