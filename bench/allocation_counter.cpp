#include "bench/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::uint64_t> g_allocations{0};
thread_local std::uint64_t t_allocations = 0;

void* lf_allocate(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    ++t_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

std::uint64_t zyn::bench::allocationCount() { return g_allocations.load(std::memory_order_relaxed); }
std::uint64_t zyn::bench::threadAllocationCount() { return t_allocations; }

void* operator new(std::size_t size) { return lf_allocate(size); }
void* operator new[](std::size_t size) { return lf_allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
