// Our SimConnect functions, served by the in-process simulator emulator: AI objects.
#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include <fmt/format.h>

#include "platform/simconnect/emulator_call.h"
#include "platform/simconnect/emulator_geo.h"
#include "platform/system/path_text.h"

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
    o.title = title;
    // The simulator keeps only so much of a tail number; a longer one is cut.
    o.atcId = std::string(tail ? tail : "").substr(0, g_world.scenario.behaviour.atcIdMaxChars);
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
    o.track.push_back({o.createdAt, o.pose.lat, o.pose.lon, o.pose.onGround});
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

// AI objects there are and those on their way.
int lf_aiObjectCount()
{
    const auto living = std::count_if(g_world.objects.begin(), g_world.objects.end(),
                                      [](const SimObject& o) { return !o.isUser && !o.removed; });
    const auto coming = std::count_if(g_world.pendingCreations.begin(), g_world.pendingCreations.end(),
                                      [](const PendingCreation& c) { return c.failure == 0; });
    return static_cast<int>(living + coming);
}

// The exception that will end a creation, or 0 when its object appears.
DWORD lf_creationFailure(const char* title)
{
    if (!title || !lf_installed(title))
        return SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED;
    if (g_world.creationFailures > 0) {
        --g_world.creationFailures;
        return SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED;
    }
    const double rate = g_world.scenario.behaviour.creationFailureRate;
    if (rate > 0.0 && std::uniform_real_distribution<double>(0.0, 1.0)(g_world.random) < rate)
        return SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED;
    if (lf_aiObjectCount() >= g_world.scenario.maxObjects)
        return SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS;
    return 0;
}

bool lf_objectIdFirst()
{
    switch (g_world.scenario.behaviour.creationReplyOrder) {
    case CreationReplyOrder::ObjectIdFirst: return true;
    case CreationReplyOrder::ObjectAddedFirst: return false;
    default: return std::bernoulli_distribution(0.5)(g_world.random);
    }
}

double lf_creationDelay()
{
    const SimBehaviour& b = g_world.scenario.behaviour;
    if (b.creationDelayMaxS <= b.creationDelayMinS)
        return b.creationDelayMinS;
    return std::uniform_real_distribution<double>(b.creationDelayMinS, b.creationDelayMaxS)(g_world.random);
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
    // The simulator answers later: the object, or the exception naming this call.
    PendingCreation creation;
    creation.dueAt = call.now() + lf_creationDelay();
    creation.requestId = RequestID;
    creation.packetId = call.connection().lastPacketId;
    creation.failure = lf_creationFailure(szContainerTitle);
    creation.objectIdFirst = lf_objectIdFirst();
    if (creation.failure == 0)
        creation.object = lf_createdObject(szContainerTitle, szTailNumber, InitPos);
    g_world.pendingCreations.push_back(std::move(creation));
    if (g_world.scenario.behaviour.creationDelayMaxS <= 0.0)
        gf_completeCreations(g_world, call.now()); // no delay: done when the call returns
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
                         [](SimObject& o) { gf_removeLater(g_world, o); });
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
    // The program names the file in UTF-8.
    std::ifstream file(zyn::gf_pathFromUtf8(szFlightPlanPath ? szFlightPlanPath : ""), std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf()))
        return call.refuse(SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED, 2);
    object->flightPlanPath = szFlightPlanPath;
    object->flightPlanText = text.str();
    return call.result();
}
