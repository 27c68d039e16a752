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

// A new folder held open through every retry cannot be moved in: the publish fails, and every folder
// it replaces, also the one swapped before the held one, is the previous one again, whole; a later
// finish moves the new ones in.
Outcome gf_checkHeldFolderKeepsPublished()
{
    const auto parent = gf_scratchFolder();
    const auto committed = parent / L"scan.committed";
    const std::filesystem::path folders[] = {L"my_simaddon", L"my_thirdparty"}; // swapped in this order
    for (const auto& folder : folders) {
        std::filesystem::create_directories(parent / folder);
        std::filesystem::create_directories(committed / folder);
        std::ofstream(parent / folder / L"EDDM.xml", std::ios::binary) << "old";
        std::ofstream(committed / folder / L"EDDM.xml", std::ios::binary) << "new";
    }
    const auto holding = [&](const char* text) {
        for (const auto& folder : folders)
            if (gf_readBytes(parent / folder / L"EDDM.xml") != text)
                return false;
        return true;
    };
    if (auto problem = lf_hold(committed / folders[1], FILE_SHARE_READ | FILE_SHARE_WRITE))
        return problem;
    gf_setLockWait([](std::chrono::milliseconds) {}); // the patience runs out without a real wait
    Outcome problem = "the publish went through a held folder: the hold was not seen, nothing was checked";
    try {
        gf_finishFolderPublish(committed);
    } catch (const PublishPutBack&) {
        problem = std::nullopt;
    } catch (const std::exception& e) {
        problem = std::string("the failed publish was not put back: ") + e.what();
    }
    lf_letGo();
    gf_setLockWait(nullptr);
    if (problem)
        return problem;
    if (!holding("old"))
        return "a published folder is not the previous one after the failed publish";
    try {
        gf_finishFolderPublish(committed);
    } catch (const std::exception& e) {
        return std::string("the finish after the hold failed: ") + e.what();
    }
    if (!holding("new") || std::filesystem::exists(committed))
        return "the finish after the hold did not publish the new folders";
    return std::nullopt;
}

} // namespace zyn::wincheck
