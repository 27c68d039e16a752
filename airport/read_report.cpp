#include "airport/read_report.h"

#include "base/log.h"
#include "base/text_util.h"
#include "shown/status_line.h"

#include <array>
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

// A plain decimal of at most 15 digits ("47.123456", "-8.5"), as most numbers of the files are: the
// digits as a whole number and the power of ten are both exact, so their quotient rounds as
// from_chars rounds. Nothing for any other text, which the general reading takes.
std::optional<double> lf_plainDecimal(std::string_view text)
{
    static constexpr std::array<double, 16> kPowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = text.starts_with('-');
    std::size_t i = negative ? 1 : 0;
    std::uint64_t whole = 0;
    std::size_t digits = 0;
    // The digits before the point and those after it in two runs: no test of the point per digit.
    const auto digitRun = [&] {
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (++digits > 15)
                return false;
            whole = whole * 10 + static_cast<std::uint64_t>(text[i] - '0');
        }
        return true;
    };
    if (!digitRun())
        return std::nullopt;
    std::size_t decimals = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t before = digits;
        if (!digitRun())
            return std::nullopt;
        decimals = digits - before;
    }
    if (digits == 0 || (i < text.size() && (text[i] == 'e' || text[i] == 'E')))
        return std::nullopt;
    const double value = static_cast<double>(whole) / kPowersOfTen[decimals];
    return negative ? -value : value;
}

} // namespace

void ReadReport::skip(std::string_view element, std::string_view reason)
{
    ++m_skipped;
    if (m_skipped <= kDetailedLines)
        gf_logErrorf("{}: {}: {}, skipped", m_file, element, reason);
}

void ReadReport::note(std::string_view element, std::string_view reason)
{
    if (++m_noted <= kDetailedLines)
        gf_logErrorf("{}: {}: {}", m_file, element, reason);
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
    if (const auto plain = lf_plainDecimal(text))
        return plain;
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
