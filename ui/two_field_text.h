#pragma once
// The short key of an aircraft or livery record in log lines: airline code left-aligned in 3
// characters, a blank, the type left-aligned in 4 ("BA  A320", "SWR B738").
#include <string>

#include <fmt/format.h>

namespace zyn {

template <typename Record> std::string gf_twoFieldText(const Record& record)
{
    return fmt::format("{:3} {:4}", record.airline, record.type);
}

} // namespace zyn
