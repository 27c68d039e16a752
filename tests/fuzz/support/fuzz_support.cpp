#include "tests/fuzz/support/fuzz_support.h"

#include "aircraft/aircraft_db.h"
#include "base/folders.h"
#include "livery/livery_data.h"

#include <fstream>

namespace zyn::fuzz {

namespace fs = std::filesystem;

const fs::path& programFolder()
{
    static const test::TempDir folder;
    static const bool entered = [] {
        fs::current_path(folder.path());
        for (const auto& sub : {g_docsPath, g_inputPath, g_outputInfoPath, g_outputErrorsPath})
            fs::create_directories(sub);
        return true;
    }();
    (void)entered;
    return folder.path();
}

std::string_view asText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

void writeInput(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void loadSmallDbase()
{
    gf_clearDbase();
    g_aircraftTypes = {"A320", "A20N", "B738", "B78X", "C172", "E190"};
    g_largeTypes = {"A320", "A20N", "B738", "E190"};
    g_heavyTypes = {"B78X"};
    g_icaoAirlines = {"BAW", "DLH", "KLM", "RYR", "ZZZ", "PVT"};
    g_modelFixes = {{"B73H", "B738"}, {"A20", "A20N"}};
    g_registrations = {{"D-AIBC", {"DLH", "A320", "", false}}, {"PH-BXA", {"KLM", "B738", "", false}},
                       {"N12", {"PVT", "C172", "", false}}};
}

void clearScanState()
{
    g_titleSet.titles.clear();
    for (ProblemLines* list : {&g_noFltsimSectionList, &g_invalidFileList, &g_incompleteSectionList,
                               &g_invalidAirlineList, &g_invalidTypeList})
        list->lines.clear();
    g_fixList.lines.clear();
}

} // namespace zyn::fuzz
