#include "tests/support/livery_fixture.h"

#include "base/folders.h"
#include "livery/livery_index.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/scoped_env.h"
#include "tools/download_server.h"

#include <array>
#include <cstdint>

namespace zyn::test {

namespace {
std::array<BoolControlParameter*, 3> lf_categorySettings()
{
    return {&param::LIGHT_AIRCRAFT, &param::HIGH_PERF_AIRCRAFT, &param::HELICOPTERS};
}
} // namespace

InstalledLiveries::InstalledLiveries(std::vector<LiveryData> liveries, const std::vector<std::string>& regcodeLines)
{
    if (!regcodeLines.empty()) {
        std::string text;
        for (const auto& line : regcodeLines)
            text += line + "\n";
        writeText(m_programDir / g_myRegcodesPath / "codes.txt", text);
    }
    const auto settings = lf_categorySettings();
    std::array<std::uint8_t, 3> values{};
    for (std::size_t i = 0; i < settings.size(); ++i)
        values[i] = settings[i]->value.load();
    tools::DownloadServer server{m_serverDir.path()};
    server.start();
    ScopedEnv downloadUrl{"TARVO_DOWNLOAD_URL", server.baseUrl()};
    const auto parametersPath = gf_parametersPath();
    gf_setParametersPath(m_programDir / "parameters.xml");
    {
        ScopedCwd cwd{m_programDir.path()};
        gf_buildLiveryIndex(std::move(liveries));
    }
    gf_setParametersPath(parametersPath);
    server.stop();
    for (std::size_t i = 0; i < settings.size(); ++i)
        settings[i]->value = values[i];
}

InstalledLiveries::~InstalledLiveries()
{
    gf_resetLiveryIndex();
}

std::vector<LiveryData> genericLiveries(const std::vector<std::pair<std::string, std::string>>& typeTitles)
{
    std::vector<LiveryData> liveries;
    for (const auto& [type, title] : typeTitles)
        liveries.push_back({"ZZZ", type, title, "", 1, false});
    return liveries;
}

} // namespace zyn::test
