#include "livery/ivao_liveries.h"

#include "aircraft/aircraft_db.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "livery/cfg_reader.h"
#include "livery/fltsim_section.h"
#include "livery/type_fixes.h"

#include <algorithm>
#include <array>
#include <string_view>

#include <fmt/format.h>

namespace zyn {

namespace {

// Model folders whose titles carry the type followed by "W".
constexpr std::array<std::string_view, 5> kVariantFolders{"IVAO_B738WLfa", "IVAO_B739WLfa", "IVAO_A320wCFM",
                                                          "IVAO_A320wIAE", "IVAO_A319fIAEw"};

bool lf_isVariantFolder(const std::string& folder)
{
    for (const auto name : kVariantFolders)
        if (folder.find(name) != std::string::npos)
            return true;
    return false;
}

// The values collected from an IVAO section.
struct IvaoSection {
    std::string title;
    std::string parkingTypes;
    std::string atcId;
    std::string texture;
};

// The registration of an atc_id value, or empty when it holds none usable (logged, except the placeholder).
std::string lf_checkedIvaoAtcId(const std::string& value, const std::string& title)
{
    const auto items = gf_splitCommas(value);
    const auto [fault, item] = lf_findRegcodeFault(items, true);
    switch (fault) {
    case RegcodeFault::None:
        return items.size() == 1 ? items.front() : std::string();
    case RegcodeFault::Empty:
        gf_log(fmt::format(" empty regcode in: {}", value));
        break;
    case RegcodeFault::TooLong:
        gf_log(fmt::format("regcode: {}, has more than 12 chars in title: {}", *item, title));
        break;
    case RegcodeFault::WildCard:
        lf_logWildCard(title, *item);
        break;
    case RegcodeFault::Placeholder:
        break;
    }
    return {};
}

// Collects the section's values; the problem line when a key repeats.
std::optional<std::string> lf_scanIvaoLines(IvaoSection& s, const CfgSection& section, const std::string& folder)
{
    const auto repeated = [&](std::string_view key) { return lf_repeatedKeyProblem(folder, section.front(), key); };
    for (const auto& line : section) {
        if (s.title.empty() && lf_parseTitle(line, s.title)) {
            if (auto trimmed = gf_trim(s.title); trimmed != s.title) {
                gf_log(fmt::format("removed spaces around title \"{}\" --> \"{}\"", s.title, trimmed));
                s.title = std::move(trimmed);
            }
            continue;
        }
        if (!s.title.empty() && !lf_matchCfgLine(line, "title").empty())
            return repeated("title");
        if (s.parkingTypes.empty() && lf_parseAtcParkingTypes(line, s.parkingTypes)) {
            gf_stripBlanksInList(s.parkingTypes);
            s.parkingTypes = gf_toUpper(s.parkingTypes);
            continue;
        }
        if (!s.parkingTypes.empty() && lf_hasAtcParkingTypesKey(line))
            return repeated("atc_parking_types");
        if (s.atcId.empty() && lf_parseAtcId(line, s.atcId)) {
            s.atcId = lf_checkedIvaoAtcId(s.atcId, s.title);
            continue;
        }
        if (!s.atcId.empty() && lf_hasAtcIdKey(line))
            return repeated("atc_id");
        if (s.texture.empty())
            lf_parseTexture(line, s.texture);
    }
    return std::nullopt;
}

// Whether the texture folder exists; an error other than its absence ends the file.
bool lf_textureFolderExists(const std::filesystem::path& textureFolder)
{
    std::error_code error;
    const auto status = std::filesystem::status(textureFolder, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return false;
    if (error)
        throw std::filesystem::filesystem_error("status", textureFolder, error);
    return std::filesystem::is_directory(status);
}

// The characters of a regular expression's \w and \s, and what its "." refuses.
bool lf_isTitleWordChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
constexpr std::string_view kTitleBlanks = " \t\n\v\f\r";
constexpr std::string_view kLineBreaks = "\n\r";

// The airline code at the start of a title that begins with the type (and "W" in a variant folder):
// blanks, then three word characters, then anything but a line break.
std::optional<std::string> lf_titleAirline(std::string_view title, const std::string& type, bool variant)
{
    const auto prefix = variant ? type + "W" : type;
    if (title.size() < prefix.size() || !gf_equalsUpper(gf_toUpper(prefix), title.substr(0, prefix.size())))
        return std::nullopt;
    auto rest = title.substr(prefix.size());
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(kTitleBlanks)));
    if (rest.size() < 3 || !std::all_of(rest.begin(), rest.begin() + 3, lf_isTitleWordChar) ||
        rest.find_first_of(kLineBreaks, 3) != std::string_view::npos)
        return std::nullopt;
    return std::string(rest.substr(0, 3));
}

bool lf_equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && gf_toUpper(a) == gf_toUpper(b);
}

bool lf_isIvaoPathSeparator(char c) { return c == '/' || c == '\\'; }

