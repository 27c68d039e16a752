#pragma once
// Our declarations of the SimConnect client interface: the functions, receive records, ids and
// constants the program uses, under the names the simulator's client library gives them.
// On Linux they are served by the in-process simulator emulator (platform/simconnect/emulator.h); on
// Windows they come from "SimConnect.dll", loaded at run time (platform/simconnect/simconnect_library.h),
// so they keep the library's C names and calling convention, and its records their packing.
//
// Receive records: every message starts with SIMCONNECT_RECV; dwID tells which record it is and
// dwSize how many bytes the message holds. A data reply's block starts at its dwData field and runs
// to the end of the message; read it with memcpy (it is only 4-byte aligned).
#include <cstdint>

// HANDLE, HRESULT, HWND and DWORD come from our Win32 types; S_OK, E_FAIL and MAX_PATH live with the
// known-folder declarations of the system layer.
#include "platform/system/known_folders.h"
#include "platform/win32/types.h"

#ifdef _WIN32
#define SIMCONNECTAPI extern "C" HRESULT __stdcall
#define SIMCONNECT_CALLBACK __stdcall
#else
#define SIMCONNECTAPI extern "C" HRESULT
#define SIMCONNECT_CALLBACK
#endif

#ifndef SUCCEEDED
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#endif

#pragma pack(push, 1)

// ---- ids ----
using SIMCONNECT_OBJECT_ID = DWORD;
using SIMCONNECT_DATA_DEFINITION_ID = DWORD;
using SIMCONNECT_DATA_REQUEST_ID = DWORD;
using SIMCONNECT_CLIENT_EVENT_ID = DWORD;
using SIMCONNECT_NOTIFICATION_GROUP_ID = DWORD;
using SIMCONNECT_DATA_REQUEST_FLAG = DWORD;
using SIMCONNECT_DATA_SET_FLAG = DWORD;
using SIMCONNECT_EVENT_FLAG = DWORD;

inline constexpr SIMCONNECT_OBJECT_ID SIMCONNECT_OBJECT_ID_USER = 0; // "the user aircraft" in requests
inline constexpr DWORD SIMCONNECT_UNUSED = 0xFFFFFFFFu;

inline constexpr SIMCONNECT_DATA_REQUEST_FLAG SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT = 0;
inline constexpr SIMCONNECT_DATA_SET_FLAG SIMCONNECT_DATA_SET_FLAG_DEFAULT = 0;
inline constexpr SIMCONNECT_EVENT_FLAG SIMCONNECT_EVENT_FLAG_DEFAULT = 0;
inline constexpr DWORD SIMCONNECT_GROUP_PRIORITY_HIGHEST = 1;

enum SIMCONNECT_RECV_ID : DWORD {
    SIMCONNECT_RECV_ID_NULL = 0,
    SIMCONNECT_RECV_ID_EXCEPTION = 1,
    SIMCONNECT_RECV_ID_OPEN = 2,
    SIMCONNECT_RECV_ID_QUIT = 3,
    SIMCONNECT_RECV_ID_EVENT = 4,
    SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE = 5,
    SIMCONNECT_RECV_ID_EVENT_FILENAME = 6,
    SIMCONNECT_RECV_ID_EVENT_FRAME = 7,
    SIMCONNECT_RECV_ID_SIMOBJECT_DATA = 8,
    SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE = 9,
    SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID = 12, // answer to an AI creation: the object it made
};

enum SIMCONNECT_DATATYPE : DWORD {
    SIMCONNECT_DATATYPE_INVALID = 0,
    SIMCONNECT_DATATYPE_INT64 = 2,    // 8 bytes
    SIMCONNECT_DATATYPE_FLOAT64 = 4,  // 8 bytes
    SIMCONNECT_DATATYPE_STRING32 = 6, // 32 bytes, NUL-terminated within them
    SIMCONNECT_DATATYPE_STRINGV = 11, // NUL-terminated text of any length
};

enum SIMCONNECT_PERIOD : DWORD {
    SIMCONNECT_PERIOD_NEVER = 0, // ends a running request of the same id
    SIMCONNECT_PERIOD_ONCE = 1,
    SIMCONNECT_PERIOD_SECOND = 4, // every simulator second
};

enum SIMCONNECT_SIMOBJECT_TYPE : DWORD {
    SIMCONNECT_SIMOBJECT_TYPE_USER = 0,
    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT = 2,
};

enum SIMCONNECT_EXCEPTION : DWORD {
    SIMCONNECT_EXCEPTION_NONE = 0,
    SIMCONNECT_EXCEPTION_ERROR = 1,              // a call the simulator refused (bad size, bad argument)
    SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID = 3,    // unknown object, definition, event or request id
    SIMCONNECT_EXCEPTION_VERSION_MISMATCH = 5,
    SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED = 7,  // unknown variable or event name
    SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS = 11,
    SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED = 22,
    SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED = 23,
    SIMCONNECT_EXCEPTION_OUT_OF_BOUNDS = 31,     // a value beyond what the simulator allows (a radius)
};

// ---- receive records ----
struct SIMCONNECT_RECV {
    DWORD dwSize = 0;    // bytes of the whole message
    DWORD dwVersion = 0;
    DWORD dwID = 0;      // SIMCONNECT_RECV_ID
};

struct SIMCONNECT_RECV_EXCEPTION : SIMCONNECT_RECV {
    DWORD dwException = 0; // SIMCONNECT_EXCEPTION
    DWORD dwSendID = 0;    // packet id of the failed call (SimConnect_GetLastSentPacketID), 0 when unknown
    DWORD dwIndex = 0;     // number of the offending argument, SIMCONNECT_UNUSED when none
};

