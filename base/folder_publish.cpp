#include "base/folder_publish.h"

#include "base/atomic_file.h"
#include "base/path_text.h"

#include <string>
#include <system_error>
#include <vector>

namespace zyn {

namespace fs = std::filesystem;

namespace {

// Inside the committed folder: the replaced folders until the publish has ended.
constexpr char kReplacedName[] = "replaced.folders";

fs::path lf_spentPath(const fs::path& committed)
{
    return committed.parent_path() / gf_pathFromUtf8(gf_utf8FileName(committed) + ".spent");
}

std::vector<fs::path> lf_subFolders(const fs::path& folder)
{
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_directory() && entry.path().filename() != kReplacedName)
            names.push_back(entry.path().filename());
    return names;
}

// Each rename checks what an earlier, interrupted run already did, so a repeat completes it.
void lf_swapIn(const fs::path& committed, const fs::path& name)
{
    const fs::path target = committed.parent_path() / name;
    if (fs::exists(fs::symlink_status(target)))
        fs::rename(target, committed / kReplacedName / name);
    fs::rename(committed / name, target);
}

// The sub-folders of a replaced folder that its new one lacks move over.
void lf_carryOver(const fs::path& replaced, const fs::path& target)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(replaced))
        if (entry.is_directory() && !fs::exists(fs::symlink_status(target / entry.path().filename())))
            fs::rename(entry.path(), target / entry.path().filename());
}

} // namespace

void gf_finishFolderPublish(const fs::path& committed)
{
    const fs::path spent = lf_spentPath(committed);
    if (fs::is_directory(committed)) {
        const fs::path parent = committed.parent_path();
        const fs::path replaced = committed / kReplacedName;
        fs::create_directory(replaced);
        for (const fs::path& name : lf_subFolders(committed))
            lf_swapIn(committed, name);
        std::vector<fs::path> targets;
        for (const fs::directory_entry& entry : fs::directory_iterator(replaced)) {
            targets.push_back(parent / entry.path().filename());
            if (entry.is_directory())
                lf_carryOver(entry.path(), targets.back());
        }
        gf_syncFolder(parent);
        for (const fs::path& target : targets)
            gf_syncFolder(target);
        // Done: what is left is the replaced folders, which go. A kill from here on leaves the new
        // folders whole and no committed folder to finish.
        fs::remove_all(spent);
        fs::rename(committed, spent);
    }
    fs::remove_all(spent);
}

void gf_publishFolders(const fs::path& staging, const fs::path& committed)
{
    gf_finishFolderPublish(committed);
    gf_syncFileSystem(staging);
    fs::rename(staging, committed);
    gf_syncFolder(committed.parent_path());
    gf_finishFolderPublish(committed);
}

void gf_stageKeptFiles(const fs::path& previous, const fs::path& staged)
{
    if (!fs::is_directory(previous))
        return;
    for (const fs::directory_entry& entry : fs::directory_iterator(previous)) {
        const fs::path kept = staged / entry.path().filename();
        if (!entry.is_regular_file() || fs::exists(fs::symlink_status(kept)))
            continue;
        std::error_code linkError;
        fs::create_hard_link(entry.path(), kept, linkError);
        if (linkError)
            fs::copy_file(entry.path(), kept);
    }
}

} // namespace zyn
