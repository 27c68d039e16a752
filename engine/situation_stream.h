#pragma once
// A live aircraft's reported positions still to be flown, oldest first. The front is held in the
// stream itself, the rest in a ring buffer that only grows: once an aircraft has reached its working
// size, appending a report and consuming the front never allocate, which keeps the per-tick work
// free of the heap, and the tick reads the front's play time without reaching into the ring.
#include "aircraft/records.h"

#include <cstddef>
#include <vector>

namespace zyn {

class SituationStream {
public:
    SituationStream() = default;
    explicit SituationStream(const Situation& first);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    Situation& operator[](std::size_t i) { return i == 0 ? m_front : m_ring[slot(i - 1)]; }
    const Situation& operator[](std::size_t i) const { return i == 0 ? m_front : m_ring[slot(i - 1)]; }
    // Checked access: throws std::out_of_range("invalid deque<T> subscript").
    Situation& at(std::size_t i);
    const Situation& at(std::size_t i) const;

    Situation& front() { return at(0); }
    const Situation& front() const { return at(0); }
    Situation& back() { return at(m_size - 1); }
    const Situation& back() const { return at(m_size - 1); }

    void push_back(const Situation& s);
    void push_front(const Situation& s);
    void pop_front();
    void pop_back();
    void insert(std::size_t index, const Situation& s); // index <= size
    void erase(std::size_t index);
    void truncate(std::size_t count); // keeps the first count situations
    void clear() { m_size = 0; m_head = 0; }
    std::size_t capacity() const { return m_ring.size() + 1; }

    // Oldest first, for range-for loops; editing the stream invalidates iterators.
    template <typename Stream, typename Value> class Iterator {
    public:
        Iterator(Stream* stream, std::size_t index) : m_stream(stream), m_index(index) {}
        Value& operator*() const { return (*m_stream)[m_index]; }
        Value* operator->() const { return &(*m_stream)[m_index]; }
        Iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        bool operator==(const Iterator& other) const { return m_index == other.m_index; }

    private:
        Stream* m_stream;
        std::size_t m_index;
    };
    auto begin() { return Iterator<SituationStream, Situation>(this, 0); }
    auto end() { return Iterator<SituationStream, Situation>(this, m_size); }
    auto begin() const { return Iterator<const SituationStream, const Situation>(this, 0); }
    auto end() const { return Iterator<const SituationStream, const Situation>(this, m_size); }

private:
    // Slot of the ring's i-th situation (the stream's i + 1-th).
    std::size_t slot(std::size_t i) const { return (m_head + i) % m_ring.size(); }
    std::size_t ringSize() const { return m_size == 0 ? 0 : m_size - 1; }
    void growIfFull();

    // In this order: the front's play time and flags, its last fields, lie next to the size, so that
    // the tick's test of the front reads one cache line.
    std::vector<Situation> m_ring;
    std::size_t m_head = 0;
    Situation m_front;
    std::size_t m_size = 0;
};

} // namespace zyn
