#include "sim/user_ident.h"

#include "aircraft/ac_category.h"
#include "aircraft/aircraft_db.h"
#include "base/errors.h"
#include "base/geo.h"
#include "base/log.h"
#include "shown/sim_display.h"
#include "shown/status_line.h"
#include "sim/user_model.h"

#include <fmt/format.h>

namespace zyn {

Guarded<std::string> g_userAcTitle;
std::atomic<std::int32_t> g_userAcCategory{0};

namespace {

std::atomic<double> g_userHalfWingspanNm{-1.0}; // negative: absent

AircraftTypeLookup lf_aircraftDatabase()
{
    return {[](std::string_view type) { return gf_wingspan(type); },
            [](std::string_view type) { return gf_aircraftCategory(type); }, g_maxHalfWingspan.load()};
}

void lf_noModel()
{
    gf_showUserAcLabel("Unknown (encrypted?) aircraft");
    gf_setStatusMessage(
        "171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead", true);
    const auto crj7 = gf_wingspan("CRJ7");
    g_userHalfWingspanNm = crj7 != 0.0 ? crj7 : g_maxHalfWingspan.load();
}

void lf_applyModel(std::string_view model)
{
    gf_logIndentedf("model raw: {} ", model);
    const auto analysis = gf_analyseUserModel(model, g_userAcTitle.get(), lf_aircraftDatabase());
    g_userHalfWingspanNm = analysis.halfWingspanNm;
    if (analysis.category)
        g_userAcCategory = static_cast<std::int32_t>(*analysis.category);
    if (analysis.special) {
        gf_showUserAcLight(true);
        return;
    }
    auto line = "SimConnect: User aircraft model: " + analysis.modelType;
    if (!analysis.deducedType.empty())
        gf_logIndented("SimConnect: User aircraft model deduced from title: " + analysis.deducedType);
    gf_showUserAcLight(analysis.wingspanKnown);
    if (analysis.wingspanKnown)
        line += fmt::format(", half wing span: {:.1F} meter", analysis.halfWingspanNm * kMetresPerNm);
    else
        gf_setStatusMessage("User aircraft wing span unknown, max is taken instead, please report in my Forum!", true);
    line += fmt::format(", category: {}", gf_categoryName(static_cast<std::uint32_t>(g_userAcCategory.load())));
    gf_logIndented(line);
}

} // namespace

std::optional<double> gf_userHalfWingspan()
{
    const auto value = g_userHalfWingspanNm.load();
    return value < 0.0 ? std::nullopt : std::optional<double>(value);
}

std::string gf_utf8Prefix(std::string_view text, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80 && chars++ == maxChars) // a lead byte starts the next character
            return std::string(text.substr(0, i));
    }
    return std::string(text);
}

void gf_onUserAcTitle(std::string_view reply)
{
    if (reply.empty()) {
        gf_log("! title of your ac is empty?");
        return;
    }
    const auto title = gf_utf8Prefix(reply, kMaxUserAcTitleChars);
    if (title == g_userAcTitle.get())
        return;
    gf_showUserAcLabel(title);
    g_userAcTitle.set(title);
    gf_logIndented("SimConnect: User aircraft title: " + title);
}

void gf_onUserAcModel(std::string_view model)
{
    if (model.empty()) {
        lf_noModel();
        return;
    }
    try {
        lf_applyModel(model);
    } catch (const std::exception&) {
        throw UserErrorException(73, "It looks like you have not selected an aircraft as user vehicle");
    }
}

void gf_resetUserIdentification()
{
    g_userAcTitle.reset();
    g_userAcCategory = 0;
    g_userHalfWingspanNm = -1.0;
}

} // namespace zyn
