// A file another program holds open for a moment (a virus scanner right after a write): the replace,
// the flush of a staged file and the rename of a published folder wait until it lets go.
#include "tests/windows/checks.h"

#include "base/atomic_file.h"
#include "base/folder_publish.h"
#include "platform/system/files.h"
#include "platform/system/lock_retry.h"

#include <windows.h>

#include <fstream>
#include <functional>

namespace zyn::wincheck {

namespace {

// The hold a check sets up, let go at the first wait of the step it blocks (or after the step).
HANDLE g_held = INVALID_HANDLE_VALUE;

void lf_letGo(std::chrono::milliseconds = {})
{
    if (g_held != INVALID_HANDLE_VALUE)
        CloseHandle(g_held);
    g_held = INVALID_HANDLE_VALUE;
}

// Holds a file or folder open as a scanner does: others may read and write it (or, sharing reading
// only, not even open it to write and flush), not delete or rename it. Windows also refuses to rename
// a folder while a file in it is held so; Wine only for a hold of the folder itself.
Outcome lf_hold(const std::filesystem::path& file, DWORD share)
{
    g_held = CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr);
    if (g_held == INVALID_HANDLE_VALUE)
        return "the file to hold could not be opened (error " + std::to_string(GetLastError()) + ")";
    gf_setLockWait(&lf_letGo);
    return std::nullopt;
}

} // namespace

Outcome gf_checkStepsWaitOutAHeldFile()
{
    const auto folder = gf_scratchFolder();
    const auto saved = folder / L"learned.xml";
    const auto published = folder / L"my_thirdparty";
    std::ofstream(saved, std::ios::binary) << "old";
    std::filesystem::create_directories(published);
    std::ofstream(published / L"EDDM.xml", std::ios::binary) << "stands";
    const struct {
        const char* step;
        std::filesystem::path held;
        DWORD share;
        std::function<void()> run;
        std::function<bool()> done;
    } steps[] = {
        {"the replace", saved, FILE_SHARE_READ | FILE_SHARE_WRITE, [&] { gf_writeFileAtomic(saved, "new"); },
         [&] { return gf_readBytes(saved) == "new"; }},
        {"the flush", saved, FILE_SHARE_READ, [&] { gf_syncFile(saved); }, [] { return true; }},
        {"the folder rename", published, FILE_SHARE_READ | FILE_SHARE_WRITE,
         [&] { gf_renameFolder(published, folder / L"replaced"); },
         [&] { return gf_readBytes(folder / L"replaced" / L"EDDM.xml") == "stands"; }},
    };
    for (const auto& s : steps) {
        if (auto problem = lf_hold(s.held, s.share))
            return problem;
        Outcome problem;
        try {
            s.run();
        } catch (const std::exception& e) {
            problem = std::string(s.step) + " failed: " + e.what();
        }
        gf_setLockWait(nullptr);
        if (g_held != INVALID_HANDLE_VALUE && !problem)
            problem = std::string(s.step) + " went through a held file: the hold was not seen, nothing was checked";
        lf_letGo();
        if (!problem && !s.done())
            problem = std::string(s.step) + " did not take";
        if (problem)
            return problem;
    }
    return std::nullopt;
}

// A new folder held open through every retry cannot be moved in: the publish fails, the folder it
// would replace stays where it was, whole, and a later finish moves the new one in.
Outcome gf_checkHeldFolderKeepsPublished()
{
    const auto parent = gf_scratchFolder();
    const auto committed = parent / L"scan.committed";
    std::filesystem::create_directories(parent / L"my_thirdparty");
    std::filesystem::create_directories(committed / L"my_thirdparty");
    std::ofstream(parent / L"my_thirdparty" / L"EDDM.xml", std::ios::binary) << "old";
    std::ofstream(committed / L"my_thirdparty" / L"EDDM.xml", std::ios::binary) << "new";
    if (auto problem = lf_hold(committed / L"my_thirdparty", FILE_SHARE_READ | FILE_SHARE_WRITE))
        return problem;
    gf_setLockWait([](std::chrono::milliseconds) {}); // the patience runs out without a real wait
    Outcome problem = "the publish went through a held folder: the hold was not seen, nothing was checked";
    try {
        gf_finishFolderPublish(committed);
    } catch (const std::exception&) {
        problem = std::nullopt;
    }
    lf_letGo();
    gf_setLockWait(nullptr);
    if (problem)
        return problem;
    if (gf_readBytes(parent / L"my_thirdparty" / L"EDDM.xml") != "old")
        return "the published folder is gone after the failed publish";
    try {
        gf_finishFolderPublish(committed);
    } catch (const std::exception& e) {
        return std::string("the finish after the hold failed: ") + e.what();
    }
    if (gf_readBytes(parent / L"my_thirdparty" / L"EDDM.xml") != "new" || std::filesystem::exists(committed))
        return "the finish after the hold did not publish the new folder";
    return std::nullopt;
}

} // namespace zyn::wincheck
