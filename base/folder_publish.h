#pragma once
// Replacing several folders of one parent at once. The new folders are staged as the sub-folders of
// a staging folder in that parent, each named as the folder it replaces. gf_publishFolders flushes
// them all with one sync and swaps them in by renames. The rename of the staging folder to its
// committed name decides: a kill before it leaves every old folder, a kill after it is completed by
// gf_finishFolderPublish at the next start, so readers find all the old folders or all the new ones,
// never an empty or a mixed one. The sub-folders of a replaced folder (not the publisher's) are
// carried over into its new one.
#include <filesystem>

namespace zyn {

// staging and committed are siblings in the parent of the folders replaced; committed must be a
// name of the publisher's own. A publish left half-done by an earlier failure is finished first.
void gf_publishFolders(const std::filesystem::path& staging, const std::filesystem::path& committed);

// Completes a publish that was interrupted after its commit; nothing when there is none. Runs at
// start-up, before anything reads the folders.
void gf_finishFolderPublish(const std::filesystem::path& committed);

// Puts into staged every file of previous that staged lacks, as a hard link (a copy where the file
// system has none): a folder published as additions to the one it replaces.
void gf_stageKeptFiles(const std::filesystem::path& previous, const std::filesystem::path& staged);

} // namespace zyn
