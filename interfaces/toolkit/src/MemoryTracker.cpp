#include <Orkutils/MemoryTracker.h>

#include <malloc.h>

namespace Orkutils
{

namespace
{
// A plain pointer, constant-initialised: a counter may be installed while
// the program's static objects are still being built.
MemoryTracker::AllocationCounter s_counter = nullptr;
} // namespace

MemoryTracker* MemoryTracker::getInstance()
{
    static MemoryTracker s_instance;
    return &s_instance;
}

void MemoryTracker::setAllocationCounter(AllocationCounter counter)
{
    s_counter = counter;
}

std::size_t MemoryTracker::getCurrentBytesUsed() const
{
    const struct mallinfo2 info = mallinfo2();
    // Small blocks live in the arenas, large ones are mapped one by one.
    return info.uordblks + info.hblkhd;
}

bool MemoryTracker::countsAllocations() const
{
    return s_counter != nullptr;
}

std::size_t MemoryTracker::getCurrentAllocationCount() const
{
    return s_counter ? s_counter() : 0;
}

} // namespace Orkutils
