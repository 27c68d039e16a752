#include "tests/support/download_fixture.h"

#include "core/download.h"
#include "core/log.h"

#include <cstdlib>

namespace zyn::test {

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    if (const char* previous = std::getenv(name))
        m_previous = previous;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (m_previous)
        setenv(m_name, m_previous->c_str(), 1);
    else
        unsetenv(m_name);
}

DownloadFixture::DownloadFixture()
    : m_savedLimits{g_downloadLimits.connectSeconds, g_downloadLimits.lowSpeedBytesPerSecond,
                    g_downloadLimits.lowSpeedSeconds}
{
    server.start();
    downloadUrl.emplace("TARVO_DOWNLOAD_URL", server.baseUrl());
    gf_openLog();
}

DownloadFixture::~DownloadFixture()
{
    gf_closeLog();
    server.stop();
    g_downloadLimits.connectSeconds = m_savedLimits[0];
    g_downloadLimits.lowSpeedBytesPerSecond = m_savedLimits[1];
    g_downloadLimits.lowSpeedSeconds = m_savedLimits[2];
}

void DownloadFixture::serve(const std::string& path, const std::string& content)
{
    writeText(serverDir / path, content);
}

std::vector<std::string> DownloadFixture::logLines() const
{
    auto lines = readLines(programDir / "Log.txt");
    if (!lines.empty())
        lines.erase(lines.begin());
    return lines;
}

} // namespace zyn::test
