#pragma once
// Replacing several folders of one parent at once. The new folders are staged as the sub-folders of
// a staging folder in that parent, each named as the folder it replaces (FolderStaging); the publish
// flushes them and swaps them in by renames. The rename of the staging folder to its committed name
// decides: a kill before it leaves every old folder, a kill after it is completed by
// gf_finishFolderPublish at the next start, so readers find all the old folders or all the new ones,
// never an empty or a mixed one. The sub-folders of a replaced folder (not the publisher's) are
// carried over into its new one.
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <vector>

namespace zyn {

// Completes a publish that was interrupted after its commit; nothing when there is none. Runs at
// start-up, before anything reads the folders.
void gf_finishFolderPublish(const std::filesystem::path& committed);

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
    FolderStaging(std::filesystem::path staging, std::vector<std::filesystem::path> folders)
        : m_staging(std::move(staging)), m_folders(std::move(folders))
    {
    }

    // Whether a published file's bytes stand for a staged file's: for files that carry something
    // besides their content (the day they were made), so that a file made again is kept.
    using SameContent = bool (*)(std::string_view published, std::string_view staged);

    // file: in one of the staged folders. Two puts of one file at once write one after the
    // other (either one's bytes stay), never into one file; a failed write leaves no file behind.
    // Without a rule a published file stays only when its bytes are equal.
    void put(const std::filesystem::path& file, std::string_view bytes, SameContent same = nullptr);
    // The published files the staged folder lacks stay in it (hard-linked, or copied where the file
    // system has no links): a folder whose files are the scan's additions to others. With nothing
    // written into it, it stays as it is.
    void keepPublished(const std::filesystem::path& stagedFolder);
    // Finishes a publish left half-done first, then flushes what was written and swaps the staged
    // folders in; false, the staging folder removed, when they equal the published ones.
    bool publish(const std::filesystem::path& committed);

private:
    bool unchanged() const;
    void settleKeptFolders();
    void linkEqualFiles();
    void makeDurable() const;

    std::filesystem::path m_staging;
    std::vector<std::filesystem::path> m_folders;
    mutable std::mutex m_mutex;
    std::vector<std::filesystem::path> m_written;
    std::vector<std::filesystem::path> m_equal; // staged paths, maybe twice
    std::vector<std::filesystem::path> m_kept;  // staged folders
};

} // namespace zyn
