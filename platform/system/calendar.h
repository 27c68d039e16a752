#pragma once
// The UTC calendar fields of a time: gmtime_r on Linux, gmtime_s on Windows (which has no gmtime_r).
#include <ctime>

namespace zyn {

inline std::tm gf_utcCalendar(std::time_t t)
{
    std::tm fields{};
#ifdef _WIN32
    gmtime_s(&fields, &t);
#else
    gmtime_r(&t, &fields);
#endif
    return fields;
}

} // namespace zyn
