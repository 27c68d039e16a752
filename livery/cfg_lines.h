#pragma once
// The lines of an aircraft.cfg file: the keys the livery catalogue reads, [fltsim.N] section headers,
// the numbering check of a file and the cutting of its lines into sections. Pure text functions,
// except that the numbering check appends to the problem lists.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// A header line that names a [fltsim. section without a usable number.
inline constexpr std::string_view kFltsimMarker = "10000";

// The value of a "key = value" line (the key in any case, blanks around both ignored), or the empty
// text when the line holds no such key or no value.
std::string lf_matchCfgLine(std::string_view line, std::string_view key);

bool lf_parseTitle(std::string_view line, std::string& title); // title set only when the value is not empty
bool lf_parseTexture(std::string_view line, std::string& texture);
bool lf_parseAtcId(std::string_view line, std::string& atcId);   // only values of 5 characters or more
bool lf_parseIcaoAirline(std::string_view line, std::string& airline); // "ZZZ" for an empty or "ZZZZ" value
bool lf_parseAtcParkingTypes(std::string_view line, std::string& types);
// The first 4 characters of the value, upper-cased.
std::string lf_parseIcaoTypeDesignator(std::string_view line);
// The upper-cased type of the stock model a "base_container = ..\Model" line names, or empty.
std::string lf_parseBaseContainer(std::string_view line);
bool lf_hasAtcIdKey(std::string_view line);
bool lf_hasAtcParkingTypesKey(std::string_view line);

// The number of a [fltsim.N] header line, kFltsimMarker for a [fltsim. line without a usable number,
// empty for any other line (comments included).
std::string lf_parseFltsimHeader(std::string_view line);

// The headers of a file must be numbered 0, 1, 2, ... in any order. False means the file is not read
// further; the reason is in the invalid-file list or the log. A file without headers passes and is
// listed in the no-fltsim-section list.
bool lf_checkFltsimNumbers(const std::vector<std::string>& lines, const std::filesystem::path& path);

using CfgSection = std::vector<std::string>; // the header line first, then the section's lines

// The [fltsim.N] sections of a file in file order. Another section ("[General]") ends one when its
// "[" stands within the first six characters of the line.
std::vector<CfgSection> lf_processFltSimSections(const std::vector<std::string>& lines);
// As above, but any line holding a "[" ends a section.
std::vector<CfgSection> lf_procesIvaoSections(const std::vector<std::string>& lines);

} // namespace zyn
