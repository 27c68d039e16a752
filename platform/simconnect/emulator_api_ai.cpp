// Our SimConnect functions, served by the in-process simulator emulator: AI objects.
#include <algorithm>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "platform/simconnect/emulator_call.h"
#include "platform/simconnect/emulator_geo.h"

using namespace zyn::simemu;

namespace {

SimObject* lf_aiObject(SIMCONNECT_OBJECT_ID id)
{
    SimObject* o = gf_liveObject(g_world, id);
    return o && !o->isUser ? o : nullptr;
}

SimObject lf_createdObject(const char* title, const char* tail, const SIMCONNECT_DATA_INITPOSITION& p)
{
    const double ground = g_world.scenario.groundAltitudeFt;
    SimObject o;
    o.id = g_world.nextObjectId++;
    o.title = title;
    o.atcId = tail ? tail : "";
    o.aiControlled = true;
    o.createdAt = gf_worldSeconds(g_world);
    o.pose.lat = p.Latitude;
    o.pose.lon = p.Longitude;
    o.pose.altitudeFt = p.OnGround != 0 ? ground : p.Altitude;
    o.pose.pitchRad = p.Pitch * kDegToRad;
    o.pose.bankRad = p.Bank * kDegToRad;
    o.pose.headingRad = p.Heading * kDegToRad;
    o.pose.airspeedKt = o.pose.groundSpeedKt = p.Airspeed;
    o.pose.onGround = o.pose.altitudeFt - ground < 1.0;
    o.track.push_back({o.createdAt, o.pose.lat, o.pose.lon});
    return o;
}

bool lf_installed(std::string_view title)
{
    const auto& titles = g_world.scenario.installedTitles;
    if (title.empty())
        return false;
    if (!titles)
        return true;
    const std::string lower = gf_lowerAscii(title); // titles are matched as the simulator does: any case
    return std::any_of(titles->begin(), titles->end(), [&](const std::string& t) { return gf_lowerAscii(t) == lower; });
}

int lf_liveAiCount()
{
    return static_cast<int>(std::count_if(g_world.objects.begin(), g_world.objects.end(),
                                           [](const SimObject& o) { return !o.isUser && !o.removed; }));
}

// A call on one AI object (a client may touch only the objects it created when `ownOnly`).
template <typename Apply>
HRESULT lf_onAiObject(HANDLE handle, std::string_view function, SIMCONNECT_OBJECT_ID objectId,
                      SIMCONNECT_DATA_REQUEST_ID requestId, bool ownOnly, Apply apply)
{
    ApiCall call(handle, function, {gf_argNum(objectId), gf_argNum(requestId)});
    if (!call.send())
        return call.result();
    SimObject* object = lf_aiObject(objectId);
    if (!object || (ownOnly && object->isForeign))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    apply(*object);
    return call.result();
}

} // namespace

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle, const char* szTailNumber,
                                          SIMCONNECT_DATA_INITPOSITION InitPos, SIMCONNECT_DATA_REQUEST_ID RequestID)
{
    const std::string position =
        fmt::format("{:.6f} {:.6f} {:.0f}ft hdg {:.0f} gnd {} {}kt", InitPos.Latitude, InitPos.Longitude,
                    InitPos.Altitude, InitPos.Heading, InitPos.OnGround, InitPos.Airspeed);
    ApiCall call(hSimConnect, "SimConnect_AICreateNonATCAircraft",
                 {gf_argText(szContainerTitle), gf_argText(szTailNumber), gf_argText(position), gf_argNum(RequestID)});
    if (!call.send())
        return call.result();
    if (!szContainerTitle || !lf_installed(szContainerTitle))
        return call.refuse(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 1);
    if (g_world.creationFailures > 0) {
        --g_world.creationFailures;
        return call.refuse(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 1);
    }
    if (lf_liveAiCount() >= g_world.scenario.maxObjects)
        return call.refuse(SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, 0);
    SIMCONNECT_RECV_ASSIGNED_OBJECT_ID assigned;
    assigned.dwRequestID = RequestID;
    assigned.dwObjectID = gf_addObject(g_world, lf_createdObject(szContainerTitle, szTailNumber, InitPos)).id;
    gf_queue(g_world, gf_recordMessage(assigned, SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID));
    gf_queueObjectEvent(g_world, "ObjectAdded", assigned.dwObjectID);
    return call.result();
}

HRESULT SimConnect_AIReleaseControl(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                    SIMCONNECT_DATA_REQUEST_ID RequestID)
{
    return lf_onAiObject(hSimConnect, "SimConnect_AIReleaseControl", ObjectID, RequestID, false,
                         [](SimObject& o) { o.aiControlled = false; });
}

HRESULT SimConnect_AIRemoveObject(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                  SIMCONNECT_DATA_REQUEST_ID RequestID)
{
    return lf_onAiObject(hSimConnect, "SimConnect_AIRemoveObject", ObjectID, RequestID, true,
                         [](SimObject& o) { gf_markRemoved(g_world, o); });
}

HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                           const char* szFlightPlanPath, SIMCONNECT_DATA_REQUEST_ID RequestID)
{
    ApiCall call(hSimConnect, "SimConnect_AISetAircraftFlightPlan",
                 {gf_argNum(ObjectID), gf_argText(szFlightPlanPath), gf_argNum(RequestID)});
    if (!call.send())
        return call.result();
    SimObject* object = lf_aiObject(ObjectID);
    if (!object)
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    std::ifstream file(szFlightPlanPath ? szFlightPlanPath : "", std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf()))
        return call.refuse(SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED, 2);
    object->flightPlanPath = szFlightPlanPath;
    object->flightPlanText = text.str();
    return call.result();
}
