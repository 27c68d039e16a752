// Our SimConnect functions, served by the in-process simulator emulator.
#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "core/geo.h"
#include "core/log.h"
#include "platform/simconnect/emulator_report.h"
#include "platform/simconnect/emulator_world.h"

using namespace zyn::simemu;

namespace {

constexpr std::array<std::string_view, 5> kSystemEvents = {"Sim", "ObjectAdded", "ObjectRemoved", "FlightLoaded",
                                                           "Frame"};

struct LightEvent {
    std::string_view name;
    std::uint64_t bit;
};
constexpr std::array<LightEvent, 7> kLightEvents = {{
    {"NAV_LIGHTS_SET", kLightNav},
    {"BEACON_LIGHTS_SET", kLightBeacon},
    {"LANDING_LIGHTS_SET", kLightLanding},
    {"TAXI_LIGHTS_SET", kLightTaxi},
    {"STROBES_SET", kLightStrobe},
    {"LOGO_LIGHTS_SET", kLightLogo},
    {"CABIN_LIGHTS_SET", kLightCabin},
}};

constexpr std::array<std::string_view, 10> kOtherClientEvents = {
    "GEAR_SET",         "ENGINE_AUTO_START",           "ENGINE_AUTO_SHUTDOWN", "THROTTLE_SET",
    "FLAPS_SET",        "SPOILERS_SET",                "ALL_LIGHTS_TOGGLE",    "FREEZE_LATITUDE_LONGITUDE_SET",
    "FREEZE_ALTITUDE_SET", "FREEZE_ATTITUDE_SET",
};

thread_local bool t_inDispatch = false;
std::mutex g_dispatchMutex; // one dispatcher at a time; never held together with g_emuMutex by a handler

bool lf_knownSystemEvent(std::string_view name)
{
    const std::string lower = gf_lowerAscii(name);
    return std::any_of(kSystemEvents.begin(), kSystemEvents.end(),
                       [&](std::string_view e) { return gf_lowerAscii(e) == lower; });
}

bool lf_knownClientEvent(std::string_view upperName)
{
    return upperName.empty() ||
           std::any_of(kLightEvents.begin(), kLightEvents.end(), [&](const LightEvent& e) { return e.name == upperName; }) ||
           std::find(kOtherClientEvents.begin(), kOtherClientEvents.end(), upperName) != kOtherClientEvents.end();
}

void lf_applyClientEvent(SimObject& o, const std::string& name, DWORD value, double now)
{
    for (const LightEvent& light : kLightEvents)
        if (light.name == name)
            o.lights = value != 0 ? (o.lights | light.bit) : (o.lights & ~light.bit);
    if (name == "ALL_LIGHTS_TOGGLE")
        o.lights ^= kAllLights;
    else if (name == "FREEZE_LATITUDE_LONGITUDE_SET")
        o.freezeLatLon = value != 0;
    else if (name == "FREEZE_ALTITUDE_SET")
        o.freezeAltitude = value != 0;
    else if (name == "FREEZE_ATTITUDE_SET")
        o.freezeAttitude = value != 0;
    o.lastEventValues[name] = value;
    o.events.push_back({now, name, value});
}

bool lf_takeFailure(World& world, std::string_view function)
{
    auto it = world.callFailures.find(function);
    if (it == world.callFailures.end() || it->second <= 0)
        return false;
    --it->second;
    return true;
}

std::string lf_text(const char* text) { return text ? std::string(text) : std::string("(null)"); }

// One SimConnect call: holds the emulator lock, checks the handle and injected failures, gives the
// call its packet id and records it when it ends.
// What a call needs to reach the simulator: an open connection, one even after QUIT (Close), or none (Open).
enum class Needs { LiveConnection, AnyConnection, Nothing };

class ApiCall {
public:
    ApiCall(HANDLE handle, std::string_view function, std::vector<std::string> args,
            Needs needs = Needs::LiveConnection)
        : m_lock(g_emuMutex)
    {
        gf_ensureWorld(g_world);
        gf_updateUser(g_world);
        m_record.function = std::string(function);
        m_record.args = std::move(args);
        m_record.atSeconds = gf_worldSeconds(g_world);
        const bool ours = g_world.connection && reinterpret_cast<std::uintptr_t>(handle) == g_world.connection->handle;
        m_open = needs == Needs::Nothing || (ours && (needs == Needs::AnyConnection || !g_world.connection->quit));
    }
    ApiCall(const ApiCall&) = delete;
    ApiCall& operator=(const ApiCall&) = delete;
    ~ApiCall()
    {
        g_world.calls.push_back(std::move(m_record));
        gf_keepBounded(g_world.calls, kMaxCallRecords);
        m_lock.unlock();
        g_emuChanged.notify_all();
    }