// The model folder's name after "IVAO_" in a path ending in
// <something>\(IVAO_MTL|ivao_x-csl)\SimObjects\Airplanes\IVAO_<word characters>\aircraft.cfg, any case,
// either separator; empty when the path is no such path.
std::string lf_ivaoModelName(std::string_view path)
{
    constexpr std::string_view kFile = "aircraft?cfg"; // "?": any character but a line break
    if (path.find_first_of(kLineBreaks) != std::string_view::npos || path.size() < kFile.size() + 1)
        return {};
    const auto file = path.substr(path.size() - kFile.size());
    if (!lf_equalsIgnoringCase(file.substr(0, 8), "aircraft") || !lf_equalsIgnoringCase(file.substr(9), "cfg"))
        return {};
    path.remove_suffix(kFile.size());
    // The folders from the last one up: each must follow a separator.
    std::array<std::string_view, 4> folders;
    for (auto& folder : folders) {
        if (path.empty() || !lf_isIvaoPathSeparator(path.back()))
            return {};
        path.remove_suffix(1);
        const auto start = path.find_last_of("/\\");
        folder = start == std::string_view::npos ? path : path.substr(start + 1);
        path.remove_suffix(folder.size());
    }
    // What is left before the package folder's separator must not be empty.
    if (path.size() < 2 || !lf_isIvaoPathSeparator(path.back()))
        return {};
    const auto model = folders[0];
    if (model.size() < 6 || !lf_equalsIgnoringCase(model.substr(0, 5), "IVAO_") ||
        !std::all_of(model.begin() + 5, model.end(), lf_isTitleWordChar) || !lf_equalsIgnoringCase(folders[1], "Airplanes") ||
        !lf_equalsIgnoringCase(folders[2], "SimObjects") ||
        !(lf_equalsIgnoringCase(folders[3], "IVAO_MTL") || lf_equalsIgnoringCase(folders[3], "ivao_x-csl")))
        return {};
    return std::string(model.substr(5));
}

} // namespace

bool lf_isIvaoPath(const std::filesystem::path& path)
{
    const auto text = gf_utf8FromPath(path);
    return text.find("ivao_x-csl") != std::string::npos || text.find("IVAO_MTL") != std::string::npos;
}

std::string lf_fixIvaoTypeDesignator(const std::filesystem::path& path)
{
    // Paths from Windows and from here: either separator.
    const auto model = lf_ivaoModelName(gf_utf8FromPath(path));
    if (model.empty())
        return {};
    return lf_checkTypeDesignator(model.substr(0, 4), path);
}

std::list<LiveryData> lf_searchIvaoLiveriesinFile(std::uint32_t folderIndex, const std::filesystem::path& path)
{
    std::list<LiveryData> liveries;
    const auto type = lf_fixIvaoTypeDesignator(path);
    if (type.empty())
        return liveries;
    std::vector<std::string> lines;
    if (!lf_readCfgLines(path, lines)) {
        gf_logError(fmt::format("no character set found for {}", gf_utf8FromPath(path)));
        return liveries;
    }
    if (!lf_checkFltsimNumbers(lines, path))
        return liveries;
    const auto folder = path.parent_path();
    for (auto& section : lf_procesIvaoSections(lines))
        if (auto livery = lf_procesIvaoFltSimSection(folderIndex, section, type, path, folder); !livery.airl.empty())
            liveries.push_back(std::move(livery));
    return liveries;
}

LiveryData lf_procesIvaoFltSimSection(std::uint32_t folderIndex, CfgSection& section, const std::string& type,
                                      const std::filesystem::path& path, const std::filesystem::path& folder)
{
    lf_dropTrailingComments(section);
    if (section.empty())
        return {};
    const auto folderText = gf_utf8FromPath(folder);
    const auto& header = section.front();
    const auto problem = [&](const std::string& text) {
        g_incompleteSectionList.append(text);
        return LiveryData{};
    };
    IvaoSection s;
    if (const auto repeated = lf_scanIvaoLines(s, section, folderText))
        return problem(*repeated);
    const auto textureFolder = folder / gf_pathFromUtf8("texture." + s.texture);
    if (!lf_textureFolderExists(textureFolder))
        return problem(gf_utf8FromPath(textureFolder) + " " + header + " does not exist");
    if (s.title.empty())
        return problem(folderText + " " + header + " misses title");
    if (gf_isDontUseTitle(s.title))
        return {};
    std::string airline;
    if (auto fromTitle = lf_titleAirline(s.title, type, lf_isVariantFolder(folderText))) {
        if (!gf_isIcaoAirline(*fromTitle)) {
            g_invalidAirlineList.append(fmt::format("{:12} in {} ", *fromTitle, gf_utf8FromPath(path)) + header);
            return {};
        }
        airline = std::move(*fromTitle);
        if (airline == "ZZZ")
            s.atcId.clear();
    } else if (s.atcId.empty()) {
        return problem(folderText + " " + header + " misses airlinecode in title: " + s.title + ", and no regcode");
    } else if (const auto registration = gf_findRegistration(s.atcId)) {
        airline = registration->airl;
    } else {
        return problem(folderText + " " + header + " misses airlinecode in title: " + s.title + ", and regcode unknown" +
                       s.atcId);
    }
    auto livery = lf_insertLivery(folderIndex, std::move(airline), type, 1, s.title, std::move(s.atcId));
    if (livery.title.empty())
        return problem(folderText + " " + header + " title already exists: " + s.title);
    return livery;
}

} // namespace zyn
