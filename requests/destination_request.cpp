#include "requests/destination_request.h"

#include <mutex>
#include <utility>

namespace zyn {

namespace {
std::mutex g_destinationMutex;
std::optional<DestinationRequest> g_destination; // under g_destinationMutex
} // namespace

void gf_requestDestination(DestinationRequest destination)
{
    std::lock_guard lock(g_destinationMutex);
    g_destination = std::move(destination);
}

std::optional<DestinationRequest> gf_takeDestinationRequest()
{
    std::lock_guard lock(g_destinationMutex);
    return std::exchange(g_destination, std::nullopt);
}

} // namespace zyn
