#include "airport/airport_code.h"

#include "base/log.h"

#include <algorithm>

namespace zyn {

namespace {

constexpr std::size_t kMaxLocationLength = 400;
constexpr std::size_t kMaxFolderNameLength = 120;

bool lf_isAsciiAlnum(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool lf_isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool lf_isLocationPart(std::string_view part)
{
    return !part.empty() && part != "." && part != ".." && part != "%20" && gf_isFolderName(part);
}

} // namespace

bool gf_isAirportCode(std::string_view code)
{
    return !code.empty() && code.size() <= kMaxAirportCodeLength && std::ranges::all_of(code, lf_isAsciiAlnum);
}

bool gf_checkAirportCode(std::string_view code, std::string_view caller)
{
    if (gf_isAirportCode(code))
        return true;
    gf_logErrorf("{}: airport code \"{}\" refused (letters and digits only, at most {})", caller, code,
                 kMaxAirportCodeLength);
    return false;
}

bool gf_isFolderName(std::string_view name)
{
    if (name.size() > kMaxFolderNameLength || name == "." || name == "..")
        return false;
    return std::ranges::none_of(name, [](char c) { return c == '/' || c == '\\' || c == ':' || lf_isControl(c); });
}

bool gf_isApfLocation(std::string_view location)
{
    if (location.empty() || location.size() > kMaxLocationLength || !location.ends_with(".xml"))
        return false;
    if (location.find_first_of("?#") != std::string_view::npos)
        return false;
    for (std::size_t percent = location.find('%'); percent != std::string_view::npos;
         percent = location.find('%', percent + 1))
        if (location.substr(percent, 3) != "%20")
            return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = location.find('/', start);
        if (!lf_isLocationPart(location.substr(start, slash == std::string_view::npos ? location.npos : slash - start)))
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

} // namespace zyn
