#pragma once
// The data files from the download server store airline codes, type designators and registrations
// scrambled character by character; these routines give the plain codes back. No state; any thread.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// Every produced character lies in this range ("-" to "Z"), apart from a "+" kept by lf_descrambleCode.
inline constexpr int kCodeCharFirst = 45;
inline constexpr int kCodeCharLast = 90;
inline constexpr int kCodeCharCount = kCodeCharLast - kCodeCharFirst + 1;

// The shifts of the file format; the producer of the files scrambles with the same values.
inline constexpr std::array<std::int32_t, 24> kCodeKeys{7,  -12, 19, 3,  -25, 11, 30, -4, 16, -9, 22, 5,
                                                        -17, 13, 28, -6, 9,  -21, 2, 25, -14, 18, -2, 10};
// Airline: stored 6 characters, of which these positions carry the three of the code.
inline constexpr std::array<std::size_t, 3> kAirlinePositions{4, 1, 3};
inline constexpr std::array<std::int32_t, 3> kAirlineShifts{11, -7, 23};
// Type: output character i comes from stored position kTypeOrderN[i].
inline constexpr std::array<std::size_t, 2> kTypeOrder2{1, 0};
inline constexpr std::array<std::size_t, 3> kTypeOrder3{2, 0, 1};
inline constexpr std::array<std::size_t, 4> kTypeOrder4{3, 1, 0, 2};
inline constexpr std::array<std::int32_t, 4> kTypeShifts{-8, 14, 5, -19};

// c - k brought back into the range.
int lf_shiftChar(int c, int k);
std::string lf_decryptAirline(std::string_view code);
std::string lf_descrambleType(std::string_view code);
std::string lf_descrambleCode(std::string_view text);
void lf_descrambleTypeList(std::vector<std::string>& list);

} // namespace zyn
