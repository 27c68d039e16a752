#include "platform/system/environment.h"

#include "platform/system/path_text.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <windows.h>

namespace zyn {

namespace {

// The variable's value as Windows keeps it (UTF-16): getenv would give it in the ANSI code page.
const wchar_t* lf_wideValue(const char* name)
{
    const std::wstring wideName(name, name + std::strlen(name)); // our names are ASCII
    const wchar_t* value = _wgetenv(wideName.c_str());
    return value && *value ? value : nullptr;
}

} // namespace

std::optional<std::string> gf_environmentValue(const char* name)
{
    const wchar_t* value = lf_wideValue(name);
    if (!value)
        return std::nullopt;
    return gf_utf8FromPath(std::filesystem::path(value));
}

std::optional<std::filesystem::path> gf_environmentFolder(const char* name)
{
    const wchar_t* value = lf_wideValue(name);
    if (!value)
        return std::nullopt;
    std::filesystem::path folder(value);
    if (!folder.is_absolute())
        return std::nullopt;
    return folder;
}

std::optional<std::filesystem::path> gf_caBundleFile()
{
    const wchar_t* value = lf_wideValue("TARVO_CA_BUNDLE");
    if (!value)
        return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> gf_homeFolder() { return gf_environmentFolder("USERPROFILE"); }

} // namespace zyn
