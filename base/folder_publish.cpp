#include "base/folder_publish.h"

#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace zyn {

namespace fs = std::filesystem;

namespace {

// Inside the committed folder: the replaced folders until the publish has ended, and the list of what
// the publish replaces.
constexpr char kReplacedName[] = "replaced.folders";
constexpr char kPlacedListName[] = "published.entries";

fs::path lf_spentPath(const fs::path& committed)
{
    return committed.parent_path() / gf_pathFromUtf8(gf_utf8FileName(committed) + ".spent");
}

// One entry of a publish: source (in the committed folder) takes target's place, which moves aside
// (into the replaced folders). An entry not staged (placed elsewhere, nothing written) only moves
// target aside. Only folders beside the committed one carry sub-folders over.
struct Swap {
    fs::path source;
    fs::path target;
    fs::path aside;
    bool staged = true;
    bool carry = true;
};

bool lf_exists(const fs::path& path)
{
    return fs::exists(fs::symlink_status(path));
}

// The entries of a publish, as its staging listed them. Each line: "=" and the name of a folder beside
// the committed one; or "+" (staged) or "-" (not staged), the name of an entry placed elsewhere, a
// tab and its target.
std::vector<Swap> lf_listedSwaps(const fs::path& committed, const std::vector<std::string>& lines)
{
    std::vector<Swap> swaps;
    for (const std::string& line : lines) {
        const std::size_t tab = line.find('\t');
        if (line.size() < 2 || (line[0] != '=') != (tab != std::string::npos))
            throw std::runtime_error(gf_utf8FromPath(committed / kPlacedListName) + " is damaged");
        const fs::path name = gf_pathFromUtf8(line.substr(1, tab == std::string::npos ? tab : tab - 1));
        const fs::path target =
            line[0] == '=' ? committed.parent_path() / name : gf_pathFromUtf8(line.substr(tab + 1));
        swaps.push_back({committed / name, target, committed / kReplacedName / name, line[0] != '-', line[0] == '='});
    }
    return swaps;
}

// A publish without a list (an earlier version's): the folders still to move in and those an earlier
// run moved (their previous ones aside), in name order.
std::vector<Swap> lf_swaps(const fs::path& committed)
{
    if (std::optional<std::vector<std::string>> lines = gf_readFile(committed / kPlacedListName))
        return lf_listedSwaps(committed, *lines);
    std::vector<fs::path> names;
    for (const fs::path& folder : {committed, committed / kReplacedName})
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.is_directory() && entry.path().filename() != kReplacedName)
                names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::vector<Swap> swaps;
    for (const fs::path& name : names)
        swaps.push_back({committed / name, committed.parent_path() / name, committed / kReplacedName / name});
    return swaps;
}

// Each rename checks what an earlier, interrupted run already did, so a repeat completes it. When the
// new entry cannot be moved in (held open past the lock patience on Windows), the previous one goes
// back.
void lf_swapIn(const Swap& swap)
{
    if (swap.staged && !lf_exists(swap.source))
        return; // moved in by an earlier run
    const bool hadTarget = lf_exists(swap.target);
    if (hadTarget)
        gf_renameFolder(swap.target, swap.aside);
    if (!swap.staged)
        return;
    try {
        gf_renameFolder(swap.source, swap.target);
    } catch (const fs::filesystem_error&) {
        if (hadTarget)
            try {
                gf_renameFolder(swap.aside, swap.target);
            } catch (const fs::filesystem_error&) { // the move-in's failure is the one reported
            }
        throw;
    }
}

// Undoes a swap, by this run or an earlier one, so every target is the previous one again; false when
// a rename failed.
bool lf_putBack(const Swap& swap)
{
    try {
        if (swap.staged && !lf_exists(swap.source) && lf_exists(swap.target))
            gf_renameFolder(swap.target, swap.source);
        if (lf_exists(swap.aside) && !lf_exists(swap.target))
            gf_renameFolder(swap.aside, swap.target);
        return true;
    } catch (const fs::filesystem_error&) {
        return false;
    }
}

