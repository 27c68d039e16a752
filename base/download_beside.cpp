#include "base/download_beside.h"

#include "base/log.h"
#include "platform/system/error_text.h"

#include <exception>
#include <utility>

namespace zyn {

DownloadBeside::DownloadBeside(std::string url, std::filesystem::path path, bool binary, EndNote onEnd)
    : m_path(std::move(path)),
      m_thread([this, url = std::move(url), binary, onEnd = std::move(onEnd)](const std::stop_token& stop) {
          run(stop, url, binary, onEnd);
      })
{
}

DownloadBeside::~DownloadBeside()
{
    stop();
}

void DownloadBeside::run(const std::stop_token& stop, const std::string& url, bool binary, const EndNote& onEnd)
{
    DownloadEnd end = DownloadEnd::Failed;
    DownloadDetail detail;
    try {
        CurlHandle handle;
        end = gf_fetchFile(handle.get(), url, m_path, binary, detail,
                           [&stop] { return stop.stop_requested() || gf_downloadShouldStop(); });
        if (onEnd)
            onEnd(end, detail);
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "DownloadBeside", gf_exceptionText(e));
    }
    {
        std::lock_guard lock(m_mutex);
        m_end = end;
        m_detail = detail;
    }
    m_ended.notify_all();
}

std::optional<DownloadEnd> DownloadBeside::endWithin(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_mutex);
    m_ended.wait_for(lock, wait, [this] { return m_end.has_value(); });
    return m_end;
}

DownloadDetail DownloadBeside::detail() const
{
    std::lock_guard lock(m_mutex);
    return m_detail;
}

void DownloadBeside::stop()
{
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_thread.join();
}

} // namespace zyn
