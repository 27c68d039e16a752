// Our SimConnect functions, served by the in-process simulator emulator: the connection and the dispatch.
#include <algorithm>

#include "platform/simconnect/emulator_call.h"
#ifdef TARVO_EMULATOR_NO_PICTURE
#include "platform/simconnect/emulator_report_text.h"
#else
#include "platform/simconnect/emulator_report.h"
#endif
#include "platform/system/path_text.h"

#include <fmt/format.h>

using namespace zyn::simemu;

namespace {

thread_local bool t_inDispatch = false;
std::mutex g_dispatchMutex; // one dispatcher at a time; never held together with g_emuMutex by a handler
std::vector<Message> g_dispatching; // under g_dispatchMutex: the messages of the dispatch under way

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

// The program's run on the emulator leaves its report where TARVO_SIM_REPORT asks for it.
void lf_reportOnClose(const std::vector<SimObject>& held, const Airport& airport, double closedAt)
{
    const auto folder = gf_reportFolderFromEnvironment();
    if (!folder)
        return;
    try {
#ifdef TARVO_EMULATOR_NO_PICTURE
        (void)airport;
        gf_writeObjectReport(held, *folder, closedAt);
#else
        gf_writeRunReport(held, airport, *folder, closedAt);
#endif
        fmt::print(stderr, "simulator emulator report written to {}\n", zyn::gf_utf8FromPath(*folder));
    } catch (const std::exception& e) {
        fmt::print(stderr, "simulator emulator report: {}\n", e.what());
    }
}

// Puts back what a throwing handler left undelivered, so that nothing the simulator sent is lost.
struct Undelivered {
    std::vector<Message>& pending;
    std::size_t next = 0; // the first message not handed to the handler
    ~Undelivered()
    {
        if (next < pending.size()) {
            std::lock_guard lock(g_emuMutex);
            if (g_world.connection)
                g_world.connection->outbox.insert(g_world.connection->outbox.begin(),
                                                  std::make_move_iterator(pending.begin() + static_cast<std::ptrdiff_t>(next)),
                                                  std::make_move_iterator(pending.end()));
        }
        pending.clear();
    }
};

} // namespace

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND, DWORD, HANDLE, DWORD ConfigIndex)
{
    ApiCall call(nullptr, "SimConnect_Open", {gf_argText(szName), gf_argNum(ConfigIndex)}, Needs::Nothing);
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
    g_world.connection->openedAt = call.now();
    *phSimConnect = reinterpret_cast<HANDLE>(g_world.connection->handle);
    lf_queueOpen();
    return call.result();
}

HRESULT SimConnect_Close(HANDLE hSimConnect)
{
    std::vector<SimObject> held;
    Airport airport;
    double closedAt = 0.0;
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
        closedAt = call.now();
        g_world.pendingCreations.clear(); // and those it asked for that had not appeared yet
        g_world.pendingRemovals.clear();
        g_world.connection.reset();
        held = g_world.objects;
        airport = g_world.scenario.airport;
    }
    lf_reportOnClose(held, airport, closedAt);
    return S_OK;
}

HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext)
{
    if (t_inDispatch || !pfcnDispatch)
        return E_FAIL; // a handler may call every function but this one
    std::lock_guard dispatching(g_dispatchMutex);
    std::vector<Message>& pending = g_dispatching;
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
    while (putBack.next < pending.size()) {
        Message& message = pending[putBack.next++];
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
