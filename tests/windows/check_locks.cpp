// A file another program holds open for a moment (a virus scanner right after a write): the replace,
// the flush of a staged file and the rename of a published folder wait until it lets go.
#include "tests/windows/checks.h"

#include "base/atomic_file.h"
#include "platform/system/files.h"
#include "platform/system/lock_retry.h"

#include <windows.h>

#include <fstream>
#include <iterator>

namespace zyn::wincheck {

namespace {

// The hold a check sets up, let go at the first wait of the step it blocks.
HANDLE g_held = INVALID_HANDLE_VALUE;
int g_waits = 0;

void lf_letGoAtFirstWait(std::chrono::milliseconds)
{
    if (g_waits++ == 0 && g_held != INVALID_HANDLE_VALUE) {
        CloseHandle(g_held);
        g_held = INVALID_HANDLE_VALUE;
    }
}

// Holds a file or folder open as a scanner does: others may read and write it (or, sharing reading
// only, not even open it to write and flush), not delete or rename it. Windows also refuses to rename
// a folder while a file in it is held so; Wine only for a hold of the folder itself.
Outcome lf_hold(const std::filesystem::path& file, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE)
{
    g_waits = 0;
    g_held = CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr);
    if (g_held == INVALID_HANDLE_VALUE)
        return "the file to hold could not be opened (error " + std::to_string(GetLastError()) + ")";
    gf_setLockWait(&lf_letGoAtFirstWait);
    return std::nullopt;
}

// What the step did under the hold; the hold is let go in any case.
Outcome lf_afterHold(const std::string& step)
{
    gf_setLockWait(nullptr);
    if (g_held != INVALID_HANDLE_VALUE) {
        CloseHandle(g_held);
        g_held = INVALID_HANDLE_VALUE;
        return step + " went through a file held open: the hold was not seen, nothing was checked";
    }
    return std::nullopt;
}

std::string lf_read(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

Outcome gf_checkStepsWaitOutAHeldFile()
{
    const auto folder = gf_scratchFolder();
    const auto saved = folder / L"learned.xml";
    std::ofstream(saved, std::ios::binary) << "old";
    if (auto problem = lf_hold(saved))
        return problem;
    try {
        gf_writeFileAtomic(saved, "new");
    } catch (const std::exception& e) {
        lf_afterHold("the replace");
        return std::string("the replace of a held file failed: ") + e.what();
    }
    if (auto problem = lf_afterHold("the replace"))
        return problem;
    if (lf_read(saved) != "new")
        return "the held file was not replaced";

    if (auto problem = lf_hold(saved, FILE_SHARE_READ))
        return problem;
    try {
        gf_syncFile(saved);
    } catch (const std::exception& e) {
        lf_afterHold("the flush");
        return std::string("the flush of a held file failed: ") + e.what();
    }
    if (auto problem = lf_afterHold("the flush"))
        return problem;

    const auto published = folder / L"my_thirdparty";
    std::filesystem::create_directories(published);
    std::ofstream(published / L"EDDM.xml", std::ios::binary) << "stands";
    if (auto problem = lf_hold(published))
        return problem;
    try {
        gf_renameFolder(published, folder / L"replaced");
    } catch (const std::exception& e) {
        lf_afterHold("the folder rename");
        return std::string("the rename of a held folder failed: ") + e.what();
    }
    if (auto problem = lf_afterHold("the folder rename"))
        return problem;
    if (lf_read(folder / L"replaced" / L"EDDM.xml") != "stands")
        return "the renamed folder lost its file";
    return std::nullopt;
}

} // namespace zyn::wincheck
