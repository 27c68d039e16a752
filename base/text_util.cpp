#include "base/text_util.h"

#include <array>
#include <charconv>
#include <cctype>
#include <cmath>
#include <set>

#include <fmt/format.h>

namespace zyn {

std::vector<std::string> gf_splitString(std::string_view text, char delimiter)
{
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(delimiter, start);
        pieces.push_back(gf_trim(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

std::vector<std::string> gf_splitCommas(std::string_view text) { return gf_splitString(text, ','); }

std::list<std::string> gf_splitCommasToList(std::string_view text)
{
    auto pieces = gf_splitCommas(text);
    return {std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end())};
}

std::string gf_trim(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

void gf_stripBlanksInList(std::string& text)
{
    if (text.find_first_of(kBlanks) == std::string::npos)
        return;
    std::string joined;
    for (const auto& piece : gf_splitCommas(text)) {
        joined += piece;
        joined += ',';
    }
    joined.pop_back(); // a text with a blank is never empty, so there is at least one piece
    text = std::move(joined);
}

bool gf_equalsBeforeStar(std::string_view a, std::string_view b)
{
    return b.size() == a.size() + 1 && b.back() == '*' && b.substr(0, a.size()) == a;
}

char gf_toUpper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string gf_toUpper(std::string_view text)
{
    std::string upper(text);
    for (auto& c : upper)
        c = gf_toUpper(c);
    return upper;
}

bool gf_equalsUpper(std::string_view a, std::string_view b) { return a == gf_toUpper(b); }

bool gf_hasUtf16Units(std::string_view utf8, std::size_t count)
{
    if (utf8.size() < count) // never more characters than bytes: most texts are not counted
        return false;
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0u) != 0x80u) // not a continuation byte: a character begins
            units += byte >= 0xF0u ? 2 : 1;
    }
    return units >= count;
}

std::string gf_quotedValue(std::string_view text)
{
    const auto open = text.find('"');
    if (open == std::string_view::npos)
        return std::string(text);
    const auto close = text.find('"', open + 1);
    if (close == std::string_view::npos)
        return {};
    return std::string(text.substr(open + 1, close - open - 1));
}

std::string gf_starBanner(std::uint32_t width1, std::uint32_t width2, bool lineBefore, bool lineAfter,
                          std::string_view title)
{
    std::string banner = lineBefore ? "\n" : "";
    std::size_t n = std::size_t(width1) + width2;
    if (n % 2 != 0)
        ++n;
    if (title.empty()) {
        banner.append(n, '*');
    } else if (n > title.size() + 2) {
        const std::size_t stars = n / 2 - 1;
        banner.append(stars, '*');
        banner += ' ';
        banner += title;
        banner += ' ';
        banner.append(stars, '*');
    } else {
        banner += title;
    }
    if (lineAfter)
        banner += '\n';
    return banner;
}

std::string gf_formatNumber(double x)
{
    if (std::fmod(x, 1.0) != 0.0)
        return fmt::format("{:.1F}", x);
    return fmt::format("{:.0f}", x);
}

std::string gf_fixedText(double value, int decimals, bool upper)
{
    std::array<char, 64> text{};
    if (std::isfinite(value)) {
        const auto [end, error] =
            std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
        if (error == std::errc())
            return std::string(text.data(), end);
    }
    return upper ? fmt::format("{:.{}F}", value, decimals) : fmt::format("{:.{}f}", value, decimals);
}

} // namespace zyn
