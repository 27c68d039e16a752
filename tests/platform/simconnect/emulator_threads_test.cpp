// The emulator with a client that dispatches on its own thread, as the program's link does.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "platform/simconnect/emulator.h"

namespace zyn::test {
namespace {

namespace emu = simemu;
using namespace std::chrono_literals;

// A client that releases every new object whose ATC id it asked for, from inside its handlers.
struct ReleasingClient {
    HANDLE handle = nullptr;
    std::atomic<bool> stop{false};
    std::set<DWORD> released; // dispatch thread only

    static void onMessage(SIMCONNECT_RECV* message, DWORD, void* context)
    {
        auto* self = static_cast<ReleasingClient*>(context);
        if (message->dwID == SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE) {
            SimConnect_RequestDataOnSimObjectType(self->handle, 101, 404, 10000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
        } else if (message->dwID == SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE) {
            auto* data = static_cast<SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE*>(message);
            char atcId[32] = {};
            std::memcpy(atcId, &data->dwData, sizeof(atcId));
            if (std::string(atcId).starts_with("TST") && self->released.insert(data->dwObjectID).second)
                SimConnect_AIReleaseControl(self->handle, data->dwObjectID, 103);
        }
    }

    void pump()
    {
        while (!stop)
            if (SimConnect_CallDispatch(handle, &onMessage, this) == S_OK)
                std::this_thread::sleep_for(1ms);
    }
};

TEST(EmulatorThreads, HandlersCallBackInWhileOtherThreadsCreate)
{
    emu::reset();
    ReleasingClient client;
    ASSERT_EQ(SimConnect_Open(&client.handle, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    SimConnect_SubscribeToSystemEvent(client.handle, 202, "ObjectAdded");
    SimConnect_AddToDataDefinition(client.handle, 404, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32);
    std::thread dispatcher(&ReleasingClient::pump, &client);

    constexpr int kCreators = 3;
    constexpr int kEach = 5;
    std::vector<std::thread> creators;
    for (int c = 0; c < kCreators; ++c)
        creators.emplace_back([&client, c] {
            for (int i = 0; i < kEach; ++i) {
                const std::string callsign = "TST" + std::to_string(c * 10 + i);
                SIMCONNECT_DATA_INITPOSITION at{47.46, 8.55, 0, 0, 0, 0, 1, 0};
                SimConnect_AICreateNonATCAircraft(client.handle, "Any Title", callsign.c_str(), at, 104);
            }
        });
    for (auto& t : creators)
        t.join();

    const auto releasedCount = [] {
        int n = 0;
        for (const auto& o : emu::objects())
            n += !o.isUser && !o.aiControlled;
        return n;
    };
    EXPECT_TRUE(emu::waitUntil([&] { return releasedCount() == kCreators * kEach; }));
    client.stop = true;
    dispatcher.join();
    EXPECT_EQ(emu::callsOf("SimConnect_AIReleaseControl").size(), static_cast<std::size_t>(kCreators * kEach));
    EXPECT_EQ(SimConnect_Close(client.handle), S_OK);
}

TEST(EmulatorThreads, DispatchFromInsideAHandlerIsRefused)
{
    emu::reset();
    static HANDLE s_handle = nullptr;
    static HRESULT s_nested = S_OK;
    ASSERT_EQ(SimConnect_Open(&s_handle, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    std::thread other([] {
        SimConnect_CallDispatch(
            s_handle,
            [](SIMCONNECT_RECV*, DWORD, void*) {
                s_nested = SimConnect_CallDispatch(s_handle, [](SIMCONNECT_RECV*, DWORD, void*) {}, nullptr);
            },
            nullptr);
    });
    other.join();
    EXPECT_LT(s_nested, 0);
    SimConnect_Close(s_handle);
}

} // namespace
} // namespace zyn::test
