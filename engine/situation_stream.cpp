#include "engine/situation_stream.h"

#include <stdexcept>

namespace zyn {

namespace {
constexpr std::size_t kInitialCapacity = 8;
[[noreturn]] void lf_badIndex() { throw std::out_of_range("invalid deque<T> subscript"); }
} // namespace

SituationStream::SituationStream(const Situation& first)
{
    m_ring.resize(kInitialCapacity);
    push_back(first);
}

Situation& SituationStream::at(std::size_t i)
{
    if (i >= m_size)
        lf_badIndex();
    return (*this)[i];
}

const Situation& SituationStream::at(std::size_t i) const
{
    if (i >= m_size)
        lf_badIndex();
    return (*this)[i];
}

// Makes room in the ring for one more situation.
void SituationStream::growIfFull()
{
    const std::size_t ring = ringSize();
    if (ring < m_ring.size())
        return;
    std::vector<Situation> bigger(m_ring.empty() ? kInitialCapacity : m_ring.size() * 2);
    for (std::size_t i = 0; i < ring; ++i)
        bigger[i] = m_ring[slot(i)];
    m_ring.swap(bigger);
    m_head = 0;
}

void SituationStream::push_back(const Situation& s)
{
    if (m_size == 0) {
        m_front = s;
        m_head = 0;
    } else {
        growIfFull();
        m_ring[slot(ringSize())] = s;
    }
    ++m_size;
}

void SituationStream::push_front(const Situation& s)
{
    if (m_size > 0) {
        growIfFull();
        m_head = (m_head + m_ring.size() - 1) % m_ring.size();
        m_ring[m_head] = m_front;
    }
    m_front = s;
    ++m_size;
}

void SituationStream::pop_front()
{
    if (m_size == 0)
        lf_badIndex();
    if (m_size > 1) {
        m_front = m_ring[m_head];
        m_head = (m_head + 1) % m_ring.size();
    }
    --m_size;
}

void SituationStream::pop_back()
{
    if (m_size == 0)
        lf_badIndex();
    --m_size;
}

void SituationStream::insert(std::size_t index, const Situation& s)
{
    if (index > m_size)
        lf_badIndex();
    if (index == 0) {
        push_front(s);
        return;
    }
    growIfFull();
    ++m_size;
    for (std::size_t i = m_size - 1; i > index; --i)
        (*this)[i] = (*this)[i - 1];
    (*this)[index] = s;
}

void SituationStream::erase(std::size_t index)
{
    if (index >= m_size)
        lf_badIndex();
    if (index == 0) {
        pop_front();
        return;
    }
    for (std::size_t i = index; i + 1 < m_size; ++i)
        (*this)[i] = (*this)[i + 1];
    --m_size;
}

void SituationStream::truncate(std::size_t count)
{
    if (count < m_size)
        m_size = count;
}

} // namespace zyn
