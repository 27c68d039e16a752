// The simulator link through the real library path: "SimConnect.dll" found by name and loaded at run
// time, a connection opened, an AI aircraft created and the user aircraft read, all through the table
// of functions the program calls. Here the library is the stand-in made from the simulator emulator.
#include "tests/windows/checks.h"

#include "base/path_text.h"
#include "platform/simconnect/simconnect.h"
#include "platform/simconnect/simconnect_library.h"

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>
#include <thread>

namespace zyn::wincheck {

namespace {

constexpr double kUserLat = 47.4647;
constexpr double kUserLon = 8.5492;
constexpr SIMCONNECT_DATA_DEFINITION_ID kPositionDefinition = 1;
constexpr SIMCONNECT_DATA_REQUEST_ID kCreateRequest = 10;
constexpr SIMCONNECT_DATA_REQUEST_ID kUserRequest = 11;

struct Seen {
    bool opened = false;
    SIMCONNECT_OBJECT_ID created = 0;
    bool userRead = false;
    double userLat = 0.0;
    double userLon = 0.0;
};

void SIMCONNECT_CALLBACK lf_receive(SIMCONNECT_RECV* message, DWORD, void* context)
{
    Seen& seen = *static_cast<Seen*>(context);
    switch (message->dwID) {
    case SIMCONNECT_RECV_ID_OPEN:
        seen.opened = true;
        break;
    case SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID: {
        const auto* assigned = reinterpret_cast<const SIMCONNECT_RECV_ASSIGNED_OBJECT_ID*>(message);
        if (assigned->dwRequestID == kCreateRequest)
            seen.created = assigned->dwObjectID;
        break;
    }
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA: {
        const auto* data = reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(message);
        if (data->dwRequestID != kUserRequest)
            break;
        double position[2] = {};
        std::memcpy(position, &data->dwData, sizeof(position)); // only 4-byte aligned
        seen.userLat = position[0];
        seen.userLon = position[1];
        seen.userRead = true;
        break;
    }
    default:
        break;
    }
}

// Dispatches until the condition holds; false after the time-out (a guard against a hang only).
template <typename Condition> bool lf_dispatchUntil(HANDLE handle, Seen& seen, Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        SimConnect_CallDispatch(handle, lf_receive, &seen);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The emulator's scenario: a user aircraft at a known place, the library reads it at the first open.
void lf_writeScenario()
{
    const auto file = gf_scratchFolder() / L"sim_scenario.json";
    std::ofstream(file, std::ios::binary)
        << R"({"simulator": 2024, "user": {"lat": 47.4647, "lon": 8.5492, "altitude_ft": 1416,)"
        << R"( "heading_deg": 160, "on_ground": true, "title": "Airbus A320 Neo Asobo"},)"
        << R"( "creation_delay_s": [0.1, 0.5]})";
    // Through the C runtime, which the library reads the variable from.
    _wputenv_s(L"TARVO_SIM_SCENARIO", file.c_str());
}

} // namespace

Outcome gf_checkSimConnectLibrary()
{
    lf_writeScenario();
    std::string why;
    if (!gf_simConnectLoaded(&why))
        return why;
    HANDLE handle = nullptr;
    if (FAILED(SimConnect_Open(&handle, "Tarvo check", nullptr, 0, nullptr, 0)) || !handle)
        return "SimConnect_Open failed";
    Seen seen;
    Outcome problem;
    if (!lf_dispatchUntil(handle, seen, [&] { return seen.opened; }))
        problem = "no OPEN message";
    SIMCONNECT_DATA_INITPOSITION at{};
    at.Latitude = kUserLat + 0.01;
    at.Longitude = kUserLon;
    at.Altitude = 3000;
    at.Heading = 90;
    at.Airspeed = 200;
    if (!problem && FAILED(SimConnect_AICreateNonATCAircraft(handle, "Airbus A320 Neo Asobo", "HB-JXA", at,
                                                             kCreateRequest)))
        problem = "SimConnect_AICreateNonATCAircraft failed";
    if (!problem && !lf_dispatchUntil(handle, seen, [&] { return seen.created != 0; }))
        problem = "the AI aircraft was never assigned an object id";
    if (!problem) {
        SimConnect_AddToDataDefinition(handle, kPositionDefinition, "PLANE LATITUDE", "degrees");
        SimConnect_AddToDataDefinition(handle, kPositionDefinition, "PLANE LONGITUDE", "degrees");
        if (FAILED(SimConnect_RequestDataOnSimObject(handle, kUserRequest, kPositionDefinition,
                                                     SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE)))
            problem = "SimConnect_RequestDataOnSimObject failed";
    }
    if (!problem && !lf_dispatchUntil(handle, seen, [&] { return seen.userRead; }))
        problem = "the user aircraft's position never came";
    if (!problem && (std::abs(seen.userLat - kUserLat) > 0.01 || std::abs(seen.userLon - kUserLon) > 0.01))
        problem = "the user aircraft is at " + std::to_string(seen.userLat) + ", " + std::to_string(seen.userLon);
    if (FAILED(SimConnect_Close(handle)) && !problem)
        problem = "SimConnect_Close failed";
    return problem;
}

int gf_simConnectMissingInstance(const std::filesystem::path& reasonFile)
{
    std::string why;
    if (gf_simConnectLoaded(&why))
        return 1;
    std::ofstream(reasonFile, std::ios::binary) << why;
    return 0;
}

// A machine without the library: the link shows the system's reason, in the user's language, as
// UTF-8 (a Spanish Windows says "Módulo", which the ANSI code page does not give as UTF-8). Run with
// TARVO_CHECK_LANGUAGE=es, the check also asks for a Spanish system and a reason in Spanish.
Outcome gf_checkSimConnectMissingReason(const std::filesystem::path& self)
{
    const auto folder = gf_scratchFolder();
    const auto copy = folder / L"tarvo_check.exe";
    if (!CopyFileW(self.c_str(), copy.c_str(), TRUE))
        return "the check could not copy itself (error " + std::to_string(GetLastError()) + ")";
    const auto reasonFile = folder / L"reason.txt";
    const auto code = gf_runProgram(copy, L"--simconnect-missing \"" + reasonFile.wstring() + L"\"", folder);
    if (!code)
        return "the copy without the library did not run";
    if (*code != 0)
        return "the copy found a SimConnect.dll";
    const std::string why = gf_readBytes(reasonFile);
    constexpr std::string_view kLead = "SimConnect.dll could not be loaded: ";
    constexpr std::string_view kWhereFrom = " Put the MSFS SDK's one beside tarvo.exe, see Manual 3.";
    const std::size_t whereFrom = why.find(kWhereFrom);
    if (!why.starts_with(kLead) || whereFrom == std::string::npos)
        return "the link says \"" + why + "\", not why and where the library comes from";
    const std::string reason = why.substr(kLead.size(), whereFrom - kLead.size());
    std::printf("       the system's reason: %s\n", reason.c_str());
    if (reason.empty() || reason.starts_with("error "))
        return "no reason from the system: \"" + why + "\"";
    if (!gf_isUtf8(reason))
        return "the reason is not UTF-8";
    return gf_checkReasonLanguage(reason);
}

} // namespace zyn::wincheck
