#include "platform/system/known_folders.h"

#include "platform/system/environment.h"
#include "platform/system/utf16.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

using std::filesystem::path;

std::optional<path> lf_xdgFolder(const char* variable, const path& underHome)
{
    if (auto folder = zyn::gf_environmentFolder(variable))
        return folder;
    if (auto home = zyn::gf_homeFolder())
        return *home / underHome;
    return std::nullopt;
}

std::optional<path> lf_folderOf(int folder)
{
    switch (folder) {
    case CSIDL_APPDATA:
        return lf_xdgFolder("XDG_CONFIG_HOME", ".config");
    case CSIDL_LOCAL_APPDATA:
        return lf_xdgFolder("XDG_DATA_HOME", path(".local") / "share");
    default:
        return std::nullopt;
    }
}

} // namespace

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR out)
{
    const int id = folder;
    if (!out || (id != CSIDL_APPDATA && id != CSIDL_LOCAL_APPDATA))
        return E_INVALIDARG;
    out[0] = u'\0';
    const auto found = lf_folderOf(id);
    if (!found)
        return E_FAIL;
    zyn::WideString text;
    try {
        const std::u8string utf8 = found->lexically_normal().u8string();
        text = zyn::gf_platformToUtf16(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
    } catch (const std::range_error&) {
        return E_FAIL; // a folder name that is not UTF-8 has no UTF-16 form
    }
    while (text.size() > 1 && text.back() == u'/')
        text.pop_back();
    if (text.size() >= MAX_PATH)
        return E_FAIL;
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = u'\0';
    return S_OK;
}

namespace zyn {

std::optional<std::filesystem::path> gf_knownFolder(KnownFolder folder)
{
    WCHAR buffer[MAX_PATH] = {};
    const int id = folder == KnownFolder::RoamingAppData ? CSIDL_APPDATA : CSIDL_LOCAL_APPDATA;
    if (SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK)
        return std::nullopt;
    const std::string utf8 = gf_platformToUtf8(WideStringView(buffer, gf_utf16Length(buffer)));
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace zyn
