#pragma once
// Texts from files, pointer files and the user that become file names and server paths: airport
// codes, the locations of airport parking files and publisher folder names. Only what such a text
// can hold is accepted, so none of them can lead outside the airports folder or the server's tree.
#include <cstddef>
#include <string>
#include <string_view>

namespace zyn {

inline constexpr std::size_t kMaxAirportCodeLength = 8;

// Letters and digits (ASCII), 1 to 8 of them.
bool gf_isAirportCode(std::string_view code);
// As gf_isAirportCode; a refused code is logged with the caller's name.
bool gf_checkAirportCode(std::string_view code, std::string_view caller);

// A relative location of an airport parking file, on the server ("archive/stock/EDDF.xml") or in
// the program folder ("airports/my_thirdparty/EDDF.xml"): "/"-separated parts, none empty, "." or
// "..", no drive, scheme, query or control character, "%" only in "%20", ending in ".xml".
bool gf_isApfLocation(std::string_view location);

// A single folder name taken from a file (a publisher): no separator, not "." or "..", no control
// character, at most 120 bytes. The empty text is a valid (absent) name.
bool gf_isFolderName(std::string_view name);

} // namespace zyn
