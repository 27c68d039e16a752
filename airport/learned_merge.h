#pragma once
// The learned airport file: what the program learned at an airport (per-airport settings, stands
// whose radius or cargo use proved different, stands made by hand, observed uses of stands), merged
// over the stands just read from the airport's file. A learned file with a "handmade" parameter
// replaces those stands altogether. Main-loop thread only, where the stands are read.
#include "airport/apf_format.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// The last learned file read was handmade; read by the learned-file writer.
extern bool g_handmade;

// Merges the learned file into stands, or replaces them when it is handmade (handmade is set then,
// cleared otherwise). airportName is the name the airport's own file gives. A file that cannot be
// loaded, or whose meta block is refused, is copied to gf_learnedBackupPath (the next save writes
// over it) and reported; stands and settings stay.
void lf_readLearned(const std::filesystem::path& path, const std::string& airportName, std::vector<ParkPos>& stands,
                    bool& handmade);
// The same for a learned file's bytes; label names it in the log.
void gf_mergeLearnedBytes(std::string_view bytes, const std::string& label, const std::string& airportName,
                          std::vector<ParkPos>& stands, bool& handmade);

// Applies one learned "parkpos" to the stand of the same id: a changed radius or cargo use, and
// its options after the stand's own (numbered on, equal ones dropped). False, changing nothing,
// when the ids differ.
bool lf_readLearnedParkPos(pugi::xml_node parkpos, ParkPos& stand, ReadReport& report);
// Same day, kind, registration, airline, type and callsign, and at least one half hour in common.
bool lf_sameOption(const ParkPosOption& added, const ParkPosOption& existing);

// Where a learned file that cannot be loaded is kept: "0" before the last "." of its name
// (EDDF.xml -> EDDF0.xml); empty for a name without ".".
std::filesystem::path gf_learnedBackupPath(const std::filesystem::path& path);

} // namespace zyn
