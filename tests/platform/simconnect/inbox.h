#pragma once
// A SimConnect client for tests: keeps a copy of every message the dispatch delivers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/simconnect/simconnect.h"

namespace zyn::test {

struct DataReply {
    DWORD messageId = 0;
    DWORD requestId = 0;
    DWORD objectId = 0;
    DWORD entry = 0;
    DWORD outOf = 0;
    std::vector<std::byte> block;

    double f64(std::size_t offset) const { return read<double>(offset); }
    std::int64_t i64(std::size_t offset) const { return read<std::int64_t>(offset); }
    std::string text(std::size_t offset) const
    {
        const char* start = reinterpret_cast<const char*>(block.data()) + offset;
        return std::string(start, strnlen(start, block.size() - offset));
    }

private:
    template <typename T> T read(std::size_t offset) const
    {
        T value{};
        std::memcpy(&value, block.data() + offset, sizeof(T));
        return value;
    }
};

class Inbox {
public:
    static void collect(SIMCONNECT_RECV* message, DWORD size, void* context)
    {
        auto* inbox = static_cast<Inbox*>(context);
        std::vector<std::uint64_t> copy((size + 7) / 8);
        std::memcpy(copy.data(), message, size);
        inbox->m_messages.push_back(std::move(copy));
        inbox->m_sizes.push_back(size);
    }

    HRESULT dispatch(HANDLE handle) { return SimConnect_CallDispatch(handle, &Inbox::collect, this); }
    void clear()
    {
        m_messages.clear();
        m_sizes.clear();
    }

    std::vector<DWORD> ids() const
    {
        std::vector<DWORD> out;
        for (const auto& m : m_messages)
            out.push_back(header(m).dwID);
        return out;
    }

    template <typename Record> std::vector<Record> all(DWORD id) const
    {
        std::vector<Record> out;
        for (const auto& m : m_messages)
            if (header(m).dwID == id) {
                Record r;
                std::memcpy(static_cast<void*>(&r), m.data(), sizeof(Record));
                out.push_back(r);
            }
        return out;
    }

    std::vector<DataReply> data(DWORD requestId) const
    {
        std::vector<DataReply> out;
        constexpr std::size_t headerSize = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
        for (std::size_t i = 0; i < m_messages.size(); ++i) {
            const auto& h = header(m_messages[i]);
            if (h.dwID != SIMCONNECT_RECV_ID_SIMOBJECT_DATA && h.dwID != SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE)
                continue;
            SIMCONNECT_RECV_SIMOBJECT_DATA d;
            std::memcpy(static_cast<void*>(&d), m_messages[i].data(), sizeof(d));
            if (d.dwRequestID != requestId)
                continue;
            DataReply r{h.dwID, d.dwRequestID, d.dwObjectID, d.dwentrynumber, d.dwoutof, {}};
            const auto* bytes = reinterpret_cast<const std::byte*>(m_messages[i].data());
            r.block.assign(bytes + headerSize, bytes + m_sizes[i]);
            out.push_back(std::move(r));
        }
        return out;
    }

private:
    static SIMCONNECT_RECV header(const std::vector<std::uint64_t>& m)
    {
        SIMCONNECT_RECV h;
        std::memcpy(static_cast<void*>(&h), m.data(), sizeof(h));
        return h;
    }

    std::vector<std::vector<std::uint64_t>> m_messages;
    std::vector<DWORD> m_sizes;
};

} // namespace zyn::test
