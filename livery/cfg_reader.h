#pragma once
// Reading the liveries of one aircraft.cfg file. Each call runs on a scan worker thread, several at once;
// the caller's worker frees its thread slot (gf_workerFinished) once the call has returned or thrown.
#include "livery/cfg_lines.h"
#include "livery/livery_data.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>

namespace zyn {

// The liveries of an ordinary aircraft.cfg in file order. Nothing for a vanished or unreadable file,
// a file that fails the numbering check or one without a usable type. An error while reading is
// logged with the path and passed on; the file then yields nothing.
std::list<LiveryData> lf_searchLiveriesinFile(std::uint32_t folderIndex, const std::filesystem::path& path);

// The lines of a text file in any of its encodings, without line ends; false when the file cannot
// be read or its encoding is not recognised.
bool lf_readCfgLines(const std::filesystem::path& path, std::vector<std::string>& lines);

} // namespace zyn
