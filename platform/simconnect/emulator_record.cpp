#include "platform/simconnect/emulator_record.h"

#include <algorithm>
#include <stdexcept>

namespace zyn::simemu {

namespace {

// The next entry of a ring of the given capacity: a new one until it is full, then the oldest.
template <typename Entry> Entry& lf_nextEntry(std::vector<Entry>& entries, std::size_t& next, std::size_t capacity)
{
    if (entries.capacity() < capacity)
        entries.reserve(capacity); // once: entries never move afterwards
    if (entries.size() < capacity)
        return entries.emplace_back();
    Entry& oldest = entries[next];
    next = (next + 1) % capacity;
    return oldest;
}

// The place of the i-th oldest entry.
std::size_t lf_oldestFirst(std::size_t i, std::size_t next, std::size_t size) { return (next + i) % size; }

CallRecord lf_callRecord(const CallRing::Entry& e)
{
    CallRecord record;
    record.function = std::string(e.function);
    record.result = e.result;
    record.packetId = e.packetId;
    record.atSeconds = e.atSeconds;
    record.args.reserve(e.argCount);
    std::size_t textStart = 0;
    for (std::size_t i = 0; i < e.argCount; ++i) {
        if ((e.textArgs >> i & 1u) == 0) {
            record.args.push_back(std::to_string(e.numbers[i]));
            continue;
        }
        record.args.push_back(e.texts.substr(textStart, e.numbers[i] - textStart));
        textStart = e.numbers[i];
    }
    return record;
}

} // namespace

CallRing::Entry& CallRing::add(std::string_view function, std::initializer_list<CallArg> args, double atSeconds)
{
    if (args.size() > kMaxCallArgs)
        throw std::length_error("emulator call record: more arguments than an entry holds");
    Entry& e = lf_nextEntry(m_entries, m_next, std::max<std::size_t>(1, m_capacity));
    e.function = function;
    e.atSeconds = atSeconds;
    e.result = S_OK;
    e.packetId = 0;
    e.argCount = static_cast<std::uint8_t>(args.size());
    e.textArgs = 0;
    e.texts.clear(); // keeps its storage for the calls that come after
    std::size_t i = 0;
    for (const CallArg& arg : args) {
        if (arg.isText()) {
            e.texts.append(arg.text());
            e.numbers[i] = static_cast<DWORD>(e.texts.size());
            e.textArgs = static_cast<std::uint8_t>(e.textArgs | 1u << i);
        } else {
            e.numbers[i] = arg.number();
        }
        ++i;
    }
    return e;
}

template <typename Keep> std::vector<CallRecord> CallRing::keptRecords(Keep keep) const
{
    std::vector<CallRecord> out;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[lf_oldestFirst(i, m_next, m_entries.size())];
        if (keep(e))
            out.push_back(lf_callRecord(e));
    }
    return out;
}

std::vector<CallRecord> CallRing::records() const
{
    return keptRecords([](const Entry&) { return true; });
}

std::vector<CallRecord> CallRing::recordsOf(std::string_view function) const
{
    return keptRecords([function](const Entry& e) { return e.function == function; });
}

std::vector<double>& DataSetRings::scratch()
{
    m_scratch.clear();
    return m_scratch;
}

void DataSetRings::add(std::size_t objectIndex, double atSeconds, SIMCONNECT_DATA_DEFINITION_ID definition)
{
    if (m_rings.size() <= objectIndex)
        m_rings.resize(objectIndex + 1);
    Ring& ring = m_rings[objectIndex];
    Entry& e = lf_nextEntry(ring.entries, ring.next, std::max<std::size_t>(1, m_perObject));
    e.atSeconds = atSeconds;
    e.definition = definition;
    e.count = static_cast<std::uint32_t>(m_scratch.size());
    const std::size_t inlineCount = std::min(m_scratch.size(), kInlineValues);
    std::copy_n(m_scratch.begin(), inlineCount, e.values.begin());
    e.more.assign(m_scratch.begin() + static_cast<std::ptrdiff_t>(inlineCount), m_scratch.end());
}

std::vector<DataSetRecord> DataSetRings::records(std::size_t objectIndex) const
{
    std::vector<DataSetRecord> out;
    if (objectIndex >= m_rings.size())
        return out;
    const Ring& ring = m_rings[objectIndex];
    out.reserve(ring.entries.size());
    for (std::size_t i = 0; i < ring.entries.size(); ++i) {
        const Entry& e = ring.entries[lf_oldestFirst(i, ring.next, ring.entries.size())];
        DataSetRecord& record = out.emplace_back();
        record.atSeconds = e.atSeconds;
        record.definition = e.definition;
        record.values.assign(e.values.begin(), e.values.begin() + std::min<std::size_t>(e.count, kInlineValues));
        record.values.insert(record.values.end(), e.more.begin(), e.more.end());
    }
    return out;
}

} // namespace zyn::simemu
