#include "livery/cfg_lines.h"

#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "livery/livery_data.h"
#include "livery/stock_models.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

#include <fmt/format.h>

namespace zyn {

namespace {

// The blanks of a regular expression's \s: also vertical tab and form feed.
constexpr std::string_view kCfgBlanks = " \t\n\v\f\r";

std::size_t lf_skipBlanks(std::string_view line, std::size_t at)
{
    const auto next = line.find_first_not_of(kCfgBlanks, at);
    return next == std::string_view::npos ? line.size() : next;
}

bool lf_startsWithNoCase(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (gf_toUpper(text[at + i]) != gf_toUpper(word[i]))
            return false;
    return true;
}

// The quoted value of a key, as every key parser reads it.
std::string lf_cfgValue(std::string_view line, std::string_view key)
{
    return gf_quotedValue(lf_matchCfgLine(line, key));
}

// Sets value to the quoted value when it has at least minimum characters.
bool lf_parseValue(std::string_view line, std::string_view key, std::size_t minimum, std::string& value)
{
    auto quoted = lf_cfgValue(line, key);
    if (quoted.size() < minimum)
        return false;
    value = std::move(quoted);
    return true;
}

std::optional<std::int32_t> lf_getFltsimNumber(const std::string& line)
{
    const auto digits = lf_parseFltsimHeader(line);
    if (digits.empty())
        return std::nullopt;
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end == digits.data())
        throw std::out_of_range(line);
    return number;
}

// The message for the first number out of the sequence 0, 1, 2, ...; empty when there is none.
std::string lf_checkConsecutive(std::vector<std::int32_t> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    std::int32_t expected = 0;
    for (const auto number : numbers) {
        if (number != expected) {
            if (std::to_string(number) == kFltsimMarker)
                return "a [fltsim.] section without a number";
            return fmt::format("non-consecutive [fltsim.x] numbers at .x={}", number);
        }
        ++expected;
    }
    return {};
}

// A line other than a header that ends the current section.
using SectionEnd = bool (*)(std::string_view line);

bool lf_bracketNearStart(std::string_view line)
{
    const auto bracket = line.find('[');
    return bracket != std::string_view::npos && bracket <= 5;
}

bool lf_bracketAnywhere(std::string_view line) { return line.find('[') != std::string_view::npos; }

std::vector<CfgSection> lf_cutSections(const std::vector<std::string>& lines, SectionEnd endsSection)
{
    std::vector<CfgSection> sections;
    CfgSection current;
    bool inSection = false;
    const auto handOver = [&] {
        if (!current.empty())
            sections.push_back(std::move(current));
        current = {};
        current.reserve(48);
    };
    for (const auto& line : lines) {
        if (!lf_parseFltsimHeader(line).empty()) {
            inSection = true;
            handOver();
            current.push_back(line);
        } else if (endsSection(line)) {
            if (inSection)
                handOver();
            inSection = false;
        } else if (inSection) {
            current.push_back(line);
        }
    }
    if (inSection)
        handOver();
    return sections;
}

} // namespace

std::string lf_matchCfgLine(std::string_view line, std::string_view key)
{
    auto at = lf_skipBlanks(line, 0);
    if (!lf_startsWithNoCase(line, at, key))
        return {};
    at = lf_skipBlanks(line, at + key.size());
    if (at == line.size() || line[at] != '=')
        return {};
    auto value = line.substr(lf_skipBlanks(line, at + 1));
    value = value.substr(0, value.find_last_not_of(kCfgBlanks) + 1);
    // A value never runs over a line end.
    if (value.find_first_of("\r\n") != std::string_view::npos)
        return {};
    return std::string(value);
}

bool lf_parseTitle(std::string_view line, std::string& title)
{
    const auto value = lf_matchCfgLine(line, "title");
    if (value.empty())
        return false;
    if (auto quoted = gf_quotedValue(value); !quoted.empty())
        title = std::move(quoted);
    return true;
}

bool lf_parseTexture(std::string_view line, std::string& texture) { return lf_parseValue(line, "texture", 1, texture); }

bool lf_parseAtcId(std::string_view line, std::string& atcId) { return lf_parseValue(line, "atc_id", 5, atcId); }

bool lf_parseIcaoAirline(std::string_view line, std::string& airline)
{
    const auto value = lf_matchCfgLine(line, "icao_airline");
    if (value.empty())
        return false;
    const auto quoted = gf_quotedValue(value);
    airline = quoted.empty() || quoted == "ZZZZ" ? "ZZZ" : gf_toUpper(quoted);
    return true;
}

bool lf_parseAtcParkingTypes(std::string_view line, std::string& types)
{
    return lf_parseValue(line, "atc_parking_types", 1, types);
}

std::string lf_parseIcaoTypeDesignator(std::string_view line)
{
    return gf_toUpper(lf_cfgValue(line, "icao_type_designator").substr(0, 4));
}

std::string lf_parseBaseContainer(std::string_view line)
{
    const auto value = lf_cfgValue(line, "base_container");
    // The value is a relative path ("..\Model"); one too short for that names no model.
    if (value.size() < 3)
        return {};
    return gf_toUpper(lf_stockModelType(std::string_view(value).substr(3)));
}

bool lf_hasAtcIdKey(std::string_view line) { return line.find("atc_id=") != std::string_view::npos; }

bool lf_hasAtcParkingTypesKey(std::string_view line) { return line.find("atc_parking_types") != std::string_view::npos; }

std::string lf_parseFltsimHeader(std::string_view line)
{
    if (line.starts_with("//"))
        return {};
    auto at = lf_skipBlanks(line, 0);
    if (lf_startsWithNoCase(line, at, "[fltsim.")) {
        at += 8;
        const auto digitsEnd = std::find_if(line.begin() + at, line.end(), [](char c) { return c < '0' || c > '9'; });
        const auto digits = std::size_t(digitsEnd - line.begin()) - at;
        const auto close = at + digits;
        if (digits > 0 && close < line.size() && line[close] == ']' && lf_skipBlanks(line, close + 1) == line.size())
            return std::string(line.substr(at, digits));
    }
    if (line.find("[fltsim.") != std::string_view::npos || line.find("[FLTSIM.") != std::string_view::npos)
        return std::string(kFltsimMarker);
    return {};
}

bool lf_checkFltsimNumbers(const std::vector<std::string>& lines, const std::filesystem::path& path)
{
    std::vector<std::int32_t> numbers;
    for (const auto& line : lines) {
        try {
            if (const auto number = lf_getFltsimNumber(line))
                numbers.push_back(*number);
        } catch (const std::out_of_range&) {
            gf_logError(fmt::format("fltsim num {} incorrect", line));
            return false;
        }
    }
    if (numbers.empty()) {
        g_noFltsimSectionList.append(gf_utf8FromPath(path));
        return true;
    }
    const auto problem = lf_checkConsecutive(std::move(numbers));
    if (problem.empty())
        return true;
    g_invalidFileList.append(gf_utf8FromPath(path) + " contains " + problem);
    return false;
}

std::vector<CfgSection> lf_processFltSimSections(const std::vector<std::string>& lines)
{
    return lf_cutSections(lines, lf_bracketNearStart);
}

std::vector<CfgSection> lf_procesIvaoSections(const std::vector<std::string>& lines)
{
    return lf_cutSections(lines, lf_bracketAnywhere);
}

} // namespace zyn
