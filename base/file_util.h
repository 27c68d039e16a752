#pragma once
// Reading and writing whole text files.
#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace zyn {

// The longest line kept of a text file; the rest of a longer line is skipped. Real lines are far
// shorter, and a file of one endless line must not fill the memory.
inline constexpr std::size_t kMaxLineChars = 65536;

// Reads the next line without its line feed, at most kMaxLineChars characters of it; false at the
// end of the stream. cut (when given) tells whether characters were skipped.
bool gf_readLine(std::istream& in, std::string& line, bool* cut = nullptr);
// Appends every line (without its line feed and one trailing CR) to lines; clears the stream's state.
// Returns how many lines were longer than kMaxLineChars.
std::size_t gf_readLines(std::istream& in, std::vector<std::string>& lines);

// Logs that lines of the file were cut (nothing when none was).
void gf_logCutLines(const std::filesystem::path& path, std::size_t cutLines);

// The file's lines, or nothing when it cannot be opened or holds no line (both look alike). Cut
// lines are logged.
std::optional<std::vector<std::string>> gf_readFile(const std::filesystem::path& path, std::size_t reserve = 0);

// Creates or truncates the file and writes the text (and a line end when asked); false when the
// file cannot be opened. Write errors are not reported.
bool gf_writeFile(std::string_view text, const std::filesystem::path& path, bool lineEnd);

// Replaces the file whole by the texts, one a line (gf_writeFileAtomic, which clears a user's marks
// on it). Throws std::filesystem::filesystem_error naming the step and the file when it cannot (a
// full disk, another account's file); the old file then stays as it was, never emptied.
void gf_writeLines(const std::vector<std::string>& texts, const std::filesystem::path& path);

// Saves an XML document atomically and logs "\"{}\" saved" or "could not save to \"{}\"".
bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path);

// Removes a file (gf_removeFile), or a folder with all it holds (gf_removeFolderTree), that the
// program owns and only leaves over: one that stays (another account's file, one held open) is an
// error line naming the entry and why, never a failure of the caller; a later run removes it again.
// The line is written once a run: tried again while it stays, it is not logged again (once it has
// gone, a new failure is). True when nothing is left.
bool gf_removeFileOrLog(const std::filesystem::path& path);
bool gf_removeFolderOrLog(const std::filesystem::path& path);
// Forgets which removals were logged as staying (the state of a fresh process).
void gf_resetStayingEntries();

} // namespace zyn
