// Files and folders: the atomic replace of an existing file, the per-user folder when the user's
// name is not ASCII, and the flight plan's path for SimConnect under such a name.
#include "tests/windows/checks.h"

#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/ascii_path.h"
#include "platform/system/files.h"
#include "sim/flight_plan.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace zyn::wincheck {

namespace {

std::size_t lf_entries(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

constexpr const wchar_t* kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Points the roaming application-data folder of this (Wine) user at the folder, as a profile of a user
// with that name would have it, and puts the user's own back when it ends: the programs run in the same
// prefix afterwards (the session) must find their usual folder.
class RoamingRedirect {
public:
    explicit RoamingRedirect(const std::filesystem::path& folder)
    {
        DWORD bytes = sizeof(m_previous);
        m_hadPrevious = RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"AppData", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                     nullptr, m_previous, &bytes) == ERROR_SUCCESS;
        m_status = lf_setRoaming(folder.wstring());
    }
    ~RoamingRedirect()
    {
        if (m_hadPrevious)
            lf_setRoaming(m_previous);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"AppData");
    }
    RoamingRedirect(const RoamingRedirect&) = delete;
    RoamingRedirect& operator=(const RoamingRedirect&) = delete;
    Outcome problem() const
    {
        if (m_status == ERROR_SUCCESS)
            return std::nullopt;
        return "the roaming folder could not be redirected (error " + std::to_string(m_status) + ")";
    }

private:
    static LSTATUS lf_setRoaming(const std::wstring& text)
    {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"AppData", REG_EXPAND_SZ, text.c_str(),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    wchar_t m_previous[MAX_PATH + 1] = {};
    bool m_hadPrevious = false;
    LSTATUS m_status = ERROR_SUCCESS;
};

// UTF-8 by the system's own conversion, apart from the program's.
std::string lf_utf8(const std::wstring& text)
{
    const int size = static_cast<int>(text.size());
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr,
                                                                 nullptr)),
                    '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

// The names in a folder as the system lists them, sorted.
std::vector<std::wstring> lf_listNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
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

// Copies over existing files, which the C++ runtime refuses on Windows: the two generations of
// backups of three runs, a copy that keeps an existing file, and a read-only file's copy that the
// next copy can go over.
Outcome gf_checkCopiesOverExistingFiles()
{
    const auto folder = gf_scratchFolder();
    const auto file = folder / L"Log.txt";
    for (const char* run : {"first", "second", "third"}) {
        if (!gf_backupFile(file))
            return std::string("the backup before the ") + run + " run failed";
        std::ofstream(file, std::ios::binary) << run;
    }
    if (gf_readBytes(folder / L"Log00.txt") != "first" || gf_readBytes(folder / L"Log0.txt") != "second")
        return "the backups of three runs hold \"" + gf_readBytes(folder / L"Log00.txt") + "\" and \"" +
               gf_readBytes(folder / L"Log0.txt") + "\"";
    if (gf_copyFile(file, folder / L"Log0.txt", ExistingTarget::Keep) || gf_readBytes(folder / L"Log0.txt") != "second")
        return "a copy that keeps an existing file went over it";
    const auto copy = folder / L"copy.txt";
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    gf_copyFile(file, copy, ExistingTarget::Replace);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY) != 0)
        return "the copy of a read-only file is read-only";
    gf_copyFile(folder / L"Log0.txt", copy, ExistingTarget::Replace);
    if (gf_readBytes(copy) != "second")
        return "the copy over the read-only file's copy did not take";
    return std::nullopt;
}

