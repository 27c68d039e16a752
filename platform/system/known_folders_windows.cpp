#include "platform/system/known_folders.h"

namespace zyn {

std::optional<std::filesystem::path> gf_knownFolder(KnownFolder folder)
{
    const KNOWNFOLDERID& id = folder == KnownFolder::RoamingAppData ? FOLDERID_RoamingAppData : FOLDERID_LocalAppData;
    PWSTR text = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &text);
    std::optional<std::filesystem::path> found;
    if (SUCCEEDED(result) && text)
        found = std::filesystem::path(text);
    CoTaskMemFree(text); // also when the call failed, as the documentation asks
    return found;
}

} // namespace zyn
