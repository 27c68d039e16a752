// Publisher queries of the aircraft database, used by the add-on airport scan.
#include "aircraft/aircraft_db.h"

#include "base/log.h"
#include "base/text_pattern.h"

#include <stdexcept>

namespace zyn {

bool gf_matchPublisherPattern(std::string_view path, std::string_view pattern)
{
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
