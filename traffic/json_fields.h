#pragma once
// Typed reads of the traffic service's JSON replies. Numbers are taken whatever their JSON type
// (integer, unsigned or floating point); a value of another type counts as missing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace zyn {

std::optional<double> gf_jsonNumber(const nlohmann::json& value);
std::optional<double> gf_jsonNumberAt(const nlohmann::json& array, std::size_t index);
std::optional<double> gf_jsonNumberOf(const nlohmann::json& object, const char* key);
// Integer keys (status, periods): a number of any kind, truncated toward zero; nothing otherwise.
std::optional<std::int64_t> gf_jsonIntegerOf(const nlohmann::json& object, const char* key);
// The "status" of a service reply: 100 when it has none (the reader's "no answer"); a reply that is no
// object, or a status that is no whole number from 100 to 999, is a bad reply: std::runtime_error.
std::int32_t gf_replyStatus(const nlohmann::json& reply);
// Text values: the string, or the empty text for anything else. The view lives as long as the array.
std::string_view gf_jsonTextAt(const nlohmann::json& array, std::size_t index);
std::string gf_jsonTextOf(const nlohmann::json& object, const char* key, const std::string& fallback = {});
// Empty for null, an empty object, an empty array or an empty string.
bool gf_jsonEmpty(const nlohmann::json& value);

} // namespace zyn
