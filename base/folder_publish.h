#pragma once
// Replacing several folders of one parent at once. The new folders are staged as the sub-folders of
// a staging folder in that parent, each named as the folder it replaces (FolderStaging); the publish
// flushes them and swaps them in by renames. The rename of the staging folder to its committed name
// decides: a kill before it leaves every old folder, a kill after it is completed by
// gf_finishFolderPublish at the next start, so readers find all the old folders or all the new ones,
// never an empty or a mixed one. The sub-folders of a replaced folder (not the publisher's) are
// carried over into its new one. Entries placed elsewhere (PlacedEntry) are swapped with the folders.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace zyn {

// A publish whose swap failed (a file held open past the lock patience on Windows) and was put back:
// every replaced folder and entry is the previous one again, whole, and the committed folder waits
// for the next finish.
class PublishPutBack : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Completes a publish that was interrupted after its commit; nothing when there is none. Runs at
// start-up, before anything reads the folders. Throws PublishPutBack when it cannot, a
// filesystem error when not even the putting back succeeded (a later finish completes it).
void gf_finishFolderPublish(const std::filesystem::path& committed);

// An entry of the staging folder (a folder or a file) that the publish puts at target rather than
// beside the staging; target (on the same volume, named alike at every start) goes when the entry
// was not staged.
struct PlacedEntry {
    std::filesystem::path staged;
    std::filesystem::path target;
};

// The files of the folders a publish stages, put from any number of threads. A file whose bytes
// equal those of the published file of its name is not written: the published file is hard-linked
// in at the publish, and a scan whose every file is equal to a published one, no more and no fewer,
// publishes nothing at all. A linked file is shared by both folders until the swap, which is safe
// because every writer of published folders replaces a file by a rename and none writes into one.
class FolderStaging {
public:
    // staging and committed (of publish) are siblings in the parent of the folders replaced, both
    // names of the publisher's own; folders: the staging's sub-folders that the publish puts in place
    // of their published ones, made when a file is written into one or at the publish.
    FolderStaging(std::filesystem::path staging, std::vector<std::filesystem::path> folders,
                  std::vector<PlacedEntry> placed = {})
        : m_staging(std::move(staging)), m_folders(std::move(folders)), m_placed(std::move(placed))
    {
    }

    // Whether a published file's bytes stand for a staged file's: for files that carry something
    // besides their content (the day they were made), so that a file made again is kept.
    using SameContent = bool (*)(std::string_view published, std::string_view staged);

    // file: in one of the staged folders or placed folders, or a placed file. Two puts of one file at once write one after the
    // other (either one's bytes stay), never into one file; a failed write leaves no file behind.
    // Without a rule a published file stays only when its bytes are equal.
    void put(const std::filesystem::path& file, std::string_view bytes, SameContent same = nullptr);
    // The published files the staged folder lacks stay in it (hard-linked, or copied where the file
    // system has no links): a folder whose files are the scan's additions to others. With nothing
    // written into it, it stays as it is.
    void keepPublished(const std::filesystem::path& stagedFolder);
    // Finishes a publish left half-done first, then flushes what was written and swaps the staged
    // folders in; false, the staging folder removed, when they equal the published ones.
    // beforeCommit runs once the staged folders hold every file: what it changes in them (and in the
    // placed entries) is published with the rest. An equal file is a link to the published one, so
    // beforeCommit replaces or removes a file, never writes into one.
    bool publish(const std::filesystem::path& committed, const std::function<void()>& beforeCommit = {});

private:
    std::filesystem::path publishedPath(const std::filesystem::path& file) const;
    bool unchanged() const;
    void writePlacedList() const;
    void settleKeptFolders();
    void linkEqualFiles();
    void makeDurable() const;

    std::filesystem::path m_staging;
    std::vector<std::filesystem::path> m_folders;
    std::vector<PlacedEntry> m_placed;
    mutable std::mutex m_mutex;
    std::vector<std::filesystem::path> m_written;
    std::vector<std::filesystem::path> m_equal; // staged paths, maybe twice
    std::vector<std::filesystem::path> m_kept;  // staged folders
};

} // namespace zyn
