#include "livery/fltsim_section.h"

#include "aircraft/aircraft_db.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "platform/system/error_text.h"
#include "settings/settings.h"

#include <optional>

#include <fmt/format.h>

namespace zyn {

namespace {

// What one line does to a section: nothing for this step, taken, or the section is refused.
enum class Step { Passed, Taken, Refused };

// The values collected from a section's lines, and why it was refused when it was. An empty
// problem with a refusal means: refused without a trace.
struct SectionScan {
    const std::string& header;
    const std::string& folder;
    const std::filesystem::path& path;
    std::string title;
    std::string airline;
    std::string atcId;
    std::string parkingTypes;
    std::string problem;

    Step refuse(std::string text)
    {
        problem = std::move(text);
        return Step::Refused;
    }
    // A line of a key that was read already refuses the section.
    Step repeatedKey(bool keyLine, std::string_view key)
    {
        return keyLine ? refuse(lf_repeatedKeyProblem(folder, header, key)) : Step::Passed;
    }
};

// Titles of aircraft that are no AI models, and stub liveries when the user does not want them.
bool lf_isSuppressedTitle(const std::string& title)
{
    return title.find("FenixA320") != std::string::npos || title.find("PMDG 737") != std::string::npos ||
           (param::SUPPRESS_STUB.on() && title.ends_with("-STUB"));
}

Step lf_titleStep(SectionScan& s, const std::string& line)
{
    if (s.title.empty()) {
        if (!lf_parseTitle(line, s.title))
            return Step::Passed;
        s.title = gf_trim(s.title);
        return lf_isSuppressedTitle(s.title) ? Step::Refused : Step::Taken;
    }
    return s.repeatedKey(!lf_matchCfgLine(line, "title").empty(), "title");
}

Step lf_airlineStep(SectionScan& s, const std::string& line)
{
    if (!s.airline.empty())
        return s.repeatedKey(line.find("icao_airline") != std::string::npos, "icao_airline");
    if (!lf_parseIcaoAirline(line, s.airline))
        return Step::Passed;
    gf_stripBlanksInList(s.airline);
    // Cargo and extra divisions of an airline carry a fourth letter.
    if (s.airline.size() == 4 && (s.airline[3] == 'X' || s.airline[3] == 'C'))
        s.airline.resize(3);
    if (gf_isIcaoAirline(s.airline))
        return Step::Taken;
    if (s.airline == "RFO")
        return Step::Refused;
    g_invalidAirlineList.append(fmt::format("{:12} in {} ", s.airline, gf_utf8FromPath(s.path)) + s.header);
    s.airline.clear();
    return Step::Taken;
}

Step lf_parkingTypesStep(SectionScan& s, const std::string& line)
{
    if (!s.parkingTypes.empty())
        return s.repeatedKey(lf_hasAtcParkingTypesKey(line), "atc_parking_types");
    if (!lf_parseAtcParkingTypes(line, s.parkingTypes))
        return Step::Passed;
    gf_stripBlanksInList(s.parkingTypes);
    s.parkingTypes = gf_toUpper(s.parkingTypes);
    return Step::Taken;
}

// The registration of an atc_id value, or empty (logged) when the value holds none usable.
std::string lf_checkedAtcId(std::string value, const std::string& title)
{
    if (const auto comment = value.find(';'); comment != std::string::npos)
        value.resize(comment);
    auto items = gf_splitCommas(value);
    if (items.empty()) {
        gf_log(fmt::format("invalid atc_id={} ==> in: {}", value, title));
        return {};
    }
    const auto [fault, item] = lf_findRegcodeFault(items, false);
    switch (fault) {
    case RegcodeFault::None:
        // A livery for several aircraft stands for none of them.
        return items.size() == 1 ? std::move(items.front()) : std::string();
    case RegcodeFault::Empty:
        gf_logLine(fmt::format("empty regcode in {} {}", title, value));
        break;
    case RegcodeFault::TooLong:
        gf_log(fmt::format("regcode: {}, has more than 12 chars or contains UTF16 chars in \"{}\"?", *item, title));
        break;
    case RegcodeFault::WildCard:
        lf_logWildCard(title, *item);
        break;
    case RegcodeFault::Placeholder:
        break;
    }
    return {};
}

Step lf_atcIdStep(SectionScan& s, const std::string& line)
{
    if (!s.atcId.empty())
        return s.repeatedKey(lf_hasAtcIdKey(line), "atc_id");
    if (!lf_parseAtcId(line, s.atcId))
        return Step::Passed;
    s.atcId = lf_checkedAtcId(std::move(s.atcId), s.title);
    return Step::Taken;
}

// Collects the section's values; false when a line refused the section.
bool lf_scanSectionLines(SectionScan& s, const CfgSection& section)
{
    for (const auto& line : section) {
        for (const auto step : {lf_titleStep, lf_airlineStep, lf_parkingTypesStep, lf_atcIdStep}) {
            const auto result = step(s, line);
            if (result == Step::Refused)
                return false;
            if (result == Step::Taken)
                break;
        }
    }
    return true;
}

bool lf_needsAirline(const std::string& type)
{
    const auto category = gf_aircraftCategory(type);
    return category == AcCategory::Large || category == AcCategory::Heavy;
}

// A section without airline: the airline of its registration, or a private aircraft. Airliners must
// have one or the other.
bool lf_deriveAirline(SectionScan& s, const std::string& type)
{
    if (s.atcId.empty()) {
        if (lf_needsAirline(type)) {
            s.refuse(fmt::format("\"{}\" \"{}\" has no airline and no regcode info", s.folder, s.header));
            return false;
        }
        s.airline = "PVT";
        s.atcId = gf_findPrivateRegPrefix(s.title);
        return true;
    }
    if (const auto registration = gf_findRegistration(s.atcId)) {
        s.airline = registration->airl;
        return true;
    }
    if (lf_needsAirline(type)) {
        s.refuse(fmt::format("\"{}\" \"{}\" has no airline and its regcode is not in my dbase (very old liv?)", s.folder,
                             s.header));
        return false;
    }
    s.airline = "PVT";
    return true;
}

std::optional<LiveryData> lf_sectionLivery(SectionScan& s, const CfgSection& section, std::uint32_t folderIndex,
                                           const std::string& type)
{
    if (!lf_scanSectionLines(s, section))
        return std::nullopt;
    if (s.title.empty()) {
        s.refuse(fmt::format("{} {} misses title", s.folder, s.header));
        return std::nullopt;
    }
    if (gf_isDontUseTitle(s.title))
        return std::nullopt;
    if (s.airline == "ZZZ")
        s.atcId.clear();
    if (s.airline.empty() && !lf_deriveAirline(s, type))
        return std::nullopt;
    const bool cargo = s.parkingTypes.find("CARGO") != std::string::npos && s.parkingTypes.find("GATE") == std::string::npos;
    // Last, so that a refused section leaves its title free.
    auto livery = lf_insertLivery(folderIndex, std::move(s.airline), type, cargo ? 0 : 1, s.title, std::move(s.atcId));
    if (livery.title.empty()) {
        s.refuse(fmt::format("{} {} title \"{}\" already exists", s.folder, s.header, s.title));
        return std::nullopt;
    }
    return livery;
}

} // namespace

std::string lf_repeatedKeyProblem(std::string_view folder, std::string_view header, std::string_view key)
{
    // The registration's line has always had its own punctuation.
    if (key == "atc_id")
        return fmt::format("{}, {}, has more than one atc_id key", folder, header);
    return fmt::format("{} {} has more than one {} key", folder, header, key);
}

std::pair<RegcodeFault, const std::string*> lf_findRegcodeFault(const std::vector<std::string>& items,
                                                                bool placeholderIsFault)
{
    for (const auto& item : items) {
        if (item.empty())
            return {RegcodeFault::Empty, &item};
        if (item.size() > 12)
            return {RegcodeFault::TooLong, &item};
        if (item.find('*') != std::string::npos)
            return {RegcodeFault::WildCard, &item};
        if (placeholderIsFault && item == kPlaceholderRegistration)
            return {RegcodeFault::Placeholder, &item};
    }
    return {RegcodeFault::None, nullptr};
}

void lf_logWildCard(const std::string& title, const std::string& item)
{
    gf_logError(fmt::format("{} {} wild cards no longer supported, atc_id skipped ", title, item));
}

void lf_dropTrailingComments(CfgSection& section)
{
    while (!section.empty() && (section.back().empty() || section.back().starts_with("//")))
        section.pop_back();
}

std::list<LiveryData> lf_procesFltSimSection(std::uint32_t folderIndex, CfgSection& section, const std::string& type,
                                             const std::filesystem::path& path, const std::filesystem::path& folder)
{
    std::list<LiveryData> liveries;
    try {
        lf_dropTrailingComments(section);
        if (section.empty())
            return liveries;
        const auto folderText = gf_utf8FromPath(folder);
        SectionScan scan{section.front(), folderText, path, {}, {}, {}, {}, {}};
        if (auto livery = lf_sectionLivery(scan, section, folderIndex, type))
            liveries.push_back(std::move(*livery));
        else if (!scan.problem.empty())
            g_incompleteSectionList.append(std::move(scan.problem));
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in lf_procesFltSimSection: {}, file: {}", gf_exceptionText(e), gf_utf8FromPath(path)));
        throw;
    }
    return liveries;
}

} // namespace zyn
