// Our SimConnect functions, served by the in-process simulator emulator: data and client events.
#include "platform/simconnect/emulator_call.h"
#include "platform/simconnect/emulator_client_events.h"
#include "platform/simconnect/emulator_geo.h"

using namespace zyn::simemu;

namespace {

const std::vector<Datum>* lf_definition(Connection& c, SIMCONNECT_DATA_DEFINITION_ID id)
{
    auto it = c.definitions.find(id);
    return it == c.definitions.end() ? nullptr : &it->second;
}

} // namespace

HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                          SIMCONNECT_DATA_DEFINITION_ID DefineID, SIMCONNECT_OBJECT_ID ObjectID,
                                          SIMCONNECT_PERIOD Period, SIMCONNECT_DATA_REQUEST_FLAG Flags, DWORD origin,
                                          DWORD interval, DWORD limit)
{
    ApiCall call(hSimConnect, "SimConnect_RequestDataOnSimObject",
                 {gf_argNum(RequestID), gf_argNum(DefineID), gf_argNum(ObjectID), gf_argNum(Period), gf_argNum(Flags), gf_argNum(origin),
                  gf_argNum(interval), gf_argNum(limit)});
    if (!call.send())
        return call.result();
    auto& periodic = call.connection().periodic;
    std::erase_if(periodic, [&](const PeriodicRequest& r) { return r.requestId == RequestID; });
    if (Period == SIMCONNECT_PERIOD_NEVER)
        return call.result();
    if (!lf_definition(call.connection(), DefineID))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
    const SimObject* object = gf_liveObject(g_world, ObjectID);
    if (!object)
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3);
    if (Period == SIMCONNECT_PERIOD_ONCE)
        gf_queueData(g_world, SIMCONNECT_RECV_ID_SIMOBJECT_DATA, RequestID, DefineID, *object, 1, 1);
    else if (Period == SIMCONNECT_PERIOD_SECOND)
        periodic.push_back({RequestID, DefineID, ObjectID, call.now()});
    else
        return call.refuse(SIMCONNECT_EXCEPTION_ERROR, 4);
    return call.result();
}

HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                              SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type)
{
    ApiCall call(hSimConnect, "SimConnect_RequestDataOnSimObjectType",
                 {gf_argNum(RequestID), gf_argNum(DefineID), gf_argNum(dwRadiusMeters), gf_argNum(type)});
    if (!call.send())
        return call.result();
    if (!lf_definition(call.connection(), DefineID))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
    if (type != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT && type != SIMCONNECT_SIMOBJECT_TYPE_USER)
        return call.refuse(SIMCONNECT_EXCEPTION_ERROR, 4);
    if (dwRadiusMeters > g_world.scenario.behaviour.maxRadiusMetres)
        return call.refuse(SIMCONNECT_EXCEPTION_OUT_OF_BOUNDS, 3);
    const SimObject& user = g_world.objects.front();
    static std::vector<const SimObject*> inRange; // under g_emuMutex; keeps its storage from call to call
    inRange.clear();
    for (const SimObject& o : g_world.objects) {
        if (o.removed || (type == SIMCONNECT_SIMOBJECT_TYPE_USER && !o.isUser))
            continue;
        const double metres = gf_distanceNm({user.pose.lat, user.pose.lon}, {o.pose.lat, o.pose.lon}) *
                              kMetresPerNm;
        if (o.isUser || metres <= dwRadiusMeters)
            inRange.push_back(&o);
    }
    for (std::size_t i = 0; i < inRange.size(); ++i)
        gf_queueData(g_world, SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, RequestID, DefineID, *inRange[i],
                     static_cast<DWORD>(i + 1), static_cast<DWORD>(inRange.size()));
    return call.result();
}

HRESULT SimConnect_SetDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                      SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags, DWORD ArrayCount,
                                      DWORD cbUnitSize, void* pDataSet)
{
    ApiCall call(hSimConnect, "SimConnect_SetDataOnSimObject",
                 {gf_argNum(DefineID), gf_argNum(ObjectID), gf_argNum(Flags), gf_argNum(ArrayCount), gf_argNum(cbUnitSize)});
    if (!call.send())
        return call.result();
    const std::vector<Datum>* definition = lf_definition(call.connection(), DefineID);
    if (!definition)
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    SimObject* object = gf_liveObject(g_world, ObjectID);
    if (!object)
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
    if (ArrayCount > 1)
        return call.refuse(SIMCONNECT_EXCEPTION_ERROR, 4);
    const auto size = gf_blockSize(*definition);
    if (!size || *size != cbUnitSize)
        return call.refuse(SIMCONNECT_EXCEPTION_ERROR, 5);
    if (!pDataSet)
        return call.refuse(SIMCONNECT_EXCEPTION_ERROR, 6);
    const LatLon before{object->pose.lat, object->pose.lon};
    gf_applyBlock(*object, *definition, static_cast<const std::byte*>(pDataSet), gf_variableContext(g_world),
                  g_world.dataSets.scratch());
    g_world.dataSets.add(static_cast<std::size_t>(object - g_world.objects.data()), call.now(), DefineID);
    gf_recordTrack(g_world, *object, gf_distanceNm(before, {object->pose.lat, object->pose.lon}));
    return call.result();
}

HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags)
{
    ApiCall call(hSimConnect, "SimConnect_TransmitClientEvent",
                 {gf_argNum(ObjectID), gf_argNum(EventID), gf_argNum(dwData), gf_argNum(GroupID), gf_argNum(Flags)});
    if (!call.send())
        return call.result();
    auto event = call.connection().clientEvents.find(EventID);
    if (event == call.connection().clientEvents.end())
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
    SimObject* object = gf_liveObject(g_world, ObjectID);
    if (!object)
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    gf_applyClientEvent(*object, event->second, dwData, call.now());
    return call.result();
}
