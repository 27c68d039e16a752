#pragma once
// The IVAO model packages ("IVAO_MTL", "ivao_x-csl"): one model per folder named "IVAO_" and its type.
// Their files are read apart: the type comes from the folder name, the airline from the title, and a
// section counts only when its texture folder exists. IVAO liveries are never cargo liveries.
#include "livery/cfg_lines.h"
#include "livery/livery_data.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>

namespace zyn {

// Whether the folder search hands the file to lf_searchIvaoLiveriesinFile.
bool lf_isIvaoPath(const std::filesystem::path& path);

// The type of an IVAO file from its model folder, checked like any type; empty when the path is no
// IVAO model path or the type is unusable.
std::string lf_fixIvaoTypeDesignator(const std::filesystem::path& path);

// The liveries of an IVAO aircraft.cfg; same contract as lf_searchLiveriesinFile.
std::list<LiveryData> lf_searchIvaoLiveriesinFile(std::uint32_t folderIndex, const std::filesystem::path& path);

// One section to one record; an empty airl means no livery.
LiveryData lf_procesIvaoFltSimSection(std::uint32_t folderIndex, CfgSection& section, const std::string& type,
                                      const std::filesystem::path& path, const std::filesystem::path& folder);

} // namespace zyn
