#include "tests/livery/livery_read_fixture.h"

#include "base/log.h"

namespace zyn::test {

void clearLiveryReadState()
{
    for (auto* list : {&g_noFltsimSectionList, &g_invalidFileList, &g_incompleteSectionList, &g_invalidAirlineList,
                       &g_invalidTypeList})
        list->lines.clear();
    g_fixList.lines.clear();
    g_titleSet.titles.clear();
    g_dontUseTitles.clear();
}

LiveryReadTest::LiveryReadTest()
{
    clearLiveryReadState();
    gf_openLog();
}

LiveryReadTest::~LiveryReadTest()
{
    gf_closeLog();
    clearLiveryReadState();
}

std::vector<std::string> LiveryReadTest::logLines() const
{
    auto all = readLines(dir / "Log.txt");
    if (!all.empty())
        all.erase(all.begin());
    return all;
}

std::filesystem::path LiveryReadTest::writeFile(const std::filesystem::path& relative, const std::string& text) const
{
    const auto path = dir / relative;
    writeText(path, text);
    return path;
}

std::vector<std::string> lines(const std::list<std::string>& list) { return {list.begin(), list.end()}; }

} // namespace zyn::test
