// Types that may stand in for another when no livery of the type itself is installed.
#include "livery/similar_types.h"

#include "base/log.h"
#include "base/random_util.h"
#include "base/text_util.h"
#include "livery/livery_index.h"

#include <algorithm>

namespace zyn {

std::unordered_map<std::string, TypeList> g_similarTypesWithLivery;
std::unordered_map<std::string, std::unordered_map<std::string, TypeList>> g_airlineSimilarTypes;

namespace {

const TypeList g_emptyTypeList;
TypeList g_substituteType;

// "T,S1,S2" for each member T of a group: the other members that have a generic livery.
std::vector<std::string> lf_similarTexts()
{
    std::vector<std::string> texts;
    for (const auto& group : g_similarTypeGroups)
        for (const auto& type : group) {
            std::string text = type;
            for (const auto& other : group)
                if (&other != &type && gf_hasGenericLivery(other))
                    text += "," + other;
            if (gf_containsChar(text, ','))
                texts.push_back(std::move(text));
        }
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    return texts;
}

void lf_addAirlineSimilarTypes(const std::string& airline)
{
    std::unordered_map<std::string, TypeList> byType;
    for (const auto& [type, similar] : g_similarTypesWithLivery) {
        if (gf_hasLiveryForAirlineType(airline, type))
            continue;
        TypeList withLivery;
        std::copy_if(similar.begin(), similar.end(), std::back_inserter(withLivery),
                     [&](const std::string& s) { return gf_hasLiveryForAirlineType(airline, s); });
        if (!withLivery.empty())
            byType.emplace(type, std::move(withLivery));
    }
    if (!byType.empty())
        g_airlineSimilarTypes.emplace(airline, std::move(byType));
}

const TypeList& lf_shuffled(TypeList& list)
{
    gf_shuffleStrings(list);
    return list;
}

std::string lf_drawFrom(const TypeList& pool)
{
    if (pool.empty())
        return {};
    if (pool.size() == 1)
        return pool.front();
    return pool[gf_randomEngine()() % pool.size()];
}

} // namespace

void gf_buildSimilarModels()
{
    for (const auto& text : lf_similarTexts()) {
        auto pieces = gf_splitCommas(text);
        std::string key = std::move(pieces.front());
        pieces.erase(pieces.begin());
        g_similarTypesWithLivery.emplace(std::move(key), std::move(pieces));
    }
    for (const auto& airline : gf_liveryAirlines())
        lf_addAirlineSimilarTypes(airline);
    gf_logf("{} similar model definitions", g_similarTypesWithLivery.size());
}

void gf_clearSimilarModels()
{
    g_similarTypesWithLivery.clear();
    g_airlineSimilarTypes.clear();
    g_substituteType.clear();
}

const TypeList& gf_substituteTypes(std::string_view type)
{
    if (const auto it = g_similarTypesWithLivery.find(std::string(type)); it != g_similarTypesWithLivery.end())
        return lf_shuffled(it->second);
    const std::vector<std::string>* pool = gf_categoryTypePool(gf_aircraftCategory(type));
    if (pool == nullptr) // only Light, Buzjets and Rotorcraft have one
        return g_emptyTypeList;
    std::string drawn = lf_drawFrom(*pool);
    if (drawn.empty())
        return g_emptyTypeList;
    g_substituteType.assign(1, std::move(drawn));
    return g_substituteType;
}

const TypeList& gf_lookupAirlineTypeList(std::string_view airline, std::string_view type)
{
    const auto byAirline = g_airlineSimilarTypes.find(std::string(airline));
    if (byAirline == g_airlineSimilarTypes.end())
        return g_emptyTypeList;
    const auto byType = byAirline->second.find(std::string(type));
    return byType == byAirline->second.end() ? g_emptyTypeList : lf_shuffled(byType->second);
}

} // namespace zyn
