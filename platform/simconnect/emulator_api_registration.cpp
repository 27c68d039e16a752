// Our SimConnect functions, served by the in-process simulator emulator: what a client registers.
#include "platform/simconnect/emulator_call.h"
#include "platform/simconnect/emulator_client_events.h"

using namespace zyn::simemu;

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                          const char* SystemEventName)
{
    ApiCall call(hSimConnect, "SimConnect_SubscribeToSystemEvent", {gf_argNum(EventID), gf_argText(SystemEventName)});
    if (!call.send())
        return call.result();
    if (!SystemEventName || !gf_knownSystemEvent(SystemEventName))
        return call.refuse(SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 2);
    call.connection().subscriptions[EventID] = SystemEventName;
    if (gf_lowerAscii(SystemEventName) == "sim") {
        // The state as it stands, so that a client connecting to a running flight knows it at once.
        SIMCONNECT_RECV_EVENT event;
        event.uEventID = EventID;
        event.dwData = g_world.simRunning ? 1 : 0;
        gf_queue(g_world, gf_recordMessage(event, SIMCONNECT_RECV_ID_EVENT));
    }
    return call.result();
}

HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       const char* DatumName, const char* UnitsName, SIMCONNECT_DATATYPE DatumType,
                                       float, DWORD DatumID)
{
    ApiCall call(hSimConnect, "SimConnect_AddToDataDefinition",
                 {gf_argNum(DefineID), gf_argText(DatumName), gf_argText(UnitsName), gf_argNum(DatumType), gf_argNum(DatumID)});
    if (!call.send())
        return call.result();
    if (!DatumName || !gf_knownVariable(gf_upperAscii(DatumName)))
        return call.refuse(SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 2);
    if (!gf_knownDataType(DatumType))
        return call.refuse(SIMCONNECT_EXCEPTION_ERROR, 4);
    call.connection().definitions[DefineID].push_back(
        {gf_upperAscii(DatumName), gf_lowerAscii(UnitsName ? UnitsName : ""), DatumType});
    return call.result();
}

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                            const char* EventName)
{
    ApiCall call(hSimConnect, "SimConnect_MapClientEventToSimEvent", {gf_argNum(EventID), gf_argText(EventName)});
    if (!call.send())
        return call.result();
    const std::string name = gf_upperAscii(EventName ? EventName : "");
    if (!gf_knownClientEvent(name))
        return call.refuse(SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 2);
    call.connection().clientEvents[EventID] = name;
    return call.result();
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable)
{
    ApiCall call(hSimConnect, "SimConnect_AddClientEventToNotificationGroup",
                 {gf_argNum(GroupID), gf_argNum(EventID), gf_argNum(static_cast<DWORD>(bMaskable))});
    if (!call.send())
        return call.result();
    if (!call.connection().clientEvents.contains(EventID))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
    call.connection().groups[GroupID].push_back(EventID);
    return call.result();
}

HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                DWORD uPriority)
{
    ApiCall call(hSimConnect, "SimConnect_SetNotificationGroupPriority", {gf_argNum(GroupID), gf_argNum(uPriority)});
    if (!call.send())
        return call.result();
    if (!call.connection().groups.contains(GroupID))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    call.connection().priorities[GroupID] = uPriority;
    return call.result();
}