// All or none: one entry that cannot be moved in puts back those already moved, so no reader finds
// one folder new and another old.
void lf_swapAll(const std::vector<Swap>& swaps)
{
    for (const Swap& swap : swaps) {
        try {
            lf_swapIn(swap);
        } catch (const fs::filesystem_error& e) {
            bool whole = true;
            for (auto back = swaps.rbegin(); back != swaps.rend(); ++back)
                whole = lf_putBack(*back) && whole;
            if (!whole)
                throw; // a later finish moves forward what is left
            throw PublishPutBack(std::string("the publish was put back: ") + gf_exceptionText(e));
        }
    }
}

// The sub-folders of a replaced folder that its new one lacks move over.
void lf_carryOver(const fs::path& replaced, const fs::path& target)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(replaced))
        if (entry.is_directory() && !fs::exists(fs::symlink_status(target / entry.path().filename())))
            gf_renameFolder(entry.path(), target / entry.path().filename());
}

fs::path lf_folderOf(const fs::path& path)
{
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Up to this many files written anew are flushed one by one; more with one sync of the file system,
// which also flushes what other processes wrote.
constexpr std::size_t kFlushEachLimit = 16;

// The file in the published folder that a staged file would replace.
fs::path lf_publishedPath(const fs::path& staging, const fs::path& file)
{
    const fs::path folder = file.parent_path();
    if (folder.parent_path() != staging)
        throw std::invalid_argument(gf_utf8FromPath(file) + " is not in a staged folder");
    return staging.parent_path() / folder.filename() / file.filename();
}

// A published file this much longer than the staged bytes is not read to its end: it differs.
constexpr std::size_t kLongerPublished = 256;

// Whether the file stands for the bytes (by the rule, else when equal); false when it cannot be read.
bool lf_holdsBytes(const fs::path& path, std::string_view bytes, FolderStaging::SameContent same)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(gf_openFile(path, "rb"), &std::fclose);
    if (!file)
        return false;
    std::setvbuf(file.get(), nullptr, _IONBF, 0); // read straight into the buffer, once
    // A buffer of the call's own: a thread_local one, freed as its scan worker ends, corrupts the
    // heap of the Windows runtime.
    std::string read(bytes.size() + (same ? kLongerPublished : 1), '\0'); // more: a longer file reads more
    const std::size_t size = std::fread(read.data(), 1, read.size(), file.get());
    if (size == read.size() || std::ferror(file.get()))
        return false;
    const std::string_view published(read.data(), size);
    return same ? same(published, bytes) : published == bytes;
}

// Staged files are new names: a file of its own unless another thread took the name first, whose
// file is then replaced whole.
void lf_writeNew(const fs::path& file, std::string_view bytes)
{
    const FileHandle handle = gf_createNewFile(file);
    if (handle == kNoFile) {
        gf_writeFileAtomic(file, bytes, FileSync::Deferred);
        return;
    }
    bool whole = false;
    try {
        gf_writeToFile(handle, bytes, file);
        whole = true;
        gf_closeFile(handle, file);
    } catch (const fs::filesystem_error&) {
        try {
            if (!whole)
                gf_closeFile(handle, file);
        } catch (const fs::filesystem_error&) { // the write's failure is the one reported
        }
        std::error_code ignored;
        gf_removeFile(file, ignored);
        throw;
    }
}

void lf_commit(const fs::path& staging, const fs::path& committed)
{
    gf_renameFolder(staging, committed);
    gf_syncFolder(committed.parent_path());
    gf_finishFolderPublish(committed);
}

} // namespace

void gf_finishFolderPublish(const fs::path& committed)
{
    const fs::path spent = lf_spentPath(committed);
    if (fs::is_directory(committed)) {
        fs::create_directory(committed / kReplacedName);
        const std::vector<Swap> swaps = lf_swaps(committed);
        lf_swapAll(swaps);
        std::vector<fs::path> folders{committed.parent_path()};
        for (const Swap& swap : swaps) {
            if (swap.carry && fs::is_directory(swap.aside))
                lf_carryOver(swap.aside, swap.target);
            folders.push_back(lf_folderOf(swap.target));
            if (swap.staged && fs::is_directory(swap.target))
                folders.push_back(swap.target);
        }
        std::sort(folders.begin(), folders.end());
        folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
        for (const fs::path& folder : folders)
            gf_syncFolder(folder);
        // Done: what is left is the replaced folders, which go. A kill from here on leaves the new
        // folders whole and no committed folder to finish. An earlier spent folder that stays (a file
        // held open by another program) leaves this one committed, as a kill before the rename does:
        // the next finish completes it.
        if (!gf_removeFolderOrLog(spent))
            return;
        gf_renameFolder(committed, spent);
    }
    // The publish stands without this: what cannot be removed now goes at the next finish, before
    // anything is renamed to it.
    gf_removeFolderOrLog(spent);
}

