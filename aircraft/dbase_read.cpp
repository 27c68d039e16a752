#include "aircraft/dbase_read.h"

#include "aircraft/descramble.h"
#include "base/errors.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "base/units.h"
#include "base/zip_download.h"
#include "platform/system/error_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr double kHalfSpanNmPerMetre = 0.5 * kNmPerMetre;

pugi::xml_node lf_section(const pugi::xml_document& doc, std::string_view section)
{
    return doc.child(std::string(section).c_str());
}

std::string lf_attribute(const pugi::xml_node& node, const char* name) { return node.attribute(name).value(); }

// The list pieces of an attribute; an empty piece (a doubled or trailing comma) names nothing.
std::vector<std::string> lf_listPieces(const pugi::xml_node& node, const char* attribute)
{
    auto pieces = gf_splitCommas(node.attribute(attribute).value());
    std::erase(pieces, std::string());
    return pieces;
}

template <typename Convert> void lf_insertConverted(const TypeSet& from, TypeSet& into, Convert convert)
{
    for (const auto& code : from)
        into.insert(convert(code));
}

void lf_readSimilarTypes(const pugi::xml_document& doc)
{
    g_similarTypeGroups.reserve(64);
    for (const auto& similar : lf_section(doc, "similar_types").children("similar")) {
        auto group = lf_listPieces(similar, "types");
        if (group.empty())
            continue;
        lf_descrambleTypeList(group);
        std::sort(group.begin(), group.end());
        g_similarTypeGroups.push_back(std::move(group));
    }
    g_similarTypeGroups.shrink_to_fit();
}

void lf_readPublishers(const pugi::xml_document& doc, const fs::path& path)
{
    try {
        std::vector<std::string> texts;
        for (const auto& pub : lf_section(doc, "publishers").children("pub"))
            texts.push_back(lf_attribute(pub, "names"));
        std::sort(texts.begin(), texts.end());
        texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
        g_publishers.reserve(640);
        for (const auto& text : texts) {
            auto names = gf_splitCommas(text);
            if (!names.empty()) // an entry must have its name
                g_publishers.push_back(std::move(names));
        }
        g_publishers.shrink_to_fit();
    } catch (const std::exception& e) {
        throw std::runtime_error(fmt::format("exception {} in reading publishers from \"{}\"", gf_exceptionText(e), gf_utf8FromPath(path)));
    }
}

// True when the element gave a wingspan of a known type.
bool lf_readWingspan(const pugi::xml_node& wingspan)
{
    const std::string type = lf_descrambleType(lf_attribute(wingspan, "type"));
    if (!g_aircraftTypes.contains(type)) {
        gf_logErrorf("wingspan model {} is no valid model, skipped", type);
        return false;
    }
    const std::string metres = lf_attribute(wingspan, "meters");
    const double half = std::strtod(metres.c_str(), nullptr) * kHalfSpanNmPerMetre;
    if (!std::isfinite(half) || half < 0.0) { // would spoil every clearance computed with it
        gf_logErrorf("wingspan of model {} is no valid number \"{}\", skipped", type, metres);
        return false;
    }
    g_wingspans.emplace(type, half);
    if (half > g_maxHalfWingspan.load())
        g_maxHalfWingspan = half;
    return true;
}

void lf_readWingspans(const pugi::xml_document& doc, const fs::path& path)
{
    bool any = false;
    try {
        for (const auto& wingspan : lf_section(doc, "wingspans").children("wingspan"))
            any = lf_readWingspan(wingspan) || any;
    } catch (const std::exception& e) {
        throw std::runtime_error(fmt::format("exception {} in reading wingspans from \"{}\"", gf_exceptionText(e), gf_utf8FromPath(path)));
    }
    if (any)
        lf_computeDefaultWingspans();
}

void lf_readFixes(const pugi::xml_document& doc)
{
    for (const auto& fix : lf_section(doc, "fixes").children("fx")) {
        const std::string wrong = lf_attribute(fix, "wro");
        const std::string correct = lf_attribute(fix, "cor");
        if (correct.empty() || !g_aircraftTypes.contains(correct))
            gf_logErrorf("wrong fix {}->{}, the latter is not a valid model", wrong, correct);
        else if (!g_modelFixes.emplace(wrong, correct).second)
            gf_logErrorf("wrong part of fix: \"{}\", already exists, skipped", wrong);
    }
}

bool lf_isTrueText(std::string_view text) { return !text.empty() && std::string_view("1tTyY").find(text.front()) != std::string_view::npos; }

std::string lf_decryptAirlineOrEmpty(const std::string& code) { return code.empty() ? code : lf_decryptAirline(code); }

void lf_readRegistration(const pugi::xml_node& db)
{
    std::string reg = lf_descrambleCode(lf_attribute(db, "reg"));
    RegistrationRecord record{lf_decryptAirlineOrEmpty(lf_attribute(db, "airl")),
                              lf_descrambleType(lf_attribute(db, "type")),
                              lf_decryptAirlineOrEmpty(lf_attribute(db, "opr")), lf_isTrueText(lf_attribute(db, "cargo"))};
    if (!g_registrations.emplace(reg, std::move(record)).second)
        gf_logErrorf("regcode {} already exists", reg);
}

