#include "engine/parking_queries.h"

#include <atomic>

namespace zyn {

namespace {
std::atomic<std::int32_t (*)()> g_count{nullptr};
std::atomic<std::vector<AiAcRecord*> (*)()> g_byStaticOrder{nullptr};
std::atomic<void (*)()> g_parkNext{nullptr};
std::atomic<std::uint32_t (*)(bool)> g_staticParkedStats{nullptr};
} // namespace

void gf_setParkingQueries(const ParkingQueries& queries)
{
    g_count.store(queries.count);
    g_byStaticOrder.store(queries.byStaticOrder);
    g_parkNext.store(queries.parkNext);
    g_staticParkedStats.store(queries.staticParkedStats);
}

std::int32_t gf_parkingCount()
{
    const auto count = g_count.load();
    return count ? count() : 0;
}

std::vector<AiAcRecord*> gf_parkedByStaticOrder()
{
    const auto byStaticOrder = g_byStaticOrder.load();
    return byStaticOrder ? byStaticOrder() : std::vector<AiAcRecord*>{};
}

void gf_showStaticParkedStats()
{
    if (const auto stats = g_staticParkedStats.load())
        stats(true);
}

void gf_parkNextStatic()
{
    if (const auto parkNext = g_parkNext.load())
        parkNext();
}

} // namespace zyn