namespace {

// Puts into staged every file of previous that staged lacks, as a hard link (a copy where the file
// system has none): a folder published as additions to the one it replaces. Returns the copies.
std::vector<fs::path> lf_stageKeptFiles(const fs::path& previous, const fs::path& staged)
{
    std::vector<fs::path> copies;
    if (!fs::is_directory(previous))
        return copies;
    for (const fs::directory_entry& entry : fs::directory_iterator(previous)) {
        const fs::path kept = staged / entry.path().filename();
        if (!entry.is_regular_file() || fs::exists(fs::symlink_status(kept)))
            continue;
        std::error_code linkError;
        fs::create_hard_link(entry.path(), kept, linkError);
        if (linkError) {
            gf_copyFile(entry.path(), kept, ExistingTarget::Keep);
            copies.push_back(kept);
        }
    }
    return copies;
}

} // namespace

fs::path FolderStaging::publishedPath(const fs::path& file) const
{
    for (const PlacedEntry& entry : m_placed) {
        if (file == entry.staged)
            return entry.target;
        if (file.parent_path() == entry.staged)
            return entry.target / file.filename();
    }
    return lf_publishedPath(m_staging, file);
}

void FolderStaging::put(const fs::path& file, std::string_view bytes, SameContent same)
{
    const bool equal = lf_holdsBytes(publishedPath(file), bytes, same);
    if (!equal) {
        fs::create_directories(file.parent_path());
        lf_writeNew(file, bytes);
    }
    const std::lock_guard lock(m_mutex);
    (equal ? m_equal : m_written).push_back(file);
}

void FolderStaging::keepPublished(const fs::path& stagedFolder)
{
    const std::lock_guard lock(m_mutex);
    m_kept.push_back(stagedFolder);
}

// A kept folder without a written file is the published one plus equal files: it is not replaced.
void FolderStaging::settleKeptFolders()
{
    for (const fs::path& folder : m_kept) {
        const auto inFolder = [&folder](const fs::path& file) { return file.parent_path() == folder; };
        if (std::any_of(m_written.begin(), m_written.end(), inFolder))
            continue;
        std::erase(m_folders, folder);
        std::erase_if(m_equal, inFolder);
    }
}

namespace {

// The files of a folder (directories aside); nothing when it cannot be listed.
std::optional<std::size_t> lf_fileCount(const fs::path& folder)
{
    std::error_code error;
    fs::directory_iterator files(folder, error);
    std::size_t count = 0;
    for (; !error && files != fs::directory_iterator(); files.increment(error))
        if (!files->is_directory())
            ++count;
    return error ? std::nullopt : std::optional(count);
}

} // namespace

// Nothing written, each published folder holds just the equal files (directories aside), and each
// placed entry is equal or, not staged, has no target.
bool FolderStaging::unchanged() const
{
    if (!m_written.empty())
        return false;
    std::vector<fs::path> equal = m_equal;
    std::sort(equal.begin(), equal.end());
    equal.erase(std::unique(equal.begin(), equal.end()), equal.end());
    const auto equalIn = [&equal](const fs::path& folder) {
        return static_cast<std::size_t>(
            std::count_if(equal.begin(), equal.end(), [&folder](const fs::path& f) { return f.parent_path() == folder; }));
    };
    for (const fs::path& staged : m_folders)
        if (lf_fileCount(m_staging.parent_path() / staged.filename()) != equalIn(staged))
            return false;
    for (const PlacedEntry& entry : m_placed) {
        if (std::binary_search(equal.begin(), equal.end(), entry.staged))
            continue; // a placed file
        std::error_code error;
        const fs::file_status status = fs::symlink_status(entry.target, error);
        if (status.type() == fs::file_type::not_found)
            continue;
        if (error || !fs::is_directory(status) || lf_fileCount(entry.target) != equalIn(entry.staged))
            return false;
    }
    return true;
}

