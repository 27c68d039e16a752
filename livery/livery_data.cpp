#include "livery/livery_data.h"

#include <algorithm>

namespace zyn {

ProblemLines g_noFltsimSectionList{g_outputInfoPath / "AircraftCfgWithNoFltsimSection.txt"};
ProblemLines g_invalidFileList{g_outputErrorsPath / "InvalidAircraftCfgFiles.txt"};
ProblemLines g_incompleteSectionList{g_outputErrorsPath / "IncompleFltsimSections.txt"};
ProblemLines g_invalidAirlineList{g_outputErrorsPath / "InvalidAirlineCodes.txt"};
ProblemLines g_invalidTypeList{g_outputErrorsPath / "InvalidAircraftCodes.txt"};
ProblemList<std::vector<std::string>> g_fixList{g_outputErrorsPath / "Fixes.txt"};

TitleSet g_titleSet;
std::vector<std::string> g_dontUseTitles;
std::list<LiveryData> g_scannedLiveries;

bool TitleSet::insert(std::string title)
{
    std::lock_guard lock(mutex);
    return titles.insert(std::move(title)).second;
}

bool gf_isDontUseTitle(std::string_view title)
{
    return std::find(g_dontUseTitles.begin(), g_dontUseTitles.end(), title) != g_dontUseTitles.end();
}

LiveryData lf_insertLivery(std::uint32_t folderIndex, std::string airl, std::string type, std::int32_t passenger,
                           std::string title, std::string atcid)
{
    if (!g_titleSet.insert(title))
        return {};
    return {std::move(airl), std::move(type), std::move(title), std::move(atcid), folderIndex, passenger == 0};
}

} // namespace zyn
