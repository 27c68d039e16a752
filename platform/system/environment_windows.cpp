#include "platform/system/environment.h"

#include "platform/system/utf16.h"

#include <stdexcept>
#include <vector>

namespace zyn {

namespace {

// The path named by UTF-8 text, never through the ANSI code page.
std::filesystem::path lf_pathOfUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

} // namespace

std::optional<std::string> gf_environmentValue(const char* name)
{
    try {
        const WideString wideName = gf_platformToUtf16(name);
        std::vector<WCHAR> buffer(256);
        for (;;) {
            const DWORD length = GetEnvironmentVariableW(wideName.c_str(), buffer.data(), DWORD(buffer.size()));
            if (length == 0)
                return std::nullopt; // not set, or set and empty
            if (length < buffer.size())
                return gf_platformToUtf8(WideStringView(buffer.data(), length));
            buffer.resize(length);
        }
    } catch (const std::range_error&) {
        return std::nullopt; // a value that is not UTF-16 has no UTF-8 form
    }
}

std::optional<std::filesystem::path> gf_environmentFolder(const char* name)
{
    const auto value = gf_environmentValue(name);
    if (!value)
        return std::nullopt;
    std::filesystem::path folder = lf_pathOfUtf8(*value);
    if (!folder.is_absolute())
        return std::nullopt;
    return folder;
}

std::optional<std::filesystem::path> gf_homeFolder()
{
    return gf_environmentFolder("USERPROFILE");
}

} // namespace zyn
