#include "platform/simconnect/emulator_messages.h"

#include <algorithm>

namespace zyn::simemu {

// dwData is the last field and every field is a DWORD: the block starts right after the others.
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) == 11 * sizeof(DWORD));
inline constexpr std::size_t kDataHeaderSize = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);

Message::Message(const void* bytes, std::size_t size)
    : m_storage((size + 7) / 8, 0), m_size(static_cast<DWORD>(size))
{
    std::memcpy(m_storage.data(), bytes, size);
}

Message gf_dataMessage(SIMCONNECT_RECV_SIMOBJECT_DATA header, SIMCONNECT_RECV_ID id,
                       const std::vector<std::byte>& block)
{
    // At least the dwData field, padded to whole DWORDs.
    const std::size_t blockSize = std::max<std::size_t>(sizeof(DWORD), (block.size() + 3) / 4 * 4);
    header.dwSize = static_cast<DWORD>(kDataHeaderSize + blockSize);
    header.dwVersion = kMessageVersion;
    header.dwID = id;
    std::vector<std::byte> bytes(kDataHeaderSize + blockSize, std::byte{0});
    std::memcpy(bytes.data(), &header, kDataHeaderSize);
    if (!block.empty())
        std::memcpy(bytes.data() + kDataHeaderSize, block.data(), block.size());
    return Message(bytes.data(), bytes.size());
}

} // namespace zyn::simemu