    // False (and E_FAIL) when the call cannot reach the simulator.
    bool reachable()
    {
        if (!m_open || lf_takeFailure(g_world, m_record.function)) {
            m_record.result = E_FAIL;
            return false;
        }
        return true;
    }
    // Reachable, and the call goes out as a packet that exceptions can name.
    bool send()
    {
        if (!reachable())
            return false;
        m_record.packetId = ++connection().lastPacketId;
        return true;
    }
    // The simulator refuses the sent call later, with an exception naming its packet.
    HRESULT refuse(DWORD exception, DWORD index)
    {
        gf_queueException(g_world, exception, m_record.packetId, index);
        return m_record.result;
    }
    HRESULT fail()
    {
        m_record.result = E_FAIL;
        return m_record.result;
    }
    HRESULT result() const { return m_record.result; }
    Connection& connection() { return *g_world.connection; }
    double now() const { return m_record.atSeconds; }

private:
    std::unique_lock<std::mutex> m_lock;
    CallRecord m_record;
    bool m_open = false;
};

std::string lf_num(DWORD value) { return std::to_string(value); }

const std::vector<Datum>* lf_definition(Connection& c, SIMCONNECT_DATA_DEFINITION_ID id)
{
    auto it = c.definitions.find(id);
    return it == c.definitions.end() ? nullptr : &it->second;
}

SimObject* lf_aiObject(SIMCONNECT_OBJECT_ID id)
{
    SimObject* o = gf_liveObject(g_world, id);
    return o && !o->isUser ? o : nullptr;
}

void lf_queueOpen()
{
    const Scenario& s = g_world.scenario;
    SIMCONNECT_RECV_OPEN open;
    std::string name = s.applicationName;
    if (name.empty())
        name = s.simulator == 2024 ? "SunRise" : "KittyHawk";
    name.resize(std::min(name.size(), sizeof(open.szApplicationName) - 1));
    std::copy(name.begin(), name.end(), open.szApplicationName);
    open.dwApplicationVersionMajor = s.simulator == 2024 ? 12 : 11;
    open.dwApplicationVersionMinor = 0;
    open.dwApplicationBuildMajor = 282174;
    open.dwApplicationBuildMinor = 999;
    open.dwSimConnectVersionMajor = s.simulator == 2024 ? 12 : 11;
    gf_queue(g_world, gf_recordMessage(open, SIMCONNECT_RECV_ID_OPEN));
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
    o.pose.pitchRad = p.Pitch * zyn::kDegToRad;
    o.pose.bankRad = p.Bank * zyn::kDegToRad;
    o.pose.headingRad = p.Heading * zyn::kDegToRad;
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
    ApiCall call(handle, function, {lf_num(objectId), lf_num(requestId)});
    if (!call.send())
        return call.result();
    SimObject* object = lf_aiObject(objectId);
    if (!object || (ownOnly && object->isForeign))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    apply(*object);
    return call.result();
}

// The program's run on the emulator leaves its report where TARVO_SIM_REPORT asks for it.
void lf_reportOnClose(const std::vector<SimObject>& held)
{
    const auto folder = gf_reportFolderFromEnvironment();
    if (!folder)
        return;
    try {
        gf_writeReport(held, *folder);
        zyn::gf_logf("simulator emulator report written to {}", folder->string());
    } catch (const std::exception& e) {
        zyn::gf_logErrorf("{}: {}", "simulator emulator report", e.what());
    }
}

// Puts back what a throwing handler left undelivered, so that nothing the simulator sent is lost.
struct Undelivered {
    std::deque<Message>& pending;
    ~Undelivered()
    {
        if (pending.empty())
            return;
        std::lock_guard lock(g_emuMutex);
        if (g_world.connection)
            g_world.connection->outbox.insert(g_world.connection->outbox.begin(),
                                              std::make_move_iterator(pending.begin()),
                                              std::make_move_iterator(pending.end()));
    }
};

} // namespace

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND, DWORD, HANDLE, DWORD ConfigIndex)
{
    ApiCall call(nullptr, "SimConnect_Open", {lf_text(szName), lf_num(ConfigIndex)}, Needs::Nothing);
    const bool busy = g_world.connection && !g_world.connection->quit; // one client at a time
    if (!phSimConnect || !g_world.scenarioError.empty() || g_world.gone || busy)
        return call.fail();
    if (g_world.openFailures > 0) {
        --g_world.openFailures;
        return call.fail();
    }
    if (!call.reachable())
        return call.result();
    g_world.connection = Connection{};
    g_world.connection->handle = g_world.nextHandle++;
    *phSimConnect = reinterpret_cast<HANDLE>(g_world.connection->handle);
    lf_queueOpen();
    return call.result();
}

