#pragma once
// Installed liveries for a test, put in place the way the start-up does it: through the livery
// index's own build, run in a program folder of its own with the download server stand-in, which
// has no registration codes to offer. The settings the build switches off for categories without a
// livery are put back at once; the index is emptied again at the end.
#include "livery/livery_data.h"
#include "tests/support/temp_dir.h"

#include <string>
#include <utility>
#include <vector>

namespace zyn::test {

class InstalledLiveries {
public:
    // regcodeLines: the lines of a user registration file in the program folder.
    explicit InstalledLiveries(std::vector<LiveryData> liveries, const std::vector<std::string>& regcodeLines = {});
    ~InstalledLiveries();
    InstalledLiveries(const InstalledLiveries&) = delete;
    InstalledLiveries& operator=(const InstalledLiveries&) = delete;

private:
    TempDir m_programDir;
    TempDir m_serverDir;
};

// One installed livery of a test catalogue.
inline LiveryData livery(std::string airline, std::string type, std::string title, std::string atcid = "", bool cargo = false)
{
    return {std::move(airline), std::move(type), std::move(title), std::move(atcid), 1, cargo};
}

// Airline-neutral passenger liveries, one per {type, title}: any airline of the type wears them.
std::vector<LiveryData> genericLiveries(const std::vector<std::pair<std::string, std::string>>& typeTitles);

} // namespace zyn::test
