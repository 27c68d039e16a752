#include "tools/dbase_writer.h"

#include "aircraft/descramble.h"
#include "base/path_text.h"

#include <pugixml.hpp>
#include <zip.h>

#include <fmt/format.h>

#include <sstream>
#include <stdexcept>

namespace zyn::tools {

namespace {

char lf_scrambled(char c, std::int32_t k)
{
    if (c < kCodeCharFirst || c > kCodeCharLast)
        throw std::invalid_argument(fmt::format("character {} cannot be scrambled", static_cast<int>(c)));
    return static_cast<char>(lf_shiftChar(c, -k));
}

template <std::size_t N> std::string lf_permutedBack(std::string_view type, const std::array<std::size_t, N>& order)
{
    std::string stored(N, ' ');
    for (std::size_t i = 0; i < N; ++i)
        stored[order[i]] = lf_scrambled(type[i], kTypeShifts[i]);
    return stored;
}

std::string lf_join(const std::vector<std::string>& pieces, std::string (*convert)(std::string_view))
{
    std::string text;
    for (const auto& piece : pieces)
        text += (text.empty() ? "" : ",") + (convert ? convert(piece) : piece);
    return text;
}

std::string lf_plain(std::string_view text) { return std::string(text); }

void lf_addListSection(pugi::xml_node root, const char* section, const char* child, const char* attribute,
                       const std::vector<std::string>& list, std::string (*convert)(std::string_view))
{
    if (!list.empty())
        root.append_child(section).append_child(child).append_attribute(attribute) = lf_join(list, convert).c_str();
}

void lf_addThirdParties(pugi::xml_node root, const char* section, const char* child,
                        const std::vector<PublisherAirports>& list)
{
    if (list.empty())
        return;
    auto node = root.append_child(section);
    for (const auto& entry : list) {
        auto item = node.append_child(child);
        item.append_attribute("pub") = entry.pub.c_str();
        item.append_attribute("arpts") = lf_join(entry.arpts, lf_plain).c_str();
    }
}

template <typename List, typename Fill>
void lf_addElements(pugi::xml_node root, const char* section, const char* child, const List& list, Fill fill)
{
    if (list.empty())
        return;
    auto node = root.append_child(section);
    for (const auto& entry : list)
        fill(node.append_child(child), entry);
}

std::string lf_scrambleAirlineOrEmpty(std::string_view code) { return code.empty() ? std::string() : gf_scrambleAirline(code); }

} // namespace

std::string gf_scrambleAirline(std::string_view code)
{
    if (code.size() != kAirlinePositions.size())
        throw std::invalid_argument(fmt::format("airline code \"{}\" is not of 3 characters", code));
    std::string stored = "QX7M4K"; // the positions that carry nothing keep these
    for (std::size_t i = 0; i < code.size(); ++i)
        stored[kAirlinePositions[i]] = lf_scrambled(code[i], kAirlineShifts[i]);
    return stored;
}

std::string gf_scrambleType(std::string_view type)
{
    switch (type.size()) {
    case 0:
        return {};
    case 1:
        return std::string(1, lf_scrambled(type[0], kTypeShifts[0]));
    case 2:
        return lf_permutedBack(type, kTypeOrder2);
    case 3:
        return lf_permutedBack(type, kTypeOrder3);
    case 4:
        return lf_permutedBack(type, kTypeOrder4);
    default:
        throw std::invalid_argument(fmt::format("type \"{}\" is longer than 4 characters", type));
    }
}

std::string gf_scrambleCode(std::string_view text)
{
    if (text.size() > kCodeKeys.size())
        throw std::invalid_argument(fmt::format("registration \"{}\" is longer than {}", text, kCodeKeys.size()));
    std::string stored(text);
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (stored[i] != '+')
            stored[i] = lf_scrambled(stored[i], kCodeKeys[i]);
    return stored;
}

std::string gf_dbaseXmlText(const DbaseContent& c)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc; // the sections are top-level elements
    lf_addListSection(root, "aircrafts", "aircraft", "types", c.types, gf_scrambleType);
    lf_addListSection(root, "high_performance", "hpf", "types", c.highPerf, gf_scrambleType);
    lf_addListSection(root, "heavy", "hvy", "types", c.heavy, gf_scrambleType);
    lf_addListSection(root, "large", "lar", "types", c.large, gf_scrambleType);
    lf_addListSection(root, "buzjet", "bzj", "types", c.buzjet, gf_scrambleType);
    lf_addListSection(root, "rotorcraft", "rot", "types", c.rotorcraft, gf_scrambleType);
    lf_addListSection(root, "cargo_types", "cargo_type", "types", c.cargoTypes, gf_scrambleType);
    lf_addElements(root, "similar_types", "similar", c.similar, [](pugi::xml_node n, const auto& group) {
        n.append_attribute("types") = lf_join(group, gf_scrambleType).c_str();
    });
    lf_addListSection(root, "ICAO_airlines", "ICAO", "codes", c.airlines, gf_scrambleAirline);
    lf_addListSection(root, "cargo_operators", "ICAO", "codes", c.cargoOperators, gf_scrambleAirline);
    lf_addElements(root, "publishers", "pub", c.publishers,
                   [](pugi::xml_node n, const std::string& names) { n.append_attribute("names") = names.c_str(); });
    lf_addElements(root, "wingspans", "wingspan", c.wingspans, [](pugi::xml_node n, const auto& span) {
        n.append_attribute("type") = gf_scrambleType(span.first).c_str();
        n.append_attribute("meters") = fmt::format("{}", span.second).c_str();
    });
    lf_addElements(root, "fixes", "fx", c.fixes, [](pugi::xml_node n, const auto& fix) {
        n.append_attribute("wro") = fix.first.c_str();
        n.append_attribute("cor") = fix.second.c_str();
    });
    lf_addListSection(root, "simaddons20", "simaddon20", "arpts", c.simAddonAirports, lf_plain);
    lf_addThirdParties(root, "thirdparties20", "thirdpartie20", c.thirdParties2020);
    lf_addThirdParties(root, "thirdparties24", "thirdpartie24", c.thirdParties2024);
    lf_addElements(root, "dbase", "db", c.registrations, [](pugi::xml_node n, const DbaseRegistration& r) {
        n.append_attribute("reg") = gf_scrambleCode(r.reg).c_str();
        n.append_attribute("airl") = lf_scrambleAirlineOrEmpty(r.record.airl).c_str();
        n.append_attribute("type") = gf_scrambleType(r.record.type).c_str();
        n.append_attribute("opr") = lf_scrambleAirlineOrEmpty(r.record.opr).c_str();
        n.append_attribute("cargo") = r.record.cargo ? "1" : "0";
    });
    std::ostringstream out;
    doc.save(out, "  ");
    return out.str();
}

void gf_writeDbaseZip(const DbaseContent& content, const std::filesystem::path& zipPath)
{
    const std::string text = gf_dbaseXmlText(content);
    int code = 0;
    zip_t* archive = zip_open(gf_utf8FromPath(zipPath).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        throw std::runtime_error(fmt::format("cannot create {}", zipPath.string()));
    zip_source_t* source = zip_source_buffer(archive, text.data(), text.size(), 0);
    if (!source || zip_file_add(archive, "dbase.xml", source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        zip_discard(archive);
        throw std::runtime_error(fmt::format("cannot add dbase.xml to {}", zipPath.string()));
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error(fmt::format("cannot write {}", zipPath.string()));
    }
}

} // namespace zyn::tools
