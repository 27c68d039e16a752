#include "base/path_case.h"

#include "base/path_text.h"
#include "base/text_util.h"

namespace zyn {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> lf_findChild(const fs::path& folder, const fs::path& name)
{
    if (fs::exists(folder / name))
        return folder / name;
    if (!fs::is_directory(folder))
        return std::nullopt;
    const std::string wanted = gf_toUpper(gf_utf8FromPath(name));
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (gf_toUpper(gf_utf8FileName(entry.path())) == wanted)
            return entry.path();
    return std::nullopt;
}

} // namespace

std::optional<fs::path> gf_findCaseInsensitive(const fs::path& base, const fs::path& relative)
{
    fs::path found = base;
    for (const fs::path& part : relative) {
        auto child = lf_findChild(found, part);
        if (!child)
            return std::nullopt;
        found = std::move(*child);
    }
    return found;
}

} // namespace zyn
