#pragma once
// A value that one thread writes and others read: every access copies it under its own small lock.
#include <mutex>

namespace zyn {

template <typename T> class Guarded {
public:
    T get() const
    {
        std::lock_guard lock(m_mutex);
        return m_value;
    }
    void set(T value)
    {
        std::lock_guard lock(m_mutex);
        m_value = std::move(value);
    }
    void reset() { set(T{}); }

private:
    mutable std::mutex m_mutex;
    T m_value{};
};

} // namespace zyn
