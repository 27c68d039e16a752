#include "sim/link_state.h"

#include "sim/dispatch.h"
#include "sim/object_match.h"
#include "sim/queues.h"
#include "sim/user_aircraft.h"
#include "sim/user_ident.h"

namespace zyn {

std::atomic<HANDLE> g_hSimConnect{nullptr};
std::mutex g_simMutex;
std::atomic<std::uint8_t> g_simRunning{0};
std::atomic<std::uint8_t> g_simQuit{0};
std::atomic<std::uint8_t> g_simNotConnected{1};
std::atomic<std::uint8_t> g_simNeverConnected{1};
std::atomic<std::uint8_t> g_simConnected{0};
std::atomic<std::uint8_t> g_oneSecondFlag{0};
std::atomic<std::uint32_t> g_userAcObjectId{kInitialUserAcObjectId};
std::atomic<float> g_frameRate{0.0f};
std::atomic<std::int64_t> g_simEpoch{0};

void gf_resetSimLink()
{
    g_hSimConnect = nullptr;
    g_simRunning = 0;
    g_simQuit = 0;
    g_simNotConnected = 1;
    g_simConnected = 0;
    g_oneSecondFlag = 0;
    g_userAcObjectId = kInitialUserAcObjectId;
    g_frameRate = 0.0f;
    gf_resetDispatch();
    gf_resetObjectMatching();
    gf_resetSimQueues();
    gf_resetUserAircraft();
    gf_resetUserIdentification();
}

} // namespace zyn
