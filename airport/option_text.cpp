#include "airport/option_text.h"

#include <limits>
#include <stdexcept>

namespace zyn {

void OptionText::assignLong(const char* data, std::size_t size)
{
    if (size > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("option text of more than 4 GB");
    char* const text = new char[size + 1];
    std::memcpy(text, data, size);
    text[size] = '\0';
    release(); // only now: data may be this text's own
    const auto stored = static_cast<std::uint32_t>(size);
    std::memcpy(m_bytes, &text, sizeof text);
    std::memcpy(m_bytes + kSizeAt, &stored, sizeof stored);
    m_bytes[kInline] = static_cast<char>(kOnHeap);
}

} // namespace zyn
