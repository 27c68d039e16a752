#pragma once
// The bookkeeping every SimConnect function of the emulator shares.
#include <initializer_list>
#include <string_view>

#include "platform/simconnect/emulator_world.h"

namespace zyn::simemu {

// Takes one injected failure of the function, if any is left.
bool gf_takeFailure(World& world, std::string_view function);
// Arguments as the call record shows them; a null text shows as "(null)".
CallArg gf_argText(const char* text);
inline CallArg gf_argText(std::string_view text) { return CallArg(text); }
inline CallArg gf_argNum(DWORD value) { return CallArg(value); }

// What a call needs to reach the simulator: an open connection, one even after QUIT (Close), or none (Open).
enum class Needs { LiveConnection, AnyConnection, Nothing };

// One SimConnect call: holds the emulator lock, checks the handle and injected failures, gives the
// call its packet id and records it. The function's name is a literal: the record keeps its address.
class ApiCall {
public:
    ApiCall(HANDLE handle, std::string_view function, std::initializer_list<CallArg> args,
            Needs needs = Needs::LiveConnection)
        : m_lock(g_emuMutex)
    {
        gf_ensureWorld(g_world);
        gf_updateUser(g_world);
        m_record = &g_world.calls.add(function, args, gf_worldSeconds(g_world));
        const bool ours = g_world.connection && reinterpret_cast<std::uintptr_t>(handle) == g_world.connection->handle;
        m_open = needs == Needs::Nothing || (ours && (needs == Needs::AnyConnection || !g_world.connection->quit));
    }
    ApiCall(const ApiCall&) = delete;
    ApiCall& operator=(const ApiCall&) = delete;
    ~ApiCall()
    {
        m_lock.unlock();
        g_emuChanged.notify_all();
    }

    // False (and E_FAIL) when the call cannot reach the simulator.
    bool reachable()
    {
        if (!m_open || gf_takeFailure(g_world, m_record->function)) {
            m_record->result = E_FAIL;
            return false;
        }
        return true;
    }
    // Reachable, and the call goes out as a packet that exceptions can name.
    bool send()
    {
        if (!reachable())
            return false;
        m_record->packetId = ++connection().lastPacketId;
        return true;
    }
    // The simulator refuses the sent call later, with an exception naming its packet.
    HRESULT refuse(DWORD exception, DWORD index)
    {
        gf_queueException(g_world, exception, m_record->packetId, index);
        return m_record->result;
    }
    HRESULT fail()
    {
        m_record->result = E_FAIL;
        return m_record->result;
    }
    HRESULT result() const { return m_record->result; }
    Connection& connection() { return *g_world.connection; }
    double now() const { return m_record->atSeconds; }

private:
    std::unique_lock<std::mutex> m_lock;
    CallRing::Entry* m_record = nullptr; // in place until kMaxCallRecords calls later
    bool m_open = false;
};

} // namespace zyn::simemu
