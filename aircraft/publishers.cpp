// Publisher queries of the aircraft database, used by the add-on airport scan.
#include "aircraft/aircraft_db.h"

#include "base/log.h"
#include "base/text_pattern.h"

#include <algorithm>
#include <stdexcept>

namespace zyn {

namespace {

bool lf_isLiteral(std::string_view pattern) { return pattern.find_first_of("\\^$.|?*+()[]{}") == std::string_view::npos; }

// What ".*literal.*" matches, case-blind, without compiling it: a text holding the literal (ASCII
// letters folded) and no line break, which "." would not match.
bool lf_holdsLiteral(std::string_view text, std::string_view literal)
{
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return false;
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto same = [&fold](char a, char b) { return fold(a) == fold(b); };
    return std::search(text.begin(), text.end(), literal.begin(), literal.end(), same) != text.end();
}

} // namespace

bool gf_matchPublisherPattern(std::string_view path, std::string_view pattern)
{
    if (lf_isLiteral(pattern))
        return lf_holdsLiteral(path, pattern);
    try {
        return TextPattern(fmt::format(".*{}.*", pattern), true).matchesWhole(path);
    } catch (const std::invalid_argument&) {
        return false; // a pattern that is no regular expression matches only as a plain substring
    }
}

std::string gf_publisherOfPath(std::string_view path)
{
    for (const auto& entry : g_publishers)
        for (const auto& pattern : entry)
            if (pattern.empty() || path.find(pattern) != std::string_view::npos ||
                gf_matchPublisherPattern(path, pattern))
                return entry.front();
    return "unknown";
}

bool gf_parsePrefixedNumber(std::string_view label, std::string_view prefix, std::int32_t& number,
                            std::string_view entry)
{
    if (!entry.starts_with(prefix))
        return false;
    try {
        number = std::stoi(std::string(entry.substr(prefix.size())));
    } catch (const std::exception& e) { // no digits after the prefix, or out of range
        gf_logErrorf("{} {} {} {}", label, prefix, entry, e.what());
    }
    return true;
}

} // namespace zyn
