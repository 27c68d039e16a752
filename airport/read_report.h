#pragma once
// What the readers of airport parking files and of the airports database tell about bad entries:
// each skipped entry is logged with the file, the element and the reason; a file with skipped
// entries is named once on the status line. Also the number readers those files need.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zyn {

class ReadReport {
public:
    explicit ReadReport(std::string file) : m_file(std::move(file)) {}
    // Logs "{file}: {element}: {reason}, skipped" as an error line; after the first 25 lines of a
    // file only the count goes on, so a broken database cannot flood the log.
    void skip(std::string_view element, std::string_view reason);
    // Logs "{file}: {element}: {reason}" for a value read otherwise than the file has it; the entry
    // stays. The same cap of lines as skip.
    void note(std::string_view element, std::string_view reason);
    std::uint32_t skipped() const { return m_skipped; }
    const std::string& file() const { return m_file; }
    // When entries were skipped: the count in the log and "{file}: {n} bad entr{y|ies} skipped, see
    // Log.txt" on the status line.
    void finish() const;

private:
    std::string m_file;
    std::uint32_t m_skipped = 0;
    std::uint32_t m_noted = 0;
};

// The number at the start of a text as strtod reads it, in any locale: leading blanks skipped, an
// optional sign, characters after the number ignored. Nothing when no number starts the text and
// when the number is not finite (nan, inf, out of range).
std::optional<double> gf_fileNumber(std::string_view text);
// The same for a whole number that fits in 32 bits.
std::optional<std::int32_t> gf_fileInt(std::string_view text);

} // namespace zyn
