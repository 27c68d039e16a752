// The SimConnect functions of the program, forwarded to "SimConnect.dll" through one table.
#include "platform/simconnect/simconnect_library.h"

#include "platform/simconnect/simconnect.h"
#include "platform/system/error_text.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>

namespace {

struct SimConnectTable {
    decltype(&SimConnect_Open) open = nullptr;
    decltype(&SimConnect_Close) close = nullptr;
    decltype(&SimConnect_CallDispatch) callDispatch = nullptr;
    decltype(&SimConnect_GetLastSentPacketID) getLastSentPacketId = nullptr;
    decltype(&SimConnect_SubscribeToSystemEvent) subscribeToSystemEvent = nullptr;
    decltype(&SimConnect_AddToDataDefinition) addToDataDefinition = nullptr;
    decltype(&SimConnect_MapClientEventToSimEvent) mapClientEventToSimEvent = nullptr;
    decltype(&SimConnect_AddClientEventToNotificationGroup) addClientEventToNotificationGroup = nullptr;
    decltype(&SimConnect_SetNotificationGroupPriority) setNotificationGroupPriority = nullptr;
    decltype(&SimConnect_RequestDataOnSimObject) requestDataOnSimObject = nullptr;
    decltype(&SimConnect_RequestDataOnSimObjectType) requestDataOnSimObjectType = nullptr;
    decltype(&SimConnect_SetDataOnSimObject) setDataOnSimObject = nullptr;
    decltype(&SimConnect_TransmitClientEvent) transmitClientEvent = nullptr;
    decltype(&SimConnect_AICreateNonATCAircraft) aiCreateNonAtcAircraft = nullptr;
    decltype(&SimConnect_AIReleaseControl) aiReleaseControl = nullptr;
    decltype(&SimConnect_AIRemoveObject) aiRemoveObject = nullptr;
    decltype(&SimConnect_AISetAircraftFlightPlan) aiSetAircraftFlightPlan = nullptr;
};

std::mutex g_loadMutex;
SimConnectTable g_table;       // complete once g_loaded is set; never changed after that
std::atomic<bool> g_loaded{false};

template <typename Function>
bool lf_resolve(HMODULE library, const char* name, Function& slot, std::string& missing)
{
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (!slot && missing.empty())
        missing = name;
    return slot != nullptr;
}

// Fills the table from the library; the name of the first missing function when one is missing.
std::string lf_fill(HMODULE library, SimConnectTable& t)
{
    std::string missing;
    lf_resolve(library, "SimConnect_Open", t.open, missing);
    lf_resolve(library, "SimConnect_Close", t.close, missing);
    lf_resolve(library, "SimConnect_CallDispatch", t.callDispatch, missing);
    lf_resolve(library, "SimConnect_GetLastSentPacketID", t.getLastSentPacketId, missing);
    lf_resolve(library, "SimConnect_SubscribeToSystemEvent", t.subscribeToSystemEvent, missing);
    lf_resolve(library, "SimConnect_AddToDataDefinition", t.addToDataDefinition, missing);
    lf_resolve(library, "SimConnect_MapClientEventToSimEvent", t.mapClientEventToSimEvent, missing);
    lf_resolve(library, "SimConnect_AddClientEventToNotificationGroup", t.addClientEventToNotificationGroup, missing);
    lf_resolve(library, "SimConnect_SetNotificationGroupPriority", t.setNotificationGroupPriority, missing);
    lf_resolve(library, "SimConnect_RequestDataOnSimObject", t.requestDataOnSimObject, missing);
    lf_resolve(library, "SimConnect_RequestDataOnSimObjectType", t.requestDataOnSimObjectType, missing);
    lf_resolve(library, "SimConnect_SetDataOnSimObject", t.setDataOnSimObject, missing);
    lf_resolve(library, "SimConnect_TransmitClientEvent", t.transmitClientEvent, missing);
    lf_resolve(library, "SimConnect_AICreateNonATCAircraft", t.aiCreateNonAtcAircraft, missing);
    lf_resolve(library, "SimConnect_AIReleaseControl", t.aiReleaseControl, missing);
    lf_resolve(library, "SimConnect_AIRemoveObject", t.aiRemoveObject, missing);
    lf_resolve(library, "SimConnect_AISetAircraftFlightPlan", t.aiSetAircraftFlightPlan, missing);
    return missing;
}

// The table, or nullptr while the library cannot be loaded.
const SimConnectTable* lf_table()
{
    return g_loaded.load(std::memory_order_acquire) ? &g_table : nullptr;
}

} // namespace

namespace zyn {

bool gf_simConnectLoaded(std::string* why)
{
    // The user's next step: where the library comes from (it may not ship with the program).
    constexpr std::string_view kWhereFrom = " Put the MSFS SDK's one beside tarvo.exe, see Manual 3.";
    if (g_loaded.load(std::memory_order_acquire))
        return true;
    const std::lock_guard lock(g_loadMutex);
    if (g_loaded.load())
        return true;
    // The program's own folder first: that is where the simulator's SDK says to put the library.
    const HMODULE library = LoadLibraryW(L"SimConnect.dll");
    if (!library) {
        if (why) {
            const std::error_code error(static_cast<int>(GetLastError()), std::system_category());
            *why = "SimConnect.dll could not be loaded: " + gf_errorText(error) + std::string(kWhereFrom);
        }
        return false;
    }
    SimConnectTable table;
    const std::string missing = lf_fill(library, table);
    if (!missing.empty()) {
        FreeLibrary(library);
        if (why)
            *why = "SimConnect.dll has no " + missing + "." + std::string(kWhereFrom);
        return false;
    }
    g_table = table;
    g_loaded.store(true, std::memory_order_release);
    return true;
}

} // namespace zyn

