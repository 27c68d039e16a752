#pragma once
// Receive messages as the emulator queues them: 8-byte aligned storage holding one record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/simconnect/simconnect.h"

namespace zyn::simemu {

inline constexpr DWORD kMessageVersion = 4;

class Message {
public:
    Message() = default;
    Message(const void* bytes, std::size_t size) : Message(bytes, size, nullptr, 0, size) {}
    // The bytes of head, then those of body, then zeros up to size.
    Message(const void* head, std::size_t headSize, const void* body, std::size_t bodySize, std::size_t size);
    SIMCONNECT_RECV* recv() { return reinterpret_cast<SIMCONNECT_RECV*>(words()); }
    const SIMCONNECT_RECV* recv() const { return reinterpret_cast<const SIMCONNECT_RECV*>(words()); }
    DWORD size() const { return m_size; }

private:
    // Events and the data replies of the usual definitions fit here, so that queueing them allocates nothing.
    static constexpr std::size_t kInlineWords = 20;
    std::uint64_t* words() { return m_heap.empty() ? m_inline.data() : m_heap.data(); }
    const std::uint64_t* words() const { return m_heap.empty() ? m_inline.data() : m_heap.data(); }

    std::array<std::uint64_t, kInlineWords> m_inline{};
    std::vector<std::uint64_t> m_heap; // a longer message
    DWORD m_size = 0;
};

// A record message: dwSize, dwVersion and dwID are filled in here.
template <typename Record> Message gf_recordMessage(Record record, SIMCONNECT_RECV_ID id)
{
    record.dwSize = sizeof(Record);
    record.dwVersion = kMessageVersion;
    record.dwID = id;
    return Message(&record, sizeof(Record));
}

// A data reply: the header up to dwData, then the block.
Message gf_dataMessage(SIMCONNECT_RECV_SIMOBJECT_DATA header, SIMCONNECT_RECV_ID id,
                       const std::vector<std::byte>& block);

} // namespace zyn::simemu
