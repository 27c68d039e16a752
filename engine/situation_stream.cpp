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
    return m_ring[slot(i)];
}

const Situation& SituationStream::at(std::size_t i) const
{
    if (i >= m_size)
        lf_badIndex();
    return m_ring[slot(i)];
}

void SituationStream::growIfFull()
{
    if (m_size < m_ring.size())
        return;
    std::vector<Situation> bigger(m_ring.empty() ? kInitialCapacity : m_ring.size() * 2);
    for (std::size_t i = 0; i < m_size; ++i)
        bigger[i] = m_ring[slot(i)];
    m_ring.swap(bigger);
    m_head = 0;
}

void SituationStream::push_back(const Situation& s)
{
    growIfFull();
    m_ring[slot(m_size)] = s;
    ++m_size;
}

void SituationStream::push_front(const Situation& s)
{
    growIfFull();
    m_head = (m_head + m_ring.size() - 1) % m_ring.size();
    m_ring[m_head] = s;
    ++m_size;
}

void SituationStream::pop_front()
{
    if (m_size == 0)
        lf_badIndex();
    m_head = (m_head + 1) % m_ring.size();
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
    growIfFull();
    for (std::size_t i = m_size; i > index; --i)
        m_ring[slot(i)] = m_ring[slot(i - 1)];
    m_ring[slot(index)] = s;
    ++m_size;
}

void SituationStream::erase(std::size_t index)
{
    if (index >= m_size)
        lf_badIndex();
    for (std::size_t i = index; i + 1 < m_size; ++i)
        m_ring[slot(i)] = m_ring[slot(i + 1)];
    --m_size;
}

void SituationStream::truncate(std::size_t count)
{
    if (count < m_size)
        m_size = count;
}

} // namespace zyn
