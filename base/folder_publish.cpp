#include "base/folder_publish.h"

#include "base/atomic_file.h"
#include "base/path_text.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
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

// Each rename checks what an earlier, interrupted run already did, so a repeat completes it. When the
// new folder cannot be moved in (held open past the lock patience on Windows), the previous one goes
// back: it stays in use, whole, until a later finish swaps again, rather than leaving no folder.
void lf_swapIn(const fs::path& committed, const fs::path& name)
{
    const fs::path target = committed.parent_path() / name;
    const fs::path replaced = committed / kReplacedName / name;
    const bool hadTarget = fs::exists(fs::symlink_status(target));
    if (hadTarget)
        gf_renameFolder(target, replaced);
    try {
        gf_renameFolder(committed / name, target);
    } catch (const fs::filesystem_error&) {
        if (hadTarget)
            try {
                gf_renameFolder(replaced, target);
            } catch (const fs::filesystem_error&) { // the move-in's failure is the one reported
            }
        throw;
    }
}

// The sub-folders of a replaced folder that its new one lacks move over.
void lf_carryOver(const fs::path& replaced, const fs::path& target)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(replaced))
        if (entry.is_directory() && !fs::exists(fs::symlink_status(target / entry.path().filename())))
            gf_renameFolder(entry.path(), target / entry.path().filename());
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
    thread_local std::string read;
    read.resize(bytes.size() + (same ? kLongerPublished : 1)); // more: a longer file reads more
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
        fs::remove(file, ignored);
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
        gf_renameFolder(committed, spent);
    }
    // The publish stands without this: what cannot be removed now (a file still held open by another
    // program) goes at the next finish, before anything is renamed to it.
    std::error_code ignored;
    fs::remove_all(spent, ignored);
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
            fs::copy_file(entry.path(), kept);
            copies.push_back(kept);
        }
    }
    return copies;
}

} // namespace

void FolderStaging::put(const fs::path& file, std::string_view bytes, SameContent same)
{
    const bool equal = lf_holdsBytes(lf_publishedPath(m_staging, file), bytes, same);
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

// Nothing written, and each published folder holds just the equal files (directories aside).
bool FolderStaging::unchanged() const
{
    if (!m_written.empty())
        return false;
    std::vector<fs::path> equal = m_equal;
    std::sort(equal.begin(), equal.end());
    equal.erase(std::unique(equal.begin(), equal.end()), equal.end());
    for (const fs::path& staged : m_folders) {
        const fs::path published = m_staging.parent_path() / staged.filename();
        std::error_code error;
        fs::directory_iterator files(published, error);
        if (error)
            return false;
        std::size_t count = 0;
        for (; files != fs::directory_iterator(); files.increment(error))
            if (!files->is_directory())
                ++count;
        const auto inFolder = [&staged](const fs::path& file) { return file.parent_path() == staged; };
        if (error || count != static_cast<std::size_t>(std::count_if(equal.begin(), equal.end(), inFolder)))
            return false;
    }
    return true;
}

// A file written by another put meanwhile (a name taken) stays. A copy, where the file system has no
// hard links, is flushed as a written file.
void FolderStaging::linkEqualFiles()
{
    for (const fs::path& file : m_equal) {
        std::error_code error;
        fs::create_hard_link(lf_publishedPath(m_staging, file), file, error);
        if (!error || error == std::errc::file_exists)
            continue;
        if (fs::copy_file(lf_publishedPath(m_staging, file), file, fs::copy_options::skip_existing))
            m_written.push_back(file);
    }
}

// Everything staged is on the disk before the commit: after a power loss the commit, once it is
// on the disk itself, must find whole files and whole folders. A linked file's bytes are there since
// its own publish, so only its entry needs the sync of its folder (with a journal that also carries
// the link count). New files are flushed one by one while they are few, the sync of the whole file
// system (folders included) costing what other processes wrote as well; with many, that one sync
// is cheaper than a flush each.
void FolderStaging::makeDurable() const
{
    if (m_written.size() > kFlushEachLimit) {
        gf_syncFileSystem(m_staging);
        return;
    }
    for (const fs::path& file : m_written)
        gf_syncFile(file);
    for (const fs::path& folder : m_folders)
        gf_syncFolder(folder);
    gf_syncFolder(m_staging);
}

bool FolderStaging::publish(const fs::path& committed)
{
    const std::lock_guard lock(m_mutex);
    gf_finishFolderPublish(committed);
    settleKeptFolders();
    if (unchanged()) {
        fs::remove_all(m_staging);
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
    makeDurable();
    lf_commit(m_staging, committed);
    return true;
}

} // namespace zyn
