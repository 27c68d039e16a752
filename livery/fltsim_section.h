#pragma once
// One [fltsim.N] section of an ordinary aircraft.cfg file to one installed livery.
#include "livery/cfg_lines.h"
#include "livery/livery_data.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>

namespace zyn {

// The liveries of one section: none or one. Refusals go to the problem lists or the log. The section
// may be shortened (trailing comments); type is the file's type, folder the folder holding the file.
std::list<LiveryData> lf_procesFltSimSection(std::uint32_t folderIndex, CfgSection& section, const std::string& type,
                                             const std::filesystem::path& path, const std::filesystem::path& folder);

// Drops the section's trailing lines that are empty or comments.
void lf_dropTrailingComments(CfgSection& section);

} // namespace zyn
