#include <Orkutils/MemoryTracker.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace
{
// Live blocks allocated through operator new. glibc reports bytes but not
// how many blocks are in use, so the count is kept here.
std::atomic<long> s_liveBlocks{0};

void* allocate(std::size_t size)
{
    for (;;)
    {
        if (void* p = std::malloc(size ? size : 1))
        {
            s_liveBlocks.fetch_add(1, std::memory_order_relaxed);
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
    s_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}
} // namespace

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

namespace Orkutils
{

MemoryTracker* MemoryTracker::getInstance()
{
    static MemoryTracker s_instance;
    return &s_instance;
}

std::size_t MemoryTracker::getCurrentBytesUsed() const
{
    const struct mallinfo2 info = mallinfo2();
    // Small blocks live in the arenas, large ones are mapped one by one.
    return info.uordblks + info.hblkhd;
}

std::size_t MemoryTracker::getCurrentAllocationCount() const
{
    const long live = s_liveBlocks.load(std::memory_order_relaxed);
    return live > 0 ? static_cast<std::size_t>(live) : 0;
}

} // namespace Orkutils
