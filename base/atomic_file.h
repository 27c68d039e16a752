#pragma once
// Writing files a user would miss: the bytes go to a temporary file in the same folder, are flushed
// to disk, and the temporary file is renamed over the old one. A crash or a full disk leaves either
// the old file or the new one, never a half-written or empty file.
// gf_syncFileSystem and gf_syncFolder, which writers of deferred files call.
#include "platform/system/files.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
}

namespace zyn {

// When a written file reaches the disk. Durable: before the write returns (the file and its folder
// are flushed). Deferred: with the next gf_syncFileSystem; for files staged in a folder that is
// published as a whole once everything is written, and thrown away when anything fails before.
enum class FileSync : std::uint8_t { Durable, Deferred };

// Throws std::filesystem::filesystem_error naming the step and the path when any step fails; when
// it fails before the rename, the temporary file is removed and the old file stays as it was.
void gf_writeFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                        FileSync sync = FileSync::Durable);

// gf_temporaryPath (platform/system/files.h) names a temporary beside a file; what a kill leaves of it
// goes at the next start (gf_removeStaleTemporaries).

// Removes the temporaries that writers killed mid-save left in the folder and the folders below it,
// the pending files of downloads into temporaries, and at the top of the folder those of the
// program's downloads (base/pending_file.h); only files of the program's own naming go. Call at
// start-up for the program folder and the per-user data folder, while no other writer runs.
void gf_removeStaleTemporaries(const std::filesystem::path& folder);

// The text of an XML document in pugixml's default formatting.
std::string gf_xmlText(const pugi::xml_document& document);
// Saves an XML document with pugixml's default formatting through gf_writeFileAtomic.
void gf_saveXmlAtomic(const pugi::xml_document& document, const std::filesystem::path& path,
                      FileSync sync = FileSync::Durable);

} // namespace zyn
