#pragma once
// Small text helpers shared by the readers and writers of the program's text and data files.

#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// Blank characters for trimming: blank, tab, line feed, carriage return; nothing else.
inline constexpr std::string_view kBlanks = " \t\n\r";

// The trimmed pieces between delimiters; empty pieces are kept (also after a trailing delimiter),
// an empty text gives no pieces.
std::vector<std::string> gf_splitString(std::string_view text, char delimiter);
std::vector<std::string> gf_splitCommas(std::string_view text);
std::list<std::string> gf_splitCommasToList(std::string_view text);

std::string gf_trim(std::string_view text);
// When the text holds a blank anywhere: its comma pieces, trimmed, joined again with ",".
void gf_stripBlanksInList(std::string& text);

bool gf_equalsBeforeStar(std::string_view a, std::string_view b); // b == a + "*"
bool gf_equalsUpper(std::string_view a, std::string_view b);      // a == upper-cased b

// Byte-wise ASCII case mapping; safe for bytes above 127 (UTF-8 text).
char gf_toUpper(char c);
std::string gf_toUpper(std::string_view text);

// Whether a UTF-8 text has count characters or more as Windows counts those of a path: UTF-16 code
// units, two for a character beyond the basic plane.
bool gf_hasUtf16Units(std::string_view utf8, std::size_t count);

// The text between the first and the second double quote; the whole text without quotes;
// empty when the opening quote has no closing one.
std::string gf_quotedValue(std::string_view text);

// A banner line for the log: stars of an even width around a title.
std::string gf_starBanner(std::uint32_t width1, std::uint32_t width2, bool lineBefore, bool lineAfter,
                          std::string_view title);

// fmt's "{:.Nf}" (or "{:.NF}" when upper) of the value, written by std::to_chars: the same correctly
// rounded digits at a fraction of the cost.
std::string gf_fixedText(double value, int decimals, bool upper = false);
// "24" for 24.0, "0.5" for 0.5.
std::string gf_formatNumber(double x);

// Plural suffix of a count: "" for 1 or a negative count, "s" otherwise.
template <typename Int> const char* gf_plural(Int count)
{
    return count == 1 || count < 0 ? "" : "s";
}

} // namespace zyn
