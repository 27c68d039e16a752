#include "platform/system/process.h"

#include "platform/system/last_error.h"
#include "platform/system/utf16.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

// Any non-null value works: the program only hands it back to the window layer.
HMODULE const g_programModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x400000});

struct StringResource {
    UINT id;
    std::u16string_view text;
};

// The program's string table.
constexpr StringResource g_stringTable[] = {
    {IDS_APP_TITLE, u"Tarvo"},
};

} // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    if (moduleName) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return g_programModule;
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer)
{
    std::error_code error;
    const auto folder = std::filesystem::current_path(error);
    if (error) {
        SetLastError(zyn::gf_errorFromErrno(error.value()));
        return 0;
    }
    std::u16string text;
    try {
        text = zyn::gf_platformToUtf16(folder.string());
    } catch (const std::range_error&) {
        SetLastError(ERROR_GEN_FAILURE); // a folder name that is not UTF-8
        return 0;
    }
    if (!buffer || size < text.size() + 1)
        return static_cast<DWORD>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
    return static_cast<DWORD>(text.size());
}

int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int size)
{
    const auto found = std::find_if(std::begin(g_stringTable), std::end(g_stringTable),
                                    [id](const StringResource& r) { return r.id == id; });
    if (found == std::end(g_stringTable) || !buffer || size <= 0) {
        SetLastError(found == std::end(g_stringTable) ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto count = std::min<std::size_t>(found->text.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(found->text.begin(), count, buffer);
    buffer[count] = u'\0';
    return static_cast<int>(count);
}