// The calls go through the table; before the library is loaded each fails as a closed connection does.
SIMCONNECTAPI SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND hWnd, DWORD UserEventWin32,
                              HANDLE hEventHandle, DWORD ConfigIndex)
{
    if (!zyn::gf_simConnectLoaded())
        return E_FAIL;
    return lf_table()->open(phSimConnect, szName, hWnd, UserEventWin32, hEventHandle, ConfigIndex);
}

#define TARVO_FORWARD(slot, ...)                                                                                      \
    {                                                                                                                  \
        const SimConnectTable* table = lf_table();                                                                     \
        return table ? table->slot(__VA_ARGS__) : E_FAIL;                                                              \
    }

SIMCONNECTAPI SimConnect_Close(HANDLE hSimConnect) TARVO_FORWARD(close, hSimConnect)

SIMCONNECTAPI SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext)
    TARVO_FORWARD(callDispatch, hSimConnect, pfcnDispatch, pContext)

SIMCONNECTAPI SimConnect_GetLastSentPacketID(HANDLE hSimConnect, DWORD* pdwSendID)
    TARVO_FORWARD(getLastSentPacketId, hSimConnect, pdwSendID)

SIMCONNECTAPI SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                                const char* SystemEventName)
    TARVO_FORWARD(subscribeToSystemEvent, hSimConnect, EventID, SystemEventName)

SIMCONNECTAPI SimConnect_AddToDataDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                             const char* DatumName, const char* UnitsName,
                                             SIMCONNECT_DATATYPE DatumType, float fEpsilon, DWORD DatumID)
    TARVO_FORWARD(addToDataDefinition, hSimConnect, DefineID, DatumName, UnitsName, DatumType, fEpsilon, DatumID)

SIMCONNECTAPI SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                                  const char* EventName)
    TARVO_FORWARD(mapClientEventToSimEvent, hSimConnect, EventID, EventName)

SIMCONNECTAPI SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect,
                                                           SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                           SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable)
    TARVO_FORWARD(addClientEventToNotificationGroup, hSimConnect, GroupID, EventID, bMaskable)

SIMCONNECTAPI SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                      DWORD uPriority)
    TARVO_FORWARD(setNotificationGroupPriority, hSimConnect, GroupID, uPriority)

SIMCONNECTAPI SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                                SIMCONNECT_DATA_DEFINITION_ID DefineID, SIMCONNECT_OBJECT_ID ObjectID,
                                                SIMCONNECT_PERIOD Period, SIMCONNECT_DATA_REQUEST_FLAG Flags,
                                                DWORD origin, DWORD interval, DWORD limit)
    TARVO_FORWARD(requestDataOnSimObject, hSimConnect, RequestID, DefineID, ObjectID, Period, Flags, origin,
                  interval, limit)

SIMCONNECTAPI SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                                    SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                                    SIMCONNECT_SIMOBJECT_TYPE type)
    TARVO_FORWARD(requestDataOnSimObjectType, hSimConnect, RequestID, DefineID, dwRadiusMeters, type)

SIMCONNECTAPI SimConnect_SetDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                            SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags,
                                            DWORD ArrayCount, DWORD cbUnitSize, void* pDataSet)
    TARVO_FORWARD(setDataOnSimObject, hSimConnect, DefineID, ObjectID, Flags, ArrayCount, cbUnitSize, pDataSet)

SIMCONNECTAPI SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                             SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                             SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags)
    TARVO_FORWARD(transmitClientEvent, hSimConnect, ObjectID, EventID, dwData, GroupID, Flags)

SIMCONNECTAPI SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle,
                                                const char* szTailNumber, SIMCONNECT_DATA_INITPOSITION InitPos,
                                                SIMCONNECT_DATA_REQUEST_ID RequestID)
    TARVO_FORWARD(aiCreateNonAtcAircraft, hSimConnect, szContainerTitle, szTailNumber, InitPos, RequestID)

SIMCONNECTAPI SimConnect_AIReleaseControl(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                          SIMCONNECT_DATA_REQUEST_ID RequestID)
    TARVO_FORWARD(aiReleaseControl, hSimConnect, ObjectID, RequestID)

SIMCONNECTAPI SimConnect_AIRemoveObject(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                        SIMCONNECT_DATA_REQUEST_ID RequestID)
    TARVO_FORWARD(aiRemoveObject, hSimConnect, ObjectID, RequestID)

SIMCONNECTAPI SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                                 const char* szFlightPlanPath, SIMCONNECT_DATA_REQUEST_ID RequestID)
    TARVO_FORWARD(aiSetAircraftFlightPlan, hSimConnect, ObjectID, szFlightPlanPath, RequestID)
