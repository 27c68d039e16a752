#include "airport/read_report.h"

#include "base/log.h"
#include "base/text_util.h"
#include "shown/status_line.h"

#include <charconv>
#include <cmath>

namespace zyn {

namespace {

constexpr std::uint32_t kDetailedLines = 25;

// The text from its first character that is no blank, and without a leading "+".
std::string_view lf_numberStart(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r')))
        text.remove_prefix(1);
    if (text.starts_with('+') && !text.starts_with("+-"))
        text.remove_prefix(1);
    return text;
}

} // namespace

void ReadReport::skip(std::string_view element, std::string_view reason)
{
    ++m_skipped;
    if (m_skipped <= kDetailedLines)
        gf_logErrorf("{}: {}: {}, skipped", m_file, element, reason);
}

void ReadReport::finish() const
{
    if (m_skipped == 0)
        return;
    if (m_skipped > kDetailedLines)
        gf_logErrorf("{}: {} more bad entries skipped", m_file, m_skipped - kDetailedLines);
    gf_setStatusMessage(
        fmt::format("{}: {} bad entr{} skipped, see Log.txt", m_file, m_skipped, m_skipped == 1 ? "y" : "ies"),
        false);
}

std::optional<double> gf_fileNumber(std::string_view text)
{
    text = lf_numberStart(text);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> gf_fileInt(std::string_view text)
{
    text = lf_numberStart(text);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{})
        return std::nullopt;
    return value;
}

} // namespace zyn
