#pragma once
// The aircraft database of the demonstration run: the types and airlines the scenario flies, made by
// us, in the download server's format.
#include "tools/dbase_writer.h"

#include <filesystem>

namespace zyn::tools {

inline constexpr char kDbaseZipFile[] = "dbase.zip";

DbaseContent gf_demoDbase();
// Writes "dbase.zip" into the folder (created when missing).
void gf_writeDemoDbaseZip(const std::filesystem::path& folder);

} // namespace zyn::tools
