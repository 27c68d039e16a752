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
    std::u16string text;
    try {
        text = zyn::gf_platformToUtf16(found->lexically_normal().string());
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
