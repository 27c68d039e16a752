#include "aircraft/descramble.h"

#include "base/log.h"

#include <fmt/format.h>

#include <stdexcept>

namespace zyn {

namespace {

char lf_shifted(char c, std::int32_t k) { return static_cast<char>(lf_shiftChar(static_cast<unsigned char>(c), k)); }

template <std::size_t N> std::string lf_permuted(std::string_view code, const std::array<std::size_t, N>& order)
{
    std::string out(N, ' ');
    for (std::size_t i = 0; i < N; ++i)
        out[i] = lf_shifted(code[order[i]], kTypeShifts[i]);
    return out;
}

} // namespace

int lf_shiftChar(int c, int k)
{
    // A modulo rather than one wrap: a stray byte far outside the range still lands inside it.
    const int offset = (c - k - kCodeCharFirst) % kCodeCharCount;
    return kCodeCharFirst + (offset < 0 ? offset + kCodeCharCount : offset);
}

std::string lf_decryptAirline(std::string_view code)
{
    switch (code.size()) {
    case 0:
        return {};
    case 3:
        gf_logErrorf("Unencrypted airline {} in decrypt airl?", code);
        return std::string(code);
    case 6: {
        std::string out(kAirlinePositions.size(), ' ');
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = lf_shifted(code[kAirlinePositions[i]], kAirlineShifts[i]);
        return out;
    }
    default:
        throw std::runtime_error(fmt::format("decrypt airl \"{}\" error", code));
    }
}

std::string lf_descrambleType(std::string_view code)
{
    switch (code.size()) {
    case 0:
        return {};
    case 1: // no designator is this short: shifted alone, never read past its end
        return std::string(1, lf_shifted(code[0], kTypeShifts[0]));
    case 3:
        return lf_permuted(code, kTypeOrder3);
    case 4:
        return lf_permuted(code, kTypeOrder4);
    default:
        return lf_permuted(code, kTypeOrder2);
    }
}

std::string lf_descrambleCode(std::string_view text)
{
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '+')
            continue;
        if (i >= kCodeKeys.size())
            throw std::out_of_range(fmt::format("registration \"{}\" is longer than {}", text, kCodeKeys.size()));
        out[i] = lf_shifted(out[i], kCodeKeys[i]);
    }
    return out;
}

void lf_descrambleTypeList(std::vector<std::string>& list)
{
    for (auto& type : list)
        type = lf_descrambleType(type);
}

} // namespace zyn
