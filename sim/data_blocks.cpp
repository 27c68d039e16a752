#include "sim/data_blocks.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace zyn {

namespace {

template <typename T> std::optional<T> lf_readPod(std::span<const std::byte> block)
{
    if (block.size() < sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, block.data(), sizeof(T));
    return value;
}

} // namespace

std::span<const std::byte> gf_dataBlock(const SIMCONNECT_RECV_SIMOBJECT_DATA* message, std::size_t cbData)
{
    if (message == nullptr || cbData <= kDataBlockOffset)
        return {};
    return {reinterpret_cast<const std::byte*>(message) + kDataBlockOffset, cbData - kDataBlockOffset};
}

std::optional<UserAcData> gf_readUserAcData(std::span<const std::byte> block) { return lf_readPod<UserAcData>(block); }

std::optional<InRangeData> gf_readInRangeData(std::span<const std::byte> block)
{
    struct Numbers {
        double aboveGround;
        double groundAltitude;
        std::int64_t onGround;
    };
    const auto numbers = lf_readPod<Numbers>(block);
    if (!numbers || block.size() < sizeof(Numbers) + kString32)
        return std::nullopt;
    return InRangeData{numbers->aboveGround, numbers->groundAltitude, numbers->onGround,
                       gf_readText(block.subspan(sizeof(Numbers)), kString32)};
}

std::optional<StaticCogData> gf_readStaticCog(std::span<const std::byte> block)
{
    return lf_readPod<StaticCogData>(block);
}

std::optional<std::int64_t> gf_readInt64(std::span<const std::byte> block)
{
    return lf_readPod<std::int64_t>(block);
}

std::string gf_readText(std::span<const std::byte> block, std::size_t maxBytes)
{
    const auto limit = std::min(block.size(), maxBytes);
    const auto* begin = reinterpret_cast<const char*>(block.data());
    return std::string(begin, std::find(begin, begin + limit, '\0'));
}

} // namespace zyn

namespace zyn {

std::optional<std::int64_t> gf_zuluEpoch(std::int64_t year, std::int64_t dayOfYear, std::int64_t secondsOfDay)
{
    using namespace std::chrono;
    if (year < 1 || year > 9999)
        return std::nullopt;
    const sys_days newYear = std::chrono::year(static_cast<int>(year)) / January / 1;
    const auto days = newYear.time_since_epoch().count() + dayOfYear - 1;
    return days * 86400 + secondsOfDay;
}

} // namespace zyn