// A stored code that cannot be descrambled costs its element, not the database.
void lf_readRegistrations(const pugi::xml_document& doc, const fs::path& path)
{
    g_registrations.clear();
    std::size_t number = 0;
    for (const auto& db : lf_section(doc, "dbase").children("db")) {
        ++number;
        try {
            lf_readRegistration(db);
        } catch (const std::exception& e) {
            gf_logErrorf("{}: dbase db {} skipped: {}", gf_utf8FromPath(path), number, gf_exceptionText(e));
        }
    }
}

} // namespace

void lf_readXmlSection(const pugi::xml_document& doc, std::string_view section, TypeSet& set, std::string_view child,
                       std::string_view attribute)
{
    const std::string attributeName(attribute);
    const std::string childName(child); // the range below keeps a pointer to the name
    for (const auto& node : lf_section(doc, section).children(childName.c_str()))
        for (auto& piece : lf_listPieces(node, attributeName.c_str()))
            set.insert(std::move(piece));
    if (set.empty())
        throw UserErrorException(61, fmt::format("In an xml file section {} {} {} is empty ", section, child, attribute));
}

void lf_readTypesSection(const pugi::xml_document& doc, std::string_view section, TypeSet& set, std::string_view child)
{
    TypeSet stored;
    lf_readXmlSection(doc, section, stored, child, "types");
    lf_insertConverted(stored, set, lf_descrambleType);
}

void lf_readCodesSection(const pugi::xml_document& doc, std::string_view section, TypeSet& set,
                         const fs::path& path)
{
    TypeSet stored;
    lf_readXmlSection(doc, section, stored, "ICAO", "codes");
    for (const auto& code : stored) {
        try {
            set.insert(lf_decryptAirline(code));
        } catch (const std::exception& e) {
            gf_logErrorf("{}: {} code \"{}\" skipped: {}", gf_utf8FromPath(path), section, code, gf_exceptionText(e));
        }
    }
}

void lf_readPublisherAirports(const pugi::xml_document& doc, std::string_view section,
                              std::vector<PublisherAirports>& list, std::string_view child)
{
    const std::string childName(child); // the range below keeps a pointer to the name
    for (const auto& node : lf_section(doc, section).children(childName.c_str()))
        list.push_back({lf_attribute(node, "pub"), lf_listPieces(node, "arpts")});
}

void lf_computeDefaultWingspans()
{
    std::array<double, 6> sum{};
    std::array<int, 6> count{};
    double allSum = 0.0;
    for (const auto& [type, half] : g_wingspans) {
        const auto k = static_cast<std::size_t>(gf_aircraftCategory(type));
        sum[k] += half;
        ++count[k];
        allSum += half;
    }
    // A category without any wingspan of its own takes the mean of all.
    const double allMean = g_wingspans.empty() ? 0.0 : allSum / static_cast<double>(g_wingspans.size());
    for (std::size_t k = 0; k < sum.size(); ++k)
        g_defaultWingspans[k] = count[k] > 0 ? sum[k] / count[k] : allMean;
}

void gf_readDbaseFile(const fs::path& path)
{
    gf_clearDbase(); // a second read never doubles the lists
    pugi::xml_document doc;
    const auto result = doc.load_file(path.c_str());
    if (!result)
        throw UserErrorException(60, fmt::format("\"{}\" not read because of {}", gf_utf8FromPath(path), result.description()));
    lf_readTypesSection(doc, "aircrafts", g_aircraftTypes, "aircraft");
    lf_readTypesSection(doc, "high_performance", g_highPerfTypes, "hpf");
    lf_readTypesSection(doc, "heavy", g_heavyTypes, "hvy");
    lf_readTypesSection(doc, "large", g_largeTypes, "lar");
    lf_readTypesSection(doc, "buzjet", g_buzjetTypes, "bzj");
    lf_readTypesSection(doc, "rotorcraft", g_rotorcraftTypes, "rot");
    lf_readTypesSection(doc, "cargo_types", g_cargoTypes, "cargo_type");
    lf_readSimilarTypes(doc);
    lf_readCodesSection(doc, "ICAO_airlines", g_icaoAirlines, path);
    lf_readCodesSection(doc, "cargo_operators", g_cargoOperators, path);
    lf_readPublishers(doc, path);
    lf_readWingspans(doc, path);
    lf_readFixes(doc);
    lf_readXmlSection(doc, "simaddons20", g_simAddonAirports, "simaddon20", "arpts");
    g_publisherAirports2020.reserve(600);
    lf_readPublisherAirports(doc, "thirdparties20", g_publisherAirports2020, "thirdpartie20");
    lf_readPublisherAirports(doc, "thirdparties24", g_publisherAirports2024, "thirdpartie24");
    lf_readRegistrations(doc, path);
    gf_logf("aircraft database read: {} types, {} airline codes, {} registrations", g_aircraftTypes.size(),
            g_icaoAirlines.size(), g_registrations.size());
}

bool gf_readDbase()
{
    if (!gf_downloadDbaseZip(g_dbaseXmlPath))
        throw std::runtime_error("data base could not be read from on-line?");
    gf_readDbaseFile(g_dbaseXmlPath);
    gf_removeFileOrLog(g_dbaseXmlPath); // read: a left one is replaced or removed by the next download
    return true;
}

} // namespace zyn
