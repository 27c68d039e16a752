// Files and folders: the atomic replace of an existing file, and the per-user folder when the user's
// name is not ASCII.
#include "tests/windows/checks.h"

#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/path_text.h"

#include <windows.h>

#include <fstream>
#include <iterator>

namespace zyn::wincheck {

namespace {

std::size_t lf_entries(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

// Points the roaming application-data folder of this (Wine) user at the folder, as a profile of a user
// with that name would have it.
Outcome lf_redirectRoamingAppData(const std::filesystem::path& folder)
{
    const std::wstring text = folder.wstring();
    const LSTATUS status = RegSetKeyValueW(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", L"AppData",
        REG_EXPAND_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        return "the roaming folder could not be redirected (error " + std::to_string(status) + ")";
    return std::nullopt;
}

} // namespace

std::filesystem::path gf_scratchFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const auto folder = std::filesystem::path(temp) / L"tarvo-check" /
                        (L"J\u00fcrgen-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(GetTickCount64()));
    std::filesystem::create_directories(folder);
    return folder;
}

std::string gf_readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Outcome gf_checkAtomicReplace()
{
    const auto folder = gf_scratchFolder();
    const auto file = folder / L"par\u00e1metros.xml";
    std::ofstream(file, std::ios::binary) << "old\r\nsettings\r\n";
    // Line ends stay as written: the file is written in binary, never in text mode.
    const std::string bytes = "<new>\nline\r\nend\n";
    gf_writeFileAtomic(file, bytes);
    if (const std::string read = gf_readBytes(file); read != bytes)
        return "read back \"" + read + "\" after replacing an existing file";
    gf_writeFileAtomic(file, "again");
    if (gf_readBytes(file) != "again")
        return "the second replace did not take";
    if (const std::size_t n = lf_entries(folder); n != 1)
        return std::to_string(n) + " files in the folder after two replaces: a temporary was left";
    return std::nullopt;
}

Outcome gf_checkUserFolderWithNonAsciiName()
{
    const auto roaming = gf_scratchFolder() / L"J\u00fcrgen \u00dcn\u00efc\u00f8d\u00e9" / L"AppData" / L"Roaming";
    std::filesystem::create_directories(roaming);
    if (auto problem = lf_redirectRoamingAppData(roaming))
        return problem;
    const std::filesystem::path& userFolder = gf_userDataPath();
    if (userFolder != roaming / L"Tarvo")
        return "the per-user folder is \"" + gf_utf8FromPath(userFolder) + "\", not under \"" + gf_utf8FromPath(roaming) +
               "\"";
    std::filesystem::create_directories(userFolder);
    const auto file = userFolder / "my_park_airports.txt";
    gf_writeFileAtomic(file, "EGLL,\"V,12\"\nLSZH,E17\n");
    const auto lines = gf_readFile(gf_pathFromUtf8(gf_utf8FromPath(file)));
    if (!lines || lines->size() != 2 || (*lines)[1] != "LSZH,E17")
        return "the file written under the per-user folder did not read back";
    // The folder holds the name the user has, not its ANSI misreading.
    if (!std::filesystem::is_directory(roaming.parent_path().parent_path()))
        return "the per-user folder's name changed on the way to the disk";
    return std::nullopt;
}

} // namespace zyn::wincheck
