#include "traffic/json_fields.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

namespace zyn {

using nlohmann::json;

std::optional<double> gf_jsonNumber(const json& value)
{
    if (!value.is_number()) return std::nullopt;
    const double v = value.get<double>();
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> gf_jsonNumberAt(const json& array, std::size_t index)
{
    if (!array.is_array() || index >= array.size()) return std::nullopt;
    return gf_jsonNumber(array[index]);
}

std::optional<double> gf_jsonNumberOf(const json& object, const char* key)
{
    if (!object.is_object()) return std::nullopt;
    const auto it = object.find(key);
    if (it == object.end()) return std::nullopt;
    return gf_jsonNumber(*it);
}

std::optional<std::int64_t> gf_jsonIntegerOf(const json& object, const char* key)
{
    const auto v = gf_jsonNumberOf(object, key);
    if (!v) return std::nullopt;
    constexpr double kLimit = 9.0e18;
    if (*v > kLimit || *v < -kLimit) return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(*v));
}

std::int32_t gf_replyStatus(const json& reply)
{
    if (!reply.is_object()) throw std::runtime_error("reply is no JSON object");
    const auto it = reply.find("status");
    if (it == reply.end()) return 100;
    constexpr std::int64_t kLowest = 100;
    constexpr std::int64_t kHighest = 999;
    const bool inRange = it->is_number_integer() &&
                         (it->is_number_unsigned() ? it->get<std::uint64_t>() <= kHighest
                                                   : it->get<std::int64_t>() <= kHighest) &&
                         it->get<std::int64_t>() >= kLowest;
    if (inRange) return static_cast<std::int32_t>(it->get<std::int64_t>());
    throw std::runtime_error(fmt::format("reply status {} is no status code", it->dump().substr(0, 40)));
}

std::string_view gf_jsonTextAt(const json& array, std::size_t index)
{
    if (!array.is_array() || index >= array.size() || !array[index].is_string()) return {};
    return array[index].get_ref<const std::string&>();
}

std::string gf_jsonTextOf(const json& object, const char* key, const std::string& fallback)
{
    if (!object.is_object()) return fallback;
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return fallback;
    return it->get<std::string>();
}

bool gf_jsonEmpty(const json& value)
{
    if (value.is_null()) return true;
    if (value.is_string()) return value.get_ref<const std::string&>().empty();
    if (value.is_object() || value.is_array()) return value.empty();
    return false;
}

} // namespace zyn
