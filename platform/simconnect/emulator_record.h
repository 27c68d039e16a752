#pragma once
// The emulator's record of what it served, kept for tests to inspect: every call with its arguments,
// and the data set on each object. Both are rings of fixed-size entries written in place: once a ring
// has its storage, recording a call or a data set allocates nothing, and the oldest entry gives way
// to the newest one at a time instead of half the record at once.
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/emulator.h"

namespace zyn::simemu {

// One argument of a call as the record shows it: a number, or a text that is copied when recorded.
class CallArg {
public:
    CallArg(DWORD number) : m_number(number) {}
    CallArg(std::string_view text) : m_text(text), m_isText(true) {}
    bool isText() const { return m_isText; }
    DWORD number() const { return m_number; }
    std::string_view text() const { return m_text; }

private:
    DWORD m_number = 0;
    std::string_view m_text;
    bool m_isText = false;
};

inline constexpr std::size_t kMaxCallArgs = 8;

class CallRing {
public:
    struct Entry {
        std::string_view function; // names of static storage: the literals of the SimConnect functions
        double atSeconds = 0.0;
        HRESULT result = S_OK;
        DWORD packetId = 0;
        std::uint8_t argCount = 0;
        std::uint8_t textArgs = 0;                 // bit i: argument i is a text
        std::array<DWORD, kMaxCallArgs> numbers{}; // a text argument's end in texts instead
        std::string texts;                         // the text arguments one after another
    };

    explicit CallRing(std::size_t capacity) : m_capacity(capacity) {}

    // The entry of a new call, which stays in place until capacity calls later. The storage is
    // taken at the first call; std::length_error for more than kMaxCallArgs arguments.
    Entry& add(std::string_view function, std::initializer_list<CallArg> args, double atSeconds);
    // Oldest first.
    std::vector<CallRecord> records() const;
    std::vector<CallRecord> recordsOf(std::string_view function) const;

private:
    template <typename Keep> std::vector<CallRecord> keptRecords(Keep keep) const;

    std::size_t m_capacity;
    std::vector<Entry> m_entries;
    std::size_t m_next = 0; // the oldest entry once the ring is full
};

// The latest data sets on each object, by the object's place in the world's list.
class DataSetRings {
public:
    explicit DataSetRings(std::size_t perObject) : m_perObject(perObject) {}

    // A data set's values go in through scratch(): cleared here, filled by the caller, then add().
    std::vector<double>& scratch();
    // An object's storage is taken at its first data set.
    void add(std::size_t objectIndex, double atSeconds, SIMCONNECT_DATA_DEFINITION_ID definition);
    // Oldest first.
    std::vector<DataSetRecord> records(std::size_t objectIndex) const;

private:
    static constexpr std::size_t kInlineValues = 8; // a position block; longer sets keep the rest apart
    struct Entry {
        double atSeconds = 0.0;
        SIMCONNECT_DATA_DEFINITION_ID definition = 0;
        std::uint32_t count = 0;
        std::array<double, kInlineValues> values{};
        std::vector<double> more;
    };
    struct Ring {
        std::vector<Entry> entries;
        std::size_t next = 0;
    };

    std::size_t m_perObject;
    std::vector<Ring> m_rings;
    std::vector<double> m_scratch;
};

} // namespace zyn::simemu
