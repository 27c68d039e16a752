#include "airport/stand_lookup.h"

#include <mutex>

namespace zyn {

namespace {

struct PublishedStand {
    std::string name;
    LatLon position;
};

std::mutex g_publishedMutex;
std::vector<PublishedStand> g_published; // under g_publishedMutex
bool g_cacheValid = false;
LatLon g_cachedPosition;
std::string g_cachedName;

} // namespace

void gf_publishStands(const std::vector<ParkPos>& stands)
{
    std::vector<PublishedStand> copy;
    copy.reserve(stands.size());
    for (const auto& stand : stands)
        copy.push_back({stand.id, {stand.latitude, stand.longitude}});
    std::lock_guard lock(g_publishedMutex);
    g_published = std::move(copy);
    g_cacheValid = false;
    g_cachedName.clear();
}

std::string gf_closestStandName(LatLon position)
{
    std::lock_guard lock(g_publishedMutex);
    if (g_published.empty())
        return {};
    if (g_cacheValid && g_cachedPosition.lat == position.lat && g_cachedPosition.lon == position.lon)
        return g_cachedName;
    double best = kUserStandNm;
    const PublishedStand* nearest = nullptr;
    for (const auto& stand : g_published) {
        const double d = gf_distanceNm(position, stand.position);
        if (d <= best) {
            best = d;
            nearest = &stand;
        }
    }
    g_cachedPosition = position;
    g_cachedName = nearest ? nearest->name : std::string();
    g_cacheValid = true;
    return g_cachedName;
}

} // namespace zyn