struct SIMCONNECT_RECV_OPEN : SIMCONNECT_RECV {
    char szApplicationName[256] = {};
    DWORD dwApplicationVersionMajor = 0;
    DWORD dwApplicationVersionMinor = 0;
    DWORD dwApplicationBuildMajor = 0;
    DWORD dwApplicationBuildMinor = 0;
    DWORD dwSimConnectVersionMajor = 0;
    DWORD dwSimConnectVersionMinor = 0;
    DWORD dwSimConnectBuildMajor = 0;
    DWORD dwSimConnectBuildMinor = 0;
};

struct SIMCONNECT_RECV_QUIT : SIMCONNECT_RECV {};

struct SIMCONNECT_RECV_EVENT : SIMCONNECT_RECV {
    SIMCONNECT_NOTIFICATION_GROUP_ID uGroupID = SIMCONNECT_UNUSED;
    SIMCONNECT_CLIENT_EVENT_ID uEventID = 0; // the id the client subscribed or mapped
    DWORD dwData = 0;                        // "Sim": 1 running, 0 stopped; object events: the object id
};

struct SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE : SIMCONNECT_RECV_EVENT {
    SIMCONNECT_SIMOBJECT_TYPE eObjType = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
};

struct SIMCONNECT_RECV_EVENT_FILENAME : SIMCONNECT_RECV_EVENT {
    char szFileName[MAX_PATH] = {};
    DWORD dwFlags = 0;
};

struct SIMCONNECT_RECV_EVENT_FRAME : SIMCONNECT_RECV_EVENT {
    float fFrameRate = 0.0f;
    float fSimSpeed = 1.0f;
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA : SIMCONNECT_RECV {
    SIMCONNECT_DATA_REQUEST_ID dwRequestID = 0;
    SIMCONNECT_OBJECT_ID dwObjectID = 0;          // the real id, also for requests on the user aircraft
    SIMCONNECT_DATA_DEFINITION_ID dwDefineID = 0;
    DWORD dwFlags = 0;
    DWORD dwentrynumber = 1; // replies by type: 1..dwoutof
    DWORD dwoutof = 1;
    DWORD dwDefineCount = 0; // number of variables in the block
    DWORD dwData = 0;        // first 4 bytes of the data block
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE : SIMCONNECT_RECV_SIMOBJECT_DATA {};

struct SIMCONNECT_RECV_ASSIGNED_OBJECT_ID : SIMCONNECT_RECV {
    SIMCONNECT_DATA_REQUEST_ID dwRequestID = 0;
    SIMCONNECT_OBJECT_ID dwObjectID = 0;
};

// Where an AI object appears. Angles in degrees, altitude in feet, airspeed in knots.
struct SIMCONNECT_DATA_INITPOSITION {
    double Latitude = 0.0;
    double Longitude = 0.0;
    double Altitude = 0.0;
    double Pitch = 0.0;
    double Bank = 0.0;
    double Heading = 0.0;
    DWORD OnGround = 0;
    DWORD Airspeed = 0;
};

#pragma pack(pop)

// Receives each message during SimConnect_CallDispatch; cbData equals pData->dwSize.
using DispatchProc = void(SIMCONNECT_CALLBACK*)(SIMCONNECT_RECV* pData, DWORD cbData, void* pContext);

// ---- functions: S_OK on success, a negative HRESULT when the call could not be sent ----
SIMCONNECTAPI SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND hWnd, DWORD UserEventWin32,
                        HANDLE hEventHandle, DWORD ConfigIndex);
SIMCONNECTAPI SimConnect_Close(HANDLE hSimConnect);
// Delivers every message waiting for the client, then returns.
SIMCONNECTAPI SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext);
SIMCONNECTAPI SimConnect_GetLastSentPacketID(HANDLE hSimConnect, DWORD* pdwSendID);

SIMCONNECTAPI SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                          const char* SystemEventName);
SIMCONNECTAPI SimConnect_AddToDataDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       const char* DatumName, const char* UnitsName,
                                       SIMCONNECT_DATATYPE DatumType = SIMCONNECT_DATATYPE_FLOAT64,
                                       float fEpsilon = 0.0f, DWORD DatumID = SIMCONNECT_UNUSED);
SIMCONNECTAPI SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                            const char* EventName);
SIMCONNECTAPI SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect,
                                                     SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable = FALSE);
SIMCONNECTAPI SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                DWORD uPriority);

SIMCONNECTAPI SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                          SIMCONNECT_DATA_DEFINITION_ID DefineID, SIMCONNECT_OBJECT_ID ObjectID,
                                          SIMCONNECT_PERIOD Period,
                                          SIMCONNECT_DATA_REQUEST_FLAG Flags = SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT,
                                          DWORD origin = 0, DWORD interval = 0, DWORD limit = 0);
// One SIMOBJECT_DATA_BYTYPE message per object of the type within the radius of the user aircraft.
SIMCONNECTAPI SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                              SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type);
SIMCONNECTAPI SimConnect_SetDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                      SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags,
                                      DWORD ArrayCount, DWORD cbUnitSize, void* pDataSet);
SIMCONNECTAPI SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags);

SIMCONNECTAPI SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle,
                                          const char* szTailNumber, SIMCONNECT_DATA_INITPOSITION InitPos,
                                          SIMCONNECT_DATA_REQUEST_ID RequestID);
SIMCONNECTAPI SimConnect_AIReleaseControl(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                    SIMCONNECT_DATA_REQUEST_ID RequestID);
SIMCONNECTAPI SimConnect_AIRemoveObject(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                  SIMCONNECT_DATA_REQUEST_ID RequestID);
SIMCONNECTAPI SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                           const char* szFlightPlanPath, SIMCONNECT_DATA_REQUEST_ID RequestID);
