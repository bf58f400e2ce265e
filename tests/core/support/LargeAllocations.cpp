#include "LargeAllocations.h"

#include <atomic>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace glintfall {

namespace {

constexpr std::size_t kUnwatched = SIZE_MAX;

std::atomic<std::size_t> g_atLeast{kUnwatched};
std::atomic<bool> g_fail{false};
std::atomic<int> g_count{0};

// Null when the watch refuses the allocation or the heap is exhausted.
void* Allocate(std::size_t size) noexcept
{
    if (size >= g_atLeast.load(std::memory_order_relaxed)) {
        g_count.fetch_add(1, std::memory_order_relaxed);
        if (g_fail.load(std::memory_order_relaxed))
            return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size)
{
    if (void* memory = Allocate(size))
        return memory;
    throw std::bad_alloc();
}

} // namespace

LargeAllocations::LargeAllocations(std::size_t atLeast, Mode mode)
{
    assert(g_atLeast.load() == kUnwatched && "one watch at a time");
    g_count = 0;
    g_fail = mode == Mode::Fail;
    g_atLeast = atLeast;
}

LargeAllocations::~LargeAllocations()
{
    g_atLeast = kUnwatched;
    g_fail = false;
}

int LargeAllocations::Count() const
{
    return g_count.load();
}

} // namespace glintfall

// The replaceable allocation functions of the whole test program. The aligned forms are left to
// the library: they allocate and free on their own, apart from these.
void* operator new(std::size_t size)
{
    return glintfall::AllocateOrThrow(size);
}

void* operator new[](std::size_t size)
{
    return glintfall::AllocateOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return glintfall::Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return glintfall::Allocate(size);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}