HRESULT SimConnect_Close(HANDLE hSimConnect)
{
    std::vector<SimObject> held;
    {
        ApiCall call(hSimConnect, "SimConnect_Close", {}, Needs::AnyConnection);
        if (!call.reachable())
            return call.result();
        // The simulator deletes the objects a client created when the client goes.
        for (SimObject& o : g_world.objects)
            if (!o.isUser && !o.isForeign && !o.removed) {
                o.removed = true;
                o.removedAt = call.now();
            }
        g_world.connection.reset();
        held = g_world.objects;
    }
    lf_reportOnClose(held);
    return S_OK;
}

HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext)
{
    if (t_inDispatch || !pfcnDispatch)
        return E_FAIL; // a handler may call every function but this one
    std::lock_guard dispatching(g_dispatchMutex);
    std::deque<Message> pending;
    {
        std::lock_guard lock(g_emuMutex);
        gf_ensureWorld(g_world);
        if (!g_world.connection || reinterpret_cast<std::uintptr_t>(hSimConnect) != g_world.connection->handle)
            return E_FAIL;
        gf_advanceWorld(g_world);
        pending.swap(g_world.connection->outbox);
        if (pending.empty() && g_world.connection->quit)
            return E_FAIL;
    }
    Undelivered putBack{pending};
    t_inDispatch = true;
    struct Reset {
        ~Reset() { t_inDispatch = false; }
    } reset;
    while (!pending.empty()) {
        Message message = std::move(pending.front());
        pending.pop_front();
        pfcnDispatch(message.recv(), message.size(), pContext); // without the lock: handlers call back in
        {
            std::lock_guard lock(g_emuMutex);
            ++g_world.delivered;
        }
        g_emuChanged.notify_all();
    }
    return S_OK;
}

HRESULT SimConnect_GetLastSentPacketID(HANDLE hSimConnect, DWORD* pdwSendID)
{
    ApiCall call(hSimConnect, "SimConnect_GetLastSentPacketID", {});
    if (!call.reachable())
        return call.result();
    if (pdwSendID)
        *pdwSendID = call.connection().lastPacketId;
    return pdwSendID ? S_OK : E_FAIL;
}

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                          const char* SystemEventName)
{
    ApiCall call(hSimConnect, "SimConnect_SubscribeToSystemEvent", {lf_num(EventID), lf_text(SystemEventName)});
    if (!call.send())
        return call.result();
    if (!SystemEventName || !lf_knownSystemEvent(SystemEventName))
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
                 {lf_num(DefineID), lf_text(DatumName), lf_text(UnitsName), lf_num(DatumType), lf_num(DatumID)});
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
    ApiCall call(hSimConnect, "SimConnect_MapClientEventToSimEvent", {lf_num(EventID), lf_text(EventName)});
    if (!call.send())
        return call.result();
    const std::string name = gf_upperAscii(EventName ? EventName : "");
    if (!lf_knownClientEvent(name))
        return call.refuse(SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 2);
    call.connection().clientEvents[EventID] = name;
    return call.result();
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable)
{
    ApiCall call(hSimConnect, "SimConnect_AddClientEventToNotificationGroup",
                 {lf_num(GroupID), lf_num(EventID), lf_num(static_cast<DWORD>(bMaskable))});
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
    ApiCall call(hSimConnect, "SimConnect_SetNotificationGroupPriority", {lf_num(GroupID), lf_num(uPriority)});
    if (!call.send())
        return call.result();
    if (!call.connection().groups.contains(GroupID))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    call.connection().priorities[GroupID] = uPriority;
    return call.result();
}

HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                          SIMCONNECT_DATA_DEFINITION_ID DefineID, SIMCONNECT_OBJECT_ID ObjectID,
                                          SIMCONNECT_PERIOD Period, SIMCONNECT_DATA_REQUEST_FLAG Flags, DWORD origin,
                                          DWORD interval, DWORD limit)
{
    ApiCall call(hSimConnect, "SimConnect_RequestDataOnSimObject",
                 {lf_num(RequestID), lf_num(DefineID), lf_num(ObjectID), lf_num(Period), lf_num(Flags), lf_num(origin),
                  lf_num(interval), lf_num(limit)});
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
                 {lf_num(RequestID), lf_num(DefineID), lf_num(dwRadiusMeters), lf_num(type)});
    if (!call.send())
        return call.result();
    if (!lf_definition(call.connection(), DefineID))
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
    if (type != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT && type != SIMCONNECT_SIMOBJECT_TYPE_USER)
        return call.refuse(SIMCONNECT_EXCEPTION_ERROR, 4);
    const SimObject& user = g_world.objects.front();
    std::vector<const SimObject*> inRange;
    for (const SimObject& o : g_world.objects) {
        if (o.removed || (type == SIMCONNECT_SIMOBJECT_TYPE_USER && !o.isUser))
            continue;
        const double metres = zyn::gf_distanceNm({user.pose.lat, user.pose.lon}, {o.pose.lat, o.pose.lon}) *
                              zyn::kMetresPerNm;
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
                 {lf_num(DefineID), lf_num(ObjectID), lf_num(Flags), lf_num(ArrayCount), lf_num(cbUnitSize)});
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
    const zyn::LatLon before{object->pose.lat, object->pose.lon};
    std::vector<double> values =
        gf_applyBlock(*object, *definition, static_cast<const std::byte*>(pDataSet), gf_variableContext(g_world));
    object->dataSets.push_back({call.now(), DefineID, std::move(values)});
    gf_keepBounded(object->dataSets, kMaxDataSetsPerObject);
    gf_recordTrack(g_world, *object, zyn::gf_distanceNm(before, {object->pose.lat, object->pose.lon}));
    return call.result();
}

HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags)
{
    ApiCall call(hSimConnect, "SimConnect_TransmitClientEvent",
                 {lf_num(ObjectID), lf_num(EventID), lf_num(dwData), lf_num(GroupID), lf_num(Flags)});
    if (!call.send())
        return call.result();
    auto event = call.connection().clientEvents.find(EventID);
    if (event == call.connection().clientEvents.end())
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
    SimObject* object = gf_liveObject(g_world, ObjectID);
    if (!object)
        return call.refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
    lf_applyClientEvent(*object, event->second, dwData, call.now());
    return call.result();
}

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle, const char* szTailNumber,
                                          SIMCONNECT_DATA_INITPOSITION InitPos, SIMCONNECT_DATA_REQUEST_ID RequestID)
{
    const std::string position =
        fmt::format("{:.6f} {:.6f} {:.0f}ft hdg {:.0f} gnd {} {}kt", InitPos.Latitude, InitPos.Longitude,
                    InitPos.Altitude, InitPos.Heading, InitPos.OnGround, InitPos.Airspeed);
    ApiCall call(hSimConnect, "SimConnect_AICreateNonATCAircraft",
                 {lf_text(szContainerTitle), lf_text(szTailNumber), position, lf_num(RequestID)});
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
    g_world.objects.push_back(lf_createdObject(szContainerTitle, szTailNumber, InitPos));
    SIMCONNECT_RECV_ASSIGNED_OBJECT_ID assigned;
    assigned.dwRequestID = RequestID;
    assigned.dwObjectID = g_world.objects.back().id;
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
                 {lf_num(ObjectID), lf_text(szFlightPlanPath), lf_num(RequestID)});
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
