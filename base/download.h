#pragma once
// The one download routine that every fetch from the download server goes through, and the
// server's addresses.
#include "base/version.h"
#include "platform/system/clock.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

using CURL = void;

namespace zyn {

// The download server's base address, ending in "downloads/".
std::string gf_downloadBaseUrl();

// Limits that keep a dead or stalled server from holding up the start-up or the exit.
struct DownloadLimits {
    std::atomic<long> connectSeconds{15};
    std::atomic<long> lowSpeedBytesPerSecond{1};
    std::atomic<long> lowSpeedSeconds{30}; // below the low speed this long: the transfer fails
    std::atomic<long> smallFileSeconds{60}; // the whole of a bounded transfer (gf_boundWholeTransfer)
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

// Bounds every transfer made with handle to g_downloadLimits.smallFileSeconds in all: for the small
// files fetched where the wait holds the main loop, since a server that trickles a byte now and then
// stays above the low-speed limit for hours. The start-up's installers and archives stay unbounded, so
// that a slow line still fetches them whole.
void gf_boundWholeTransfer(CURL* handle);

// True once the program is exiting; the default stop test of every download.
bool gf_downloadShouldStop();

// How a download ended. NotFound: the server answered that it has no such file (HTTP 404 or 410), an
// answer that holds until its files change. Unreachable: no connection to the server (its name did
// not resolve, the connection was refused or timed out, the transfer stalled or outlasted its bound):
// asking it again now would cost the same wait. NotWritten: the file here could not take the bytes
// (a full disk, a refused folder); the server is not to blame. Failed: anything else (a server error,
// a transfer cut short), which a later ask may not meet.
enum class DownloadEnd : std::uint8_t { Done, Failed, Unreachable, NotFound, NotWritten };

// Downloads one URL into one file. The body goes to a file beside path that replaces path only when
// the transfer ended well, so a failed or cut-short download leaves an existing file untouched.
// HTTP statuses of 400 and more fail. Done when path now holds the whole body. Why it ended
// NotWritten goes to writeError (and to the log, with the URL).
DownloadEnd gf_fetchFile(CURL* handle, const std::string& url, const std::filesystem::path& path, bool binary,
                         std::error_code& writeError, const StopTest& stop = gf_downloadShouldStop);
inline DownloadEnd gf_fetchFile(CURL* handle, const std::string& url, const std::filesystem::path& path,
                                bool binary, const StopTest& stop = gf_downloadShouldStop)
{
    std::error_code logged;
    return gf_fetchFile(handle, url, path, binary, logged, stop);
}
// The same; whether path now holds the whole body.
bool gf_downloadFile(CURL* handle, const std::string& url, const std::filesystem::path& path, bool binary,
                     const StopTest& stop = gf_downloadShouldStop);

// The version that a version file at url holds; 0.0.0 on any failure.
Version gf_downloadVersion(CURL* handle, const std::string& url);

} // namespace zyn
