#include "tests/support/download_fixture.h"

#include "base/download.h"
#include "base/log.h"
#include "settings/settings_file.h"
#include "tests/support/guard_time.h"

#include <algorithm>
#include <chrono>

namespace zyn::test {

DownloadFixture::DownloadFixture()
    : m_savedLimits{g_downloadLimits.connectSeconds, g_downloadLimits.lowSpeedBytesPerSecond,
                    g_downloadLimits.lowSpeedSeconds, g_downloadLimits.callerWaitMilliseconds}
{
    // A check waits for the files it asks for, so that each test sees their answers where it looks;
    // the wait only guards against a hang. Tests of the answers taken later set it low.
    g_downloadLimits.callerWaitMilliseconds = std::chrono::milliseconds(guardTime(std::chrono::seconds(60))).count();
    server.start();
    downloadUrl.emplace("TARVO_DOWNLOAD_URL", server.baseUrl());
    gf_setParametersPath(programDir / "parameters.xml");
    gf_openLog();
}

DownloadFixture::~DownloadFixture()
{
    gf_closeLog();
    gf_setParametersPath({});
    server.stop();
    g_downloadLimits.connectSeconds = m_savedLimits[0];
    g_downloadLimits.lowSpeedBytesPerSecond = m_savedLimits[1];
    g_downloadLimits.lowSpeedSeconds = m_savedLimits[2];
    g_downloadLimits.callerWaitMilliseconds = m_savedLimits[3];
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

bool DownloadFixture::logHas(const std::string& line) const
{
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string DownloadFixture::savedValue(const std::string& key) const
{
    pugi::xml_document document;
    document.load_file((programDir / "parameters.xml").c_str());
    return gf_findParameterNode(document, key).attribute("value").as_string();
}

} // namespace zyn::test
