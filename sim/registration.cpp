#include "sim/registration.h"

#include "sim/ids.h"

#include <array>

namespace zyn {

namespace {

using namespace simid;

// A system event or a client event: our id and the simulator's name.
struct NamedEvent {
    std::uint32_t id;
    const char* name;
};
constexpr std::array<NamedEvent, 5> kSystemEvents{{{kEventSim, "Sim"},
                                                    {kEventObjectAdded, "ObjectAdded"},
                                                    {kEventObjectRemoved, "ObjectRemoved"},
                                                    {kEventFlightLoaded, "FlightLoaded"},
                                                    {kEventFrame, "Frame"}}};

struct Variable {
    std::uint32_t definition;
    const char* name;
    const char* unit; // nullptr: a variable without unit
    SIMCONNECT_DATATYPE type;
};
constexpr auto F64 = SIMCONNECT_DATATYPE_FLOAT64;
constexpr auto I64 = SIMCONNECT_DATATYPE_INT64;

// The order within a definition is the layout of its data block.
constexpr std::array<Variable, 33> kVariables{{
    {kDefTitle, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV},
    {kDefAtcModel, "ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {kDefOnGround, "SIM ON GROUND", "Bool", I64},
    {kDefAiPosition, "Plane Latitude", "degree", F64},
    {kDefAiPosition, "Plane Longitude", "degree", F64},
    {kDefAiPosition, "Plane Pitch degrees", "radians", F64},
    {kDefAiPosition, "Plane Bank degrees", "radians", F64},
    {kDefAiPosition, "Plane Heading degrees true", "radians", F64},
    {kDefAiPosition, "Plane Altitude", "feet", F64},
    {kDefAiPosition, "Vertical Speed", "feet per second", F64},
    {kDefAiPosition, "Airspeed True", "knots", F64},
    {kDefUserAc, "Plane Latitude", "degree", F64},
    {kDefUserAc, "Plane Longitude", "degree", F64},
    {kDefUserAc, "Plane Pitch degrees", "radians", F64},
    {kDefUserAc, "Plane Bank degrees", "radians", F64},
    {kDefUserAc, "Plane Heading degrees true", "radians", F64},
    {kDefUserAc, "Plane Altitude", "feet", F64},
    {kDefUserAc, "Plane Alt Above Ground", "feet", F64},
    {kDefUserAc, "Ground Velocity", "knots", F64},
    {kDefUserAc, "ZULU TIME", "Seconds", I64},
    {kDefUserAc, "ZULU DAY OF YEAR", "Number", I64},
    {kDefUserAc, "ZULU YEAR", "Number", I64},
    {kDefUserAc, "LIGHT STATES", "Mask", I64},
    {kDefStaticCog, "Static CG to Ground", "feet", F64},
    {kDefStaticCog, "Static Pitch", "radians", F64},
    {kDefLightStates, "Light On States", "Mask", I64},
    {kDefInRange, "Plane Alt Above Ground", "feet", F64},
    {kDefInRange, "Ground Altitude", "feet", F64},
    {kDefInRange, "SIM ON GROUND", "Bool", I64},
    {kDefInRange, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {kDefEngineLevers, "SPOILERS HANDLE POSITION", "percent", F64},
    {kDefEngineLevers, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", F64},
    {kDefEngineLevers, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", F64},
}};

constexpr std::array<NamedEvent, 17> kClientEvents{{{kGearSet, "GEAR_SET"},
                                                     {kEngineAutoStart, "ENGINE_AUTO_START"},
                                                     {kEngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
                                                     {kThrottleSet, "THROTTLE_SET"},
                                                     {kFlapsSet, "FLAPS_SET"},
                                                     {kSpoilersSet, "SPOILERS_SET"},
                                                     {kNavLightsSet, "NAV_LIGHTS_SET"},
                                                     {kBeaconLightsSet, "BEACON_LIGHTS_SET"},
                                                     {kLandingLightsSet, "LANDING_LIGHTS_SET"},
                                                     {kTaxiLightsSet, "TAXI_LIGHTS_SET"},
                                                     {kStrobesSet, "STROBES_SET"},
                                                     {kLogoLightsSet, "LOGO_LIGHTS_SET"},
                                                     {kCabinLightsSet, "CABIN_LIGHTS_SET"},
                                                     {kAllLightsToggle, "ALL_LIGHTS_TOGGLE"},
                                                     {kFreezeLatLonSet, "FREEZE_LATITUDE_LONGITUDE_SET"},
                                                     {kFreezeAltitudeSet, "FREEZE_ALTITUDE_SET"},
                                                     {kFreezeAttitudeSet, "FREEZE_ATTITUDE_SET"}}};

// Every client event but ENGINE_AUTO_START.
constexpr std::array<std::uint32_t, 16> kGroupMembers{
    kNavLightsSet,    kBeaconLightsSet,  kLandingLightsSet, kTaxiLightsSet,      kStrobesSet,  kLogoLightsSet,
    kCabinLightsSet,  kAllLightsToggle,  kFlapsSet,         kSpoilersSet,        kGearSet,     kEngineAutoShutdown,
    kThrottleSet,     kFreezeLatLonSet,  kFreezeAltitudeSet, kFreezeAttitudeSet};

void lf_addToGroup(HANDLE handle, std::uint32_t event)
{
    SimConnect_AddClientEventToNotificationGroup(handle, kGroup, event, TRUE);
}

} // namespace

void gf_registerSimConnect(HANDLE handle)
{
    for (const auto& event : kSystemEvents)
        SimConnect_SubscribeToSystemEvent(handle, event.id, event.name);
    for (const auto& v : kVariables)
        SimConnect_AddToDataDefinition(handle, v.definition, v.name, v.unit, v.type, 0.0f, SIMCONNECT_UNUSED);
    for (const auto& event : kClientEvents)
        SimConnect_MapClientEventToSimEvent(handle, event.id, event.name);
    for (const auto event : kGroupMembers)
        lf_addToGroup(handle, event);
    SimConnect_SetNotificationGroupPriority(handle, kGroup, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
}

} // namespace zyn
