// The live-block counter: replaces the program's global operator new and
// delete to count the blocks in use, and installs the count as the memory
// tracker's. A program opts in by linking this library into its executable;
// the toolkit alone never replaces a host's allocation functions.
//
// It must be linked into the executable, not into a shared library: the
// executable's definitions come first in symbol look-up, ahead of the C++
// runtime's and of a sanitizer runtime's, so every library's new and delete
// reach these.

#include <Orkutils/MemoryTracker.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace
{
// Live blocks allocated through operator new. glibc reports bytes but not
// how many blocks are in use, so the count is kept here: spread over
// counters on lines of their own, each thread mostly on one, so that
// threads allocating at once (a load's workers) do not fight over one line.
// A block freed on another thread than its own makes one counter low and
// another high; only the sum means anything.
constexpr std::size_t s_counterCount = 16; // as many as the top four bits of a hash tell apart

struct alignas(64) Counter
{
    std::atomic<long> blocks{0};
};

Counter s_liveBlocks[s_counterCount];

std::atomic<long>& threadCounter() noexcept
{
    // The address of a plain thread-local tells threads apart at no cost:
    // nothing is constructed, so nothing here can allocate.
    thread_local char marker;
    // Threads' storage lies whole stack sizes apart: mix every bit in.
    const std::uint64_t mixed = reinterpret_cast<std::uintptr_t>(&marker) * 0x9E3779B97F4A7C15ull;
    return s_liveBlocks[mixed >> 60].blocks;
}

void* allocate(std::size_t size)
{
    for (;;)
    {
        if (void* p = std::malloc(size ? size : 1))
        {
            threadCounter().fetch_add(1, std::memory_order_relaxed);
            return p;
        }
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void release(void* p) noexcept
{
    if (!p)
        return;
    threadCounter().fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}

} // namespace

namespace Orkutils
{

// The library's anchor: its CMake target makes every program that links it
// ask for this function, so the linker takes this file in even where a
// sanitizer runtime already answered for operator new.
std::size_t countLiveBlocks()
{
    long live = 0;
    for (const Counter& counter : s_liveBlocks)
        live += counter.blocks.load(std::memory_order_relaxed);
    return live > 0 ? static_cast<std::size_t>(live) : 0;
}

namespace
{
[[maybe_unused]] const bool s_installed = (MemoryTracker::setAllocationCounter(&countLiveBlocks), true);
} // namespace

} // namespace Orkutils

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void operator delete(void* p) noexcept
{
    release(p);
}
void operator delete[](void* p) noexcept
{
    release(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    release(p);
}
