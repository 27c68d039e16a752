#include "sim/user_model.h"

#include <array>
#include <stdexcept>

namespace zyn {

namespace {

struct FixedModel {
    std::string_view model;
    std::string_view type;
};
constexpr std::array<FixedModel, 4> kFixedModels{{
    {"A350-900", "A359"}, {"N738B", "B38M"}, {"777", "772"}, {"A330-200 (RR)", "A332"}}};

constexpr std::array<FixedModel, 4> k737ByTitle{{
    {"DG 737-800", "B738"}, {"DG 737-700", "B737"}, {"DG 737-600", "B736"}, {"DG 737-900", "B739"}}};

constexpr std::array<FixedModel, 3> kAerosoftTitles{{
    {"Aerosoft A319", "A319"}, {"Aerosoft A320", "A320"}, {"Aerosoft A321", "A321"}}};

// The designator in front of ".0.text": four, three or two characters, the first the database knows.
std::string lf_typeBeforeTextSuffix(std::string_view model, std::size_t p, const AircraftTypeLookup& db)
{
    if (p < 4)
        throw std::out_of_range("gf_userModelType: \".0.text\" too close to the start of the model");
    for (const std::size_t n : {4u, 3u, 2u}) {
        const auto candidate = model.substr(p - n, n);
        if (db.wingspan(candidate) != 0.0)
            return std::string(candidate);
    }
    return std::string(model);
}

std::string lf_737ByTitle(std::string_view title)
{
    for (const auto& entry : k737ByTitle)
        if (title.find(entry.model) != std::string_view::npos)
            return std::string(entry.type);
    return "737";
}

std::string lf_typeFromTitle(std::string_view title)
{
    if (title.size() < 13)
        return {};
    for (const auto& entry : kAerosoftTitles)
        if (title.substr(0, 13) == entry.model)
            return std::string(entry.type);
    return {};
}

} // namespace

std::string gf_userModelType(std::string_view model, std::string_view title, const AircraftTypeLookup& db)
{
    for (const auto& entry : kFixedModels)
        if (model == entry.model)
            return std::string(entry.type);
    if (const auto p = model.find(".0.text"); p != std::string_view::npos)
        return lf_typeBeforeTextSuffix(model, p, db);
    if (model.starts_with("$$:") && model.size() >= 5)
        return std::string(model.substr(3));
    if (model == "737")
        return lf_737ByTitle(title);
    return std::string(model);
}

UserModelAnalysis gf_analyseUserModel(std::string_view model, std::string_view title, const AircraftTypeLookup& db)
{
    UserModelAnalysis result;
    result.modelType = gf_userModelType(model, title, db);
    result.type = result.modelType;
    if (result.type.find("camerapod") != std::string::npos || result.type.find("Crew Vessel") != std::string::npos) {
        result.special = true;
        result.halfWingspanNm = db.wingspan("E190");
        result.wingspanKnown = true;
        result.category = AcCategory::Light;
        return result;
    }
    result.halfWingspanNm = result.type.size() < 5 ? db.wingspan(result.type) : db.maxHalfWingspan;
    result.wingspanKnown = result.halfWingspanNm != db.maxHalfWingspan;
    if (!result.wingspanKnown) {
        result.deducedType = lf_typeFromTitle(title);
        if (!result.deducedType.empty()) {
            result.type = result.deducedType;
            result.halfWingspanNm = db.wingspan(result.type);
            result.wingspanKnown = result.halfWingspanNm != 0.0;
            if (!result.wingspanKnown)
                result.halfWingspanNm = db.maxHalfWingspan;
        }
    }
    result.category = db.category(result.type);
    return result;
}

} // namespace zyn