// The user's name has letters no ANSI code page of Western Europe holds: a narrow call anywhere on the
// way would turn them into "?". The check makes only the profile, with the wide API, as Windows does;
// everything beneath it is made by the program and then found by listing the folders in UTF-16.
Outcome gf_checkUserFolderWithNonAsciiName()
{
    const auto scratch = gf_scratchFolder();
    const std::wstring user = L"\u0395\u03bb\u03ad\u03bd\u03b7 \u0416\u0443\u043a\u043e\u0432"; // Ελένη Жуков
    const std::wstring profile = scratch.wstring() + L"\\" + user;
    const std::wstring roaming = profile + L"\\AppData\\Roaming";
    for (const std::wstring& folder : {profile, profile + L"\\AppData", roaming})
        if (!CreateDirectoryW(folder.c_str(), nullptr))
            return "the profile could not be made (error " + std::to_string(GetLastError()) + ")";
    const RoamingRedirect redirect(roaming);
    if (auto problem = redirect.problem())
        return problem;

    // The program: its per-user folder as UTF-8 text, the flight plan folder and a plan in it, a file
    // written through a path made from that text.
    const std::string userText = gf_utf8FromPath(gf_userDataPath());
    if (userText != lf_utf8(roaming + L"\\Tarvo"))
        return "the per-user folder reads \"" + userText + "\"";
    if (!gf_createFlightPlanFolder())
        return "the flight plan folder was not made";
    AcHead head;
    head.origin = "LGAV";
    head.destination = "UUEE";
    if (!gf_writeFlightPlan(g_flightPlanFolder / gf_flightPlanFileName(1234), head, AcCategory::Heavy))
        return "the flight plan was not written";
    gf_writeFileAtomic(gf_pathFromUtf8(userText) / "my_park_airports.txt", "EGLL,\"V,12\"\nLSZH,E17\n");
    const auto lines = gf_readFile(gf_pathFromUtf8(userText) / "my_park_airports.txt");
    if (!lines || lines->size() != 2 || (*lines)[1] != "LSZH,E17")
        return "the file written under the per-user folder did not read back";

    // Found where the user's name is, and nowhere else.
    using Names = std::vector<std::wstring>;
    const std::wstring tarvo = roaming + L"\\Tarvo";
    const std::pair<std::wstring, Names> expected[] = {
        {scratch.wstring(), {user}},
        {roaming, {L"Tarvo"}},
        {tarvo, {L"my_park_airports.txt", L"orig_dest"}},
        {tarvo + L"\\orig_dest", {L"1234.pln"}},
    };
    for (const auto& [folder, names] : expected)
        if (lf_listNames(folder) != names)
            return "\"" + lf_utf8(folder) + "\" does not hold what the program made";
    if (gf_readBytes(tarvo + L"\\orig_dest\\1234.pln") != gf_flightPlanText(head, AcCategory::Heavy))
        return "the flight plan found under the user's folder is not the one written";
    return std::nullopt;
}

// SimConnect takes the flight plan's path as narrow text in a code page nobody states: under a user
// folder of Greek and Cyrillic letters the program hands it the short form, which is ASCII and opens
// through the ANSI calls a library would make.
Outcome gf_checkFlightPlanPathIsAscii()
{
    const std::string user = "\u0395\u03bb\u03ad\u03bd\u03b7 \u0416\u0443\u043a\u043e\u0432"; // UTF-8 text
    const auto folder = gf_scratchFolder() / gf_pathFromUtf8(user) / "orig_dest";
    std::filesystem::create_directories(folder);
    const auto plan = folder / gf_flightPlanFileName(77);
    AcHead head;
    head.origin = "LGAV";
    head.destination = "UUEE";
    if (!gf_writeFlightPlan(plan, head, AcCategory::Light))
        return "the flight plan was not written";
    const std::optional<std::string> text = gf_asciiPathText(plan);
    if (!text)
        return "\"" + gf_utf8FromPath(plan) + "\" has no ASCII form";
    if (!std::all_of(text->begin(), text->end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return "the path handed over is not ASCII: \"" + *text + "\"";
    const HANDLE file = CreateFileA(text->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "the ASCII path \"" + *text + "\" does not open";
    std::string bytes(4096, '\0');
    DWORD read = 0;
    const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(ok ? read : 0);
    if (bytes != gf_flightPlanText(head, AcCategory::Light))
        return "the ASCII path \"" + *text + "\" names another file";
    if (gf_asciiPathText(L"C:\\Tarvo\\orig_dest\\1.pln") != "C:\\Tarvo\\orig_dest\\1.pln")
        return "an ASCII path was changed";
    return std::nullopt;
}

} // namespace zyn::wincheck
