#include "base/version.h"

#include <fmt/format.h>
#include <gsl/narrow>
#include <nlohmann/json.hpp>

#include <regex>

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

void lf_parseDottedVersion(const std::smatch& match, Version& version)
{
    version.major = std::stoi(match[1].str());
    version.minor = std::stoi(match[2].str());
    version.patch = std::stoi(match[3].str());
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
        static const std::regex dotted(R"((\d+).(\d+).(\d+))");
        std::smatch match;
        if (std::regex_match(text, match, dotted))
            lf_parseDottedVersion(match, version);
        else
            lf_parseJsonVersion(text, version);
    } catch (const std::exception&) {
        // An unreadable version keeps what was read so far.
    }
    return version;
}

} // namespace zyn
