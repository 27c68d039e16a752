#include "sim/dispatch.h"

#include "base/errors.h"
#include "base/geo.h"
#include "base/log.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/settings.h"
#include "shown/sim_display.h"
#include "shown/status_line.h"
#include "sim/data_blocks.h"
#include "sim/frame_drain.h"
#include "sim/ids.h"
#include "sim/link_state.h"
#include "sim/object_match.h"
#include "sim/sim_command.h"
#include "sim/user_aircraft.h"
#include "sim/user_ident.h"

#include <fmt/format.h>

#include <cctype>
#include <cstddef>
#include <cstring>

namespace zyn {

namespace {

constexpr int kFramesPerRateSample = 30;

int g_frameCounter = 0; // SimConnect thread only

// A message is read only when it holds the whole record.
template <typename T> const T* lf_as(const SIMCONNECT_RECV* message, DWORD cbData)
{
    return cbData >= sizeof(T) ? static_cast<const T*>(message) : nullptr;
}

// A data reply needs its header; its block may be shorter than the definition (each reader checks).
bool lf_holdsDataHeader(DWORD cbData) { return cbData >= kDataBlockOffset; }

std::string lf_lettersDigitsAndSpace(const char* text, std::size_t capacity)
{
    std::string out;
    for (std::size_t i = 0; i < capacity && text[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c) || std::isspace(c))
            out += static_cast<char>(c);
    }
    return out;
}

void lf_onOpen(const SIMCONNECT_RECV_OPEN& open)
{
    const auto capacity = sizeof(open.szApplicationName);
    if (open.szApplicationName[0] == '\0') {
        gf_log("! Simulator name empty?");
        return;
    }
    g_simConnected = 1;
    gf_repaintStatusArea();
    const auto name = lf_lettersDigitsAndSpace(open.szApplicationName, capacity);
    const bool msfs2020 = param::MSFS_2020.on();
    std::string simulator;
    if (name == "KittyHawk") {
        if (!msfs2020)
            throw UserErrorException(71, gf_wrongSimMessage());
        simulator = "MSFS 2020";
    } else if (name == "SunRise") {
        if (msfs2020)
            throw UserErrorException(71, gf_wrongSimMessage());
        simulator = "MSFS 2024";
    } else {
        throw UserErrorException(77, fmt::format("\"{}\" not being MSFS 2020 or MSFS 2024 connects ... ? ", name));
    }
    const auto display = msfs2020 ? fmt::format("{} ({}.{}.{}.{})", simulator, open.dwApplicationVersionMajor,
                                                open.dwApplicationVersionMinor, open.dwApplicationBuildMajor,
                                                open.dwApplicationBuildMinor)
                                  : simulator;
    // Cleared before the connection is logged: a message set from then on (a close of the window
    // at that moment) stays, and the log line marks the end of what the connection changes.
    gf_clearStatusMessage();
    gf_logf("{} connected", display);
    gf_showSimulatorLabel(display);
}

void lf_onException(const SIMCONNECT_RECV_EXCEPTION& e)
{
    switch (e.dwException) {
    case SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID:
        if (gf_positionKnown(gf_positionOf(g_userAcSim.get())) && !gf_exitUnderWay())
            gf_logError("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID");
        break;
    case SIMCONNECT_EXCEPTION_VERSION_MISMATCH:
        throw UserErrorException(95, fmt::format("Simconnect Version Mismatch, dwindex: {} ", e.dwIndex));
    case SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS:
        gf_setStatusMessage("SimConnect: too many objects (max 1000)", true);
        break;
    case 19: gf_log("SIMCON EXCEP 19"); break;
    case SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED: gf_onCreationFailed(e.dwSendID); break;
    case SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED:
        gf_logError("Simconnect exception: load flight plan failed");
        break;
    case 24: gf_log("SIMCON EXCEP 24"); break;
    default: gf_logErrorf("SIMCON EXCEP {}", e.dwException);
    }
}

void lf_newFlight()
{
    g_userAtNewAirportRequest = 1;
    gf_requestExit(2, 45);
}

void lf_onEvent(const SIMCONNECT_RECV_EVENT& e)
{
    if (e.uEventID == simid::kEventSim) {
        const bool running = e.dwData == 1;
        g_simRunning.exchange(running ? 1 : 0);
        gf_showFlightLight(running);
    } else if (e.uEventID == simid::kEventFlightLoaded) {
        gf_log("Simconnect: flight loaded event");
        lf_newFlight();
    }
}

void lf_onObjectAddRemove(const SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE& e)
{
    if (e.eObjType != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT)
        return;
    if (e.uEventID == simid::kEventObjectAdded && e.dwData > g_userAcObjectId.load())
        gf_onObjectAdded(e.dwData);
    else if (e.uEventID == simid::kEventObjectRemoved)
        gf_onObjectRemoved(e.dwData);
}

void lf_onFrameEvent(const SIMCONNECT_RECV_EVENT_FRAME& e)
{
    gf_onFrame();
    if (++g_frameCounter >= kFramesPerRateSample) {
        g_frameCounter = 0;
        g_frameRate.store(e.fFrameRate);
    }
}

void lf_onSimObjectData(const SIMCONNECT_RECV_SIMOBJECT_DATA& d, DWORD cbData)
{
    const auto block = gf_dataBlock(&d, cbData);
    switch (d.dwRequestID) {
    case simid::kReqStaticCog:
        if (const auto cog = gf_readStaticCog(block)) {
            SimCommand command;
            command.objectId = d.dwObjectID;
            command.kind = SimCommandKind::StaticCog;
            command.a = cog->cgToGround;
            command.b = cog->pitch;
            gf_pushSimCommand(command);
        }
        break;
    case simid::kReqTitle: gf_onUserAcTitle(gf_readText(block, block.size())); break;
    case simid::kReqAtcModel: gf_onUserAcModel(gf_readText(block, kString32)); break;
    case simid::kReqOnGround: gf_onUserOnGround(gf_readInt64(block)); break;
    case simid::kReqUserAc:
        if (const auto data = gf_readUserAcData(block))
            gf_onUserAcData(d.dwObjectID, *data);
        break;
    default: break;
    }
}

void lf_onSimObjectDataByType(const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE& d, DWORD cbData)
{
    if (d.dwRequestID != simid::kReqInRange || d.dwObjectID <= g_userAcObjectId.load())
        return;
    if (const auto data = gf_readInRangeData(gf_dataBlock(&d, cbData)))
        gf_onInRangeAircraft(d.dwObjectID, *data);
}

} // namespace

