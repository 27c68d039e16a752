#pragma once
// One [fltsim.N] section of an ordinary aircraft.cfg file to one installed livery.
#include "livery/cfg_lines.h"
#include "livery/livery_data.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zyn {

// The liveries of one section: none or one. Refusals go to the problem lists or the log. The section
// may be shortened (trailing comments); type is the file's type, folder the folder holding the file.
std::list<LiveryData> lf_procesFltSimSection(std::uint32_t folderIndex, CfgSection& section, const std::string& type,
                                             const std::filesystem::path& path, const std::filesystem::path& folder);

// The problem line of a section in which a key stands twice.
std::string lf_repeatedKeyProblem(std::string_view folder, std::string_view header, std::string_view key);

// The registration IVAO models carry when they stand for no particular aircraft.
inline constexpr std::string_view kPlaceholderRegistration = "G-BAFM";

// What makes one item of an atc_id list unusable; the first such item in list order.
enum class RegcodeFault { None, Empty, TooLong, WildCard, Placeholder };
std::pair<RegcodeFault, const std::string*> lf_findRegcodeFault(const std::vector<std::string>& items,
                                                                bool placeholderIsFault);
void lf_logWildCard(const std::string& title, const std::string& item);

// Drops the section's trailing lines that are empty or comments.
void lf_dropTrailingComments(CfgSection& section);

} // namespace zyn
