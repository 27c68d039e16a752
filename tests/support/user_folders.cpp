#include "tests/support/user_folders.h"

#include "tests/support/scoped_env.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zyn::test {

namespace {

using Text = std::filesystem::path::string_type;

#ifdef _WIN32
constexpr const wchar_t* kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const Text kRoaming = L"AppData";
const Text kLocal = L"Local AppData";

std::optional<Text> lf_read(const Text& name)
{
    wchar_t value[MAX_PATH + 1] = {};
    DWORD bytes = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kShellFolders, name.c_str(), RRF_RT_REG_EXPAND_SZ | RRF_RT_REG_SZ | RRF_NOEXPAND,
                     nullptr, value, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return Text(value);
}

// The system's error code; 0 when the setting holds the value (or is gone, given nothing).
int lf_write(const Text& name, const std::optional<Text>& value)
{
    if (!value)
        return RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, name.c_str()), 0;
    return static_cast<int>(RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, name.c_str(), REG_EXPAND_SZ,
                                            value->c_str(), static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t))));
}
#else
const Text kRoaming = "XDG_CONFIG_HOME";
const Text kLocal = "XDG_DATA_HOME";

std::optional<Text> lf_read(const Text& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<Text>(value) : std::nullopt;
}

int lf_write(const Text& name, const std::optional<Text>& value)
{
    setEnvironmentVariable(name, value);
    return 0;
}
#endif

} // namespace

ScopedUserFolders::ScopedUserFolders(const std::filesystem::path& roaming,
                                     const std::optional<std::filesystem::path>& local)
{
    const std::pair<Text, const std::filesystem::path*> folders[] = {{kRoaming, &roaming},
                                                                     {kLocal, local ? &*local : nullptr}};
    for (const auto& [name, folder] : folders) {
        if (!folder)
            continue;
        std::filesystem::create_directories(*folder); // Windows finds no folder that does not exist
        m_previous.emplace_back(name, lf_read(name));
        if (const int error = lf_write(name, folder->native())) {
            restore();
            throw std::system_error(error, std::system_category(), "the user's folder could not be redirected");
        }
    }
}

ScopedUserFolders::~ScopedUserFolders()
{
    restore();
}

void ScopedUserFolders::restore()
{
    for (auto it = m_previous.rbegin(); it != m_previous.rend(); ++it)
        lf_write(it->first, it->second);
    m_previous.clear();
}

} // namespace zyn::test
