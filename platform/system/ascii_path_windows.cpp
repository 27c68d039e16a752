#include "platform/system/ascii_path.h"

#include <algorithm>
#include <string>

#include <windows.h>

namespace zyn {

namespace {

std::optional<std::string> lf_narrowIfAscii(const std::wstring& text)
{
    if (!std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; }))
        return std::nullopt;
    return std::string(text.begin(), text.end());
}

// The short form of an existing path; the long one comes back where a part has no short name.
std::wstring lf_shortForm(const std::wstring& path)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, L'\0'); // the needed size, with its terminator
    }
    return {};
}

} // namespace

std::optional<std::string> gf_asciiPathText(const std::filesystem::path& path)
{
    const std::wstring text = path.wstring();
    if (auto ascii = lf_narrowIfAscii(text))
        return ascii;
    const std::wstring shortForm = lf_shortForm(text);
    if (shortForm.empty())
        return std::nullopt;
    return lf_narrowIfAscii(shortForm);
}

} // namespace zyn
