#include "settings/xml_meta.h"

#include "base/log.h"
#include "base/time_util.h"
#include "base/version.h"

#include <fmt/format.h>

#include <array>
#include <string>
#include <utility>

namespace zyn {

namespace {

constexpr const char* kAuthor = "Tarvo";

bool lf_appendInfo(pugi::xml_node meta, const std::string& name, const std::string& value)
{
    auto info = meta.append_child("info");
    if (!info)
        return false;
    auto nameAttribute = info.append_attribute("name");
    if (!nameAttribute || !nameAttribute.set_value(name.c_str()))
        return false;
    auto valueAttribute = info.append_attribute("value");
    return valueAttribute && valueAttribute.set_value(value.c_str());
}

// Where the "date" item's value starts in a text of a document with the block; npos without one.
std::size_t lf_metaDateAt(std::string_view text)
{
    static const std::string marker = fmt::format(R"(name="{}" value=")", param::META_DATE.key);
    const std::size_t at = text.find(marker);
    const std::size_t blockEnd = text.find("</meta>");
    return at < blockEnd && blockEnd != std::string_view::npos ? at + marker.size() : std::string_view::npos;
}

} // namespace

bool gf_sameButMetaDate(std::string_view a, std::string_view b)
{
    const std::size_t at = lf_metaDateAt(a);
    if (at == std::string_view::npos || at != lf_metaDateAt(b) || a.substr(0, at) != b.substr(0, at))
        return a == b;
    // An attribute value holds no quote of its own: pugixml writes it as an entity.
    const std::size_t endA = a.find('"', at);
    const std::size_t endB = b.find('"', at);
    return endA != std::string_view::npos && endB != std::string_view::npos && a.substr(endA) == b.substr(endB);
}

bool gf_writeXmlMeta(pugi::xml_document& document)
{
    auto meta = document.append_child("meta");
    if (!meta)
        return false;
    const std::array<std::pair<const StringParameter&, std::string>, 5> items{{
        {param::META_AUTHOR, kAuthor},
        {param::META_VERSION, gf_versionToString(g_programVersion)},
        {param::META_DATE, gf_dateText()},
        {param::META_COPYRIGHT, param::META_COPYRIGHT.getValue()},
        {param::META_MSFS, param::MSFS_2020.on() ? "2020" : "2024"},
    }};
    for (const auto& [item, value] : items)
        if (!lf_appendInfo(meta, item.key, value))
            return false;
    return true;
}

bool lf_readMetaItem(const pugi::xml_document& document, StringParameter& item)
{
    pugi::xpath_variable_set variables;
    variables.set("name", item.key.c_str());
    const pugi::xpath_query query("/meta/info[@name = $name]", &variables);
    const auto info = document.select_node(query).node();
    item.setValue(info ? info.attribute("value").as_string() : "");
    return static_cast<bool>(info);
}

bool gf_checkXmlMeta(const pugi::xml_document& document)
{
    const bool complete = lf_readMetaItem(document, param::META_AUTHOR) &&
                          lf_readMetaItem(document, param::META_DATE) &&
                          lf_readMetaItem(document, param::META_VERSION);
    if (!complete)
        gf_logError("meta data incorrect?");
    return complete;
}

} // namespace zyn
