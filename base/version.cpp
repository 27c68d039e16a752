#include "base/version.h"

#include <fmt/format.h>
#include <gsl/narrow>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace zyn {

std::string gf_versionToString(const Version& version)
{
    return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

void gf_versionToString(const Version& version, std::string& out)
{
    out = gf_versionToString(version);
}

namespace {

bool lf_isVersionDigit(char c) { return c >= '0' && c <= '9'; }
bool lf_isVersionSeparator(char c) { return c != '\n' && c != '\r'; } // any one character but a line break

// The three digit groups of a text made of digits, one separator, digits, one separator, digits; each
// group as long as it can be, the first before the second (a separator may itself be a digit, so that
// "12345" reads as 1, 3, 5). Linear in the text: no backtracking, no recursion.
std::optional<std::array<std::string_view, 3>> lf_splitDotted(std::string_view text)
{
    const std::size_t n = text.size();
    // runs[i]: how many digits follow from position i on.
    std::vector<std::size_t> runs(n + 1, 0);
    for (std::size_t i = n; i-- > 0;)
        runs[i] = lf_isVersionDigit(text[i]) ? runs[i + 1] + 1 : 0;
    std::size_t lastStart = n; // where the trailing digit run begins
    while (lastStart > 0 && lf_isVersionDigit(text[lastStart - 1]))
        --lastStart;
    if (n < 5 || lastStart == n)
        return std::nullopt;
    for (std::size_t first = std::min(runs[0], n - 4); first >= 1; --first) {
        if (!lf_isVersionSeparator(text[first]))
            continue;
        const std::size_t second = first + 1; // where the second group begins
        // The third group, after the second separator, must lie within the trailing digits and hold one.
        const std::size_t longest = std::min(runs[second], n - second - 2);
        const std::size_t shortest = std::max<std::size_t>(1, lastStart > second + 1 ? lastStart - second - 1 : 1);
        for (std::size_t length = longest; length >= shortest && length >= 1; --length)
            if (lf_isVersionSeparator(text[second + length]))
                return std::array<std::string_view, 3>{text.substr(0, first), text.substr(second, length),
                                                       text.substr(second + length + 1)};
    }
    return std::nullopt;
}

std::int32_t lf_groupNumber(std::string_view digits)
{
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        throw std::out_of_range(fmt::format("version number {} out of range", digits.substr(0, 20)));
    return value;
}

void lf_parseDottedVersion(const std::array<std::string_view, 3>& groups, Version& version)
{
    version.major = lf_groupNumber(groups[0]);
    version.minor = lf_groupNumber(groups[1]);
    version.patch = lf_groupNumber(groups[2]);
}

// A member that is present must be an integer that fits; otherwise the parse stops here.
void lf_takeJsonNumber(const nlohmann::json& object, const char* name, std::int32_t& target)
{
    const auto it = object.find(name);
    if (it == object.end())
        return;
    if (!it->is_number_integer())
        throw std::invalid_argument(fmt::format("\"{}\" is not an integer", name));
    target = it->is_number_unsigned() ? gsl::narrow<std::int32_t>(it->get<std::uint64_t>())
                                      : gsl::narrow<std::int32_t>(it->get<std::int64_t>());
}

void lf_parseJsonVersion(const std::string& text, Version& version)
{
    const auto json = nlohmann::json::parse(text);
    if (!json.is_object())
        return;
    lf_takeJsonNumber(json, "major", version.major);
    lf_takeJsonNumber(json, "minor", version.minor);
    lf_takeJsonNumber(json, "patch", version.patch);
}

} // namespace

Version gf_parseVersion(const std::string& text)
{
    Version version;
    if (text.empty())
        return version;
    try {
        if (const auto groups = lf_splitDotted(text))
            lf_parseDottedVersion(*groups, version);
        else
            lf_parseJsonVersion(text, version);
    } catch (const std::exception&) {
        // An unreadable version keeps what was read so far.
    }
    return version;
}

} // namespace zyn
