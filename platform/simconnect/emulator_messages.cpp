#include "platform/simconnect/emulator_messages.h"

#include <algorithm>

namespace zyn::simemu {

// dwData is the last field and every field is a DWORD: the block starts right after the others.
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) == 11 * sizeof(DWORD));
inline constexpr std::size_t kDataHeaderSize = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);

Message::Message(const void* head, std::size_t headSize, const void* body, std::size_t bodySize, std::size_t size)
    : m_size(static_cast<DWORD>(size))
{
    const std::size_t words = (size + 7) / 8;
    if (words > kInlineWords)
        m_heap.assign(words, 0);
    auto* bytes = reinterpret_cast<std::byte*>(this->words());
    std::memcpy(bytes, head, headSize);
    if (bodySize > 0)
        std::memcpy(bytes + headSize, body, bodySize);
}

Message gf_dataMessage(SIMCONNECT_RECV_SIMOBJECT_DATA header, SIMCONNECT_RECV_ID id,
                       const std::vector<std::byte>& block)
{
    // At least the dwData field, padded to whole DWORDs.
    const std::size_t blockSize = std::max<std::size_t>(sizeof(DWORD), (block.size() + 3) / 4 * 4);
    header.dwSize = static_cast<DWORD>(kDataHeaderSize + blockSize);
    header.dwVersion = kMessageVersion;
    header.dwID = id;
    return Message(&header, kDataHeaderSize, block.data(), block.size(), kDataHeaderSize + blockSize);
}

} // namespace zyn::simemu
