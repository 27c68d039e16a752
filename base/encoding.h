#pragma once
// UTF-8 <-> UTF-16 conversions (strict: invalid input throws, nothing is substituted; UTF-16 in the
// platform's wide text, WideString) and the encoding
// of a text file as its byte-order mark tells it (reading its lines: livery/text_files.h).
#include "platform/win32/types.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

namespace win32 {

class Utf8ConversionException : public std::runtime_error {
public:
    enum ConversionType : std::uint32_t { FromUtf8ToUtf16 = 0, FromUtf16ToUtf8 = 1 };
    Utf8ConversionException(const std::string& message, std::uint32_t errorCode, ConversionType type)
        : std::runtime_error(message), m_errorCode(errorCode), m_type(type) {}
    std::uint32_t errorCode() const { return m_errorCode; }
    ConversionType conversionType() const { return m_type; }

private:
    std::uint32_t m_errorCode;
    ConversionType m_type;
};

} // namespace win32

enum class TextEncoding : std::uint32_t {
    Ansi = 0,              // no byte-order mark: bytes are taken as they are
    Unicode = 1,           // UTF-16 little-endian, FF FE
    UnicodeBigEndian = 2,  // UTF-16 big-endian, FE FF
    Utf8WithBom = 3,       // EF BB BF
    Utf8WithoutBom = 4,    // never detected; read like Ansi
    NoneFound = 5,         // the file cannot be opened
};

// "ANSI", "Unicode", "Unicode_big_endian", "UTF8_with_BOM", "UTF8_without_BOM", "none_found"
std::string_view gf_encodingName(TextEncoding encoding);

WideString gf_utf8ToUtf16(std::string_view text);
std::string gf_utf16ToUtf8(WideStringView text);

// Never throws: a file that cannot be opened logs one line and gives NoneFound.
TextEncoding gf_detectEncoding(const std::filesystem::path& path);

} // namespace zyn
