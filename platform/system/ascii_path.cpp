#include "platform/system/ascii_path.h"

#include "platform/system/path_text.h"

#include <algorithm>

namespace zyn {

// Linux keeps no short names: an ASCII path or none.
std::optional<std::string> gf_asciiPathText(const std::filesystem::path& path)
{
    std::string text = gf_utf8FromPath(path);
    if (!std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::nullopt;
    return text;
}

} // namespace zyn
