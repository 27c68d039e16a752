#include "settings/airport_settings.h"

#include "settings/setting_controls.h"
#include "settings/traffic_range.h"

#include <array>
#include <mutex>

namespace zyn {

namespace {

struct BoolField {
    BoolControlParameter* parameter;
    bool AirportSettings::*field;
};
struct IntField {
    IntControlParameter* parameter;
    std::int32_t AirportSettings::*field;
};

constexpr std::array<BoolField, 7> kBools{{{&param::INITIAL_LOAD_ONLY, &AirportSettings::initialLoadOnly},
                                       {&param::PARK_SOFT, &AirportSettings::parkSoft},
                                       {&param::PARK_FAKE, &AirportSettings::parkFake},
                                       {&param::WEEK, &AirportSettings::week},
                                       {&param::RT_PARKTRAFFIC_ONLY, &AirportSettings::parkTrafficOnly},
                                       {&param::LEARN_SOFT, &AirportSettings::learnSoft},
                                       {&param::AUTO_RANGE, &AirportSettings::autoRange}}};
constexpr std::array<IntField, 4> kInts{{{&param::LATERAL_RANGE, &AirportSettings::lateralRange},
                                     {&param::parking_percentage, &AirportSettings::parkingPercentage},
                                     {&param::MAX_FIT, &AirportSettings::maxFit},
                                     {&param::MAX_LIVE, &AirportSettings::maxLive}}};

// The window thread keeps what the user saves while the main loop gives it back.
std::mutex g_mutex;
AirportSettings g_users;
bool g_initialLoadOnlySwitched = false;
bool g_learnSoftSwitched = false;

AirportSettings lf_inForce()
{
    AirportSettings now;
    for (const BoolField& f : kBools)
        now.*f.field = f.parameter->on();
    for (const IntField& f : kInts)
        now.*f.field = f.parameter->value.load();
    return now;
}

AirportSettings lf_defaults()
{
    AirportSettings defaults;
    for (const BoolField& f : kBools)
        defaults.*f.field = f.parameter->defaultValue != 0;
    for (const IntField& f : kInts)
        defaults.*f.field = f.parameter->defaultValue;
    return defaults;
}

bool lf_is(const Parameter& parameter, const Parameter* field) { return &parameter == field; }

// The eleven take the user's own values; no control is set here, the caller holds the savers' lock.
void lf_putInForce(const AirportSettings& own)
{
    using namespace param;
    for (const BoolField& f : kBools)
        f.parameter->value = own.*f.field ? 1 : 0;
    parking_percentage.value = own.parkingPercentage;
    MAX_FIT.value = own.maxFit;
    MAX_FIT_FL.value = static_cast<float>(own.maxFit) * 0.5f + 0.5f;
    MAX_LIVE.value = own.maxLive;
    if (own.autoRange)
        return; // the automatic range is set when shown
    g_airportRangeMode = 0;
    gf_setTrafficRange(own.lateralRange);
}

void lf_showRange()
{
    using namespace param;
    const bool autoRange = AUTO_RANGE.on();
    gf_enableControl(LATERAL_RANGE, !autoRange);
    gf_enableControl(AUTO_RANGE_ABOVE_HEIGHT, autoRange);
    if (autoRange)
        gf_adjustAutoRange();
    else
        gf_setBoxInt(LATERAL_RANGE);
}

// The window shows what is in force now. A control is set only for a value that changed: no message
// to the window for nothing, and boxes still empty before the first airport stay so. The percentage
// and the fit show in their boxes only while RT_PARKTRAFFIC_ONLY is off.
void lf_showGivenBack(const AirportSettings& before, const AirportSettings& own)
{
    using namespace param;
    for (const BoolField& f : kBools)
        if (before.*f.field != own.*f.field)
            gf_showCheckBox(*f.parameter);
    if (before.parkTrafficOnly != own.parkTrafficOnly) {
        gf_applyParkTrafficOnly();
    } else if (!RT_PARKTRAFFIC_ONLY.on()) {
        if (before.parkingPercentage != own.parkingPercentage)
            gf_setBoxInt(parking_percentage);
        if (before.maxFit != own.maxFit)
            gf_setBoxFloat(MAX_FIT_FL);
    }
    gf_setBoxInt(MAX_LIVE);
    lf_showRange();
}

GiveBackStep g_giveBackStep = nullptr;

} // namespace

void gf_takeUsersAirportSettings()
{
    std::lock_guard lock(g_mutex);
    g_users = lf_inForce();
    // Read afresh from the file: no switch of an earlier session's airport is in force.
    g_initialLoadOnlySwitched = false;
    g_learnSoftSwitched = false;
}

AirportSettings gf_usersAirportSettings()
{
    std::lock_guard lock(g_mutex);
    return g_users;
}

void gf_keepUsersAirportSetting(const Parameter& parameter)
{
    std::lock_guard lock(g_mutex);
    for (const BoolField& f : kBools)
        if (lf_is(parameter, f.parameter))
            g_users.*f.field = f.parameter->on();
    for (const IntField& f : kInts)
        if (lf_is(parameter, f.parameter))
            g_users.*f.field = f.parameter->value.load();
    // The user's own choice replaces the program's switch.
    if (lf_is(parameter, &param::INITIAL_LOAD_ONLY))
        g_initialLoadOnlySwitched = false;
    if (lf_is(parameter, &param::LEARN_SOFT))
        g_learnSoftSwitched = false;
}

AirportSettings gf_airportSettingsToLearn()
{
    AirportSettings learn = lf_inForce();
    std::lock_guard lock(g_mutex);
    if (g_initialLoadOnlySwitched)
        learn.initialLoadOnly = false;
    if (g_learnSoftSwitched)
        learn.learnSoft = true;
    return learn;
}

void gf_switchInitialLoadOnlyOn()
{
    {
        std::lock_guard lock(g_mutex);
        g_initialLoadOnlySwitched = true;
    }
    param::INITIAL_LOAD_ONLY.value = 1;
    gf_showCheckBox(param::INITIAL_LOAD_ONLY);
}

void gf_switchLearnSoftOff()
{
    {
        std::lock_guard lock(g_mutex);
        g_learnSoftSwitched = true;
    }
    param::LEARN_SOFT.value = 0;
    gf_showCheckBox(param::LEARN_SOFT);
    gf_enableControl(param::LEARN_SOFT, false);
}

void gf_giveUsersAirportSettingsBack()
{
    AirportSettings before;
    AirportSettings own;
    {
        // Copied and written under the savers' lock: a value the user saves meanwhile is either in the
        // copy or saved after it, never undone by it.
        std::lock_guard lock(g_mutex);
        own = g_users;
        g_initialLoadOnlySwitched = false;
        g_learnSoftSwitched = false;
        before = lf_inForce();
        lf_putInForce(own);
    }
    if (g_giveBackStep)
        g_giveBackStep();
    lf_showGivenBack(before, own);
}

void gf_setGiveBackStep(GiveBackStep step) { g_giveBackStep = step; }

void gf_resetAirportSettings()
{
    std::lock_guard lock(g_mutex);
    g_users = lf_defaults();
    g_initialLoadOnlySwitched = false;
    g_learnSoftSwitched = false;
}

} // namespace zyn
