#pragma once
// A download on a thread of its own, for a caller that must not wait on the line (the main loop):
// the caller starts it, looks at most a moment for its end, and takes the result at a later look,
// however long a slow line takes to bring the file whole.
#include "base/download.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace zyn {

class DownloadBeside {
public:
    // Runs on the transfer's thread as it ends, before any look sees the end.
    using EndNote = std::function<void(DownloadEnd, const DownloadDetail&)>;

    // Starts downloading url into path (binary or text, as gf_fetchFile).
    DownloadBeside(std::string url, std::filesystem::path path, bool binary, EndNote onEnd = {});
    // Stops the transfer (an exit stops it too) and awaits its thread.
    ~DownloadBeside();
    DownloadBeside(const DownloadBeside&) = delete;
    DownloadBeside& operator=(const DownloadBeside&) = delete;

    // How the transfer ended, waiting for it at most `wait`; nullopt while it lasts.
    std::optional<DownloadEnd> endWithin(std::chrono::milliseconds wait);
    // Why the file here refused the bytes (NotWritten) and the server's status, once the transfer ended.
    DownloadDetail detail() const;
    const std::filesystem::path& path() const { return m_path; }
    // Ends the transfer: a partial file is removed, nothing replaces path. Returns once it ended.
    void stop();

private:
    void run(const std::stop_token& stop, const std::string& url, bool binary, const EndNote& onEnd);

    const std::filesystem::path m_path;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    std::optional<DownloadEnd> m_end;   // under m_mutex
    DownloadDetail m_detail;            // under m_mutex
    std::jthread m_thread;              // last: it starts once the rest is there
};

} // namespace zyn