// A file written by another put meanwhile (a name taken) stays. A copy, where the file system has no
// hard links, is flushed as a written file.
void FolderStaging::linkEqualFiles()
{
    for (const fs::path& file : m_equal) {
        fs::create_directories(file.parent_path()); // a placed folder of equal files only
        std::error_code error;
        fs::create_hard_link(publishedPath(file), file, error);
        if (!error || error == std::errc::file_exists)
            continue;
        if (gf_copyFile(publishedPath(file), file, ExistingTarget::Keep))
            m_written.push_back(file);
    }
}

// What the finish swaps, written before the commit: the staged folders, and the placed entries, each
// with whether it was staged.
void FolderStaging::writePlacedList() const
{
    std::string list;
    for (const fs::path& folder : m_folders)
        list += "=" + gf_utf8FileName(folder) + "\n";
    for (const PlacedEntry& entry : m_placed)
        list += (lf_exists(entry.staged) ? "+" : "-") + gf_utf8FileName(entry.staged) + "\t" +
                gf_utf8FromPath(entry.target) + "\n";
    gf_writeFileAtomic(m_staging / kPlacedListName, list, FileSync::Deferred);
}

namespace {

// A staged file that is still a link to the published one, written by no step since.
bool lf_isPublishedFile(const fs::path& staged, const fs::path& published)
{
    std::error_code ignored;
    return fs::equivalent(staged, published, ignored);
}

} // namespace

// Everything staged is on the disk before the commit: after a power loss the commit, once it is
// on the disk itself, must find whole files and whole folders. Only what was written anew is
// flushed: a linked file's bytes are there since its own publish, so only its entry needs the sync
// of its folder (with a journal that also carries the link count), and it is never opened for the
// flush, which a user's read-only mark on the published file would refuse. New files are flushed
// one by one while they are few, the sync of the whole file system (folders included) costing what
// other processes wrote as well; with many, that one sync is cheaper than a flush each. The placed
// folders may also hold files the step before the commit wrote: each of their files but the links
// is flushed, and a written file that step took out is not.
void FolderStaging::makeDurable() const
{
    std::vector<fs::path> files{m_staging / kPlacedListName};
    std::vector<fs::path> folders = m_folders;
    for (const fs::path& file : m_written)
        if (lf_exists(file))
            files.push_back(file);
    for (const PlacedEntry& entry : m_placed) {
        if (fs::is_directory(entry.staged)) {
            folders.push_back(entry.staged);
            for (const fs::directory_entry& file : fs::directory_iterator(entry.staged))
                if (file.is_regular_file() && !lf_isPublishedFile(file.path(), entry.target / file.path().filename()))
                    files.push_back(file.path());
        } else if (lf_exists(entry.staged) && !lf_isPublishedFile(entry.staged, entry.target)) {
            files.push_back(entry.staged);
        }
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    if (files.size() > kFlushEachLimit) {
        gf_syncFileSystem(m_staging, files);
        return;
    }
    for (const fs::path& file : files)
        gf_syncFile(file);
    for (const fs::path& folder : folders)
        gf_syncFolder(folder);
    gf_syncFolder(m_staging);
}

bool FolderStaging::publish(const fs::path& committed, const std::function<void()>& beforeCommit)
{
    const std::lock_guard lock(m_mutex);
    gf_finishFolderPublish(committed);
    settleKeptFolders();
    if (unchanged()) {
        gf_removeFolderOrLog(m_staging); // nothing of it is published; its user empties it before it stages again
        return false;
    }
    for (const fs::path& folder : m_folders)
        fs::create_directories(folder);
    linkEqualFiles();
    for (const fs::path& folder : m_kept)
        if (std::find(m_folders.begin(), m_folders.end(), folder) != m_folders.end()) {
            std::vector<fs::path> copies = lf_stageKeptFiles(m_staging.parent_path() / folder.filename(), folder);
            m_written.insert(m_written.end(), copies.begin(), copies.end());
        }
    if (beforeCommit)
        beforeCommit();
    writePlacedList();
    makeDurable();
    lf_commit(m_staging, committed);
    return true;
}

} // namespace zyn
