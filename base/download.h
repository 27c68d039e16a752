#pragma once
// The one download routine that every fetch from the download server goes through, and the
// server's addresses.
#include "base/version.h"
#include "platform/system/clock.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

using CURL = void;

namespace zyn {

// The download server's base address, ending in "downloads/".
std::string gf_downloadBaseUrl();

// Limits that keep a dead or stalled server from holding up the start-up or the exit.
struct DownloadLimits {
    std::atomic<long> connectSeconds{15};
    std::atomic<long> lowSpeedBytesPerSecond{1};
    std::atomic<long> lowSpeedSeconds{30}; // below the low speed this long: the transfer fails
};
extern DownloadLimits g_downloadLimits;

// One libcurl easy handle, owned by the operation that created it.
class CurlHandle {
public:
    CurlHandle();
    ~CurlHandle();
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;
    CURL* get() const { return m_handle; }

private:
    CURL* m_handle;
};

// True once the program is exiting; the default stop test of every download.
bool gf_downloadShouldStop();

// How a download ended. NotFound: the server answered that it has no such file (HTTP 404 or 410), an
// answer that holds until its files change. Unreachable: no connection to the server (its name did
// not resolve, the connection was refused or timed out, or the transfer stalled): asking it again now
// would cost the same wait. Failed: anything else (a server error, a transfer cut short, a local
// failure), which a later ask may not meet.
enum class DownloadEnd : std::uint8_t { Done, Failed, Unreachable, NotFound };

// Downloads one URL into one file. The body goes to a file beside path that replaces path only when
// the transfer ended well, so a failed or cut-short download leaves an existing file untouched.
// HTTP statuses of 400 and more fail. Done when path now holds the whole body.
DownloadEnd gf_fetchFile(CURL* handle, const std::string& url, const std::filesystem::path& path, bool binary,
                         const StopTest& stop = gf_downloadShouldStop);
// The same; whether path now holds the whole body.
bool gf_downloadFile(CURL* handle, const std::string& url, const std::filesystem::path& path, bool binary,
                     const StopTest& stop = gf_downloadShouldStop);

// The version that a version file at url holds; 0.0.0 on any failure.
Version gf_downloadVersion(CURL* handle, const std::string& url);

} // namespace zyn
