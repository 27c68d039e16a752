#include "requests/main_loop_requests.h"

namespace zyn {

std::atomic<std::int32_t> g_secondsCounter{0};
std::atomic<std::uint8_t> g_flightNotRunning{0};

std::atomic<std::uint8_t> g_reReadRequest{0};
std::atomic<std::uint8_t> g_removeAllRequest{0};
std::atomic<std::uint8_t> g_callsignQueryRequest{0};
std::atomic<std::uint8_t> g_blockChangedRequest{0};
std::atomic<std::uint8_t> g_matchDepthRequest{0};
std::atomic<std::uint8_t> g_renewParkingRequest{0};
std::atomic<std::uint8_t> g_parkTrafficOnlyRequest{0};
std::atomic<std::uint8_t> g_parkingRenewalPhase{0};
std::atomic<std::uint8_t> g_removeAllAircraftRequest{0};
std::atomic<std::uint8_t> g_navLightsRequest{0};

std::atomic<std::uint8_t> g_airportFileChanged{0};

std::atomic<std::uint8_t> g_userAtNewAirportRequest{0};

} // namespace zyn
