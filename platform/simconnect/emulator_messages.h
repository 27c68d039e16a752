#pragma once
// Receive messages as the emulator queues them: 8-byte aligned storage holding one record.
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
    Message(const void* bytes, std::size_t size);
    SIMCONNECT_RECV* recv() { return reinterpret_cast<SIMCONNECT_RECV*>(m_storage.data()); }
    const SIMCONNECT_RECV* recv() const { return reinterpret_cast<const SIMCONNECT_RECV*>(m_storage.data()); }
    DWORD size() const { return m_size; }

private:
    std::vector<std::uint64_t> m_storage;
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