std::string gf_wrongSimMessage()
{
    return fmt::format("MSFS 20{} is running ..., switch Sim or toggle the Install path checkbox of {}",
                       param::MSFS_2020.on() ? "24" : "20", "Tarvo");
}

void gf_dispatch(SIMCONNECT_RECV* message, DWORD cbData, void* /*context*/)
{
    if (message == nullptr || cbData < sizeof(SIMCONNECT_RECV))
        return;
    switch (message->dwID) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
        if (const auto* e = lf_as<SIMCONNECT_RECV_EXCEPTION>(message, cbData))
            lf_onException(*e);
        break;
    case SIMCONNECT_RECV_ID_OPEN:
        if (const auto* open = lf_as<SIMCONNECT_RECV_OPEN>(message, cbData))
            lf_onOpen(*open);
        break;
    case SIMCONNECT_RECV_ID_QUIT:
        // The simulator closes: the SimClient thread ends the session as the simulator-closed exit.
        g_simRunning.exchange(0);
        g_simQuit = 1;
        break;
    case SIMCONNECT_RECV_ID_EVENT:
        if (const auto* e = lf_as<SIMCONNECT_RECV_EVENT>(message, cbData))
            lf_onEvent(*e);
        break;
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
        if (const auto* e = lf_as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(message, cbData))
            lf_onObjectAddRemove(*e);
        break;
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        gf_log("SimConnect: New file event");
        lf_newFlight();
        break;
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        if (const auto* e = lf_as<SIMCONNECT_RECV_EVENT_FRAME>(message, cbData))
            lf_onFrameEvent(*e);
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        if (lf_holdsDataHeader(cbData))
            lf_onSimObjectData(*static_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(message), cbData);
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        if (lf_holdsDataHeader(cbData))
            lf_onSimObjectDataByType(*static_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE*>(message), cbData);
        break;
    case SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID:
        if (const auto* a = lf_as<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>(message, cbData))
            if (a->dwRequestID == simid::kReqCreate)
                gf_onObjectAssigned(a->dwObjectID);
        break;
    case 16:
    case 27: break;
    default: gf_logf("! Unknown Dispatch dwID {}", message->dwID);
    }
}

void gf_resetDispatch() { g_frameCounter = 0; }

} // namespace zyn
