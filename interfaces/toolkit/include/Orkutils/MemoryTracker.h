#pragma once

#include <wxUtils/Export.h>

#include <cstddef>

namespace Orkutils
{

/// Figures of the C library's allocator for the debug displays.
class DBUI_TOOLKIT_EXPORT MemoryTracker
{
public:
    /// A function that tells how many heap blocks the program has in use.
    using AllocationCounter = std::size_t (*)();

    /// The tracker, or null where the C library gives no allocator figures.
    static MemoryTracker* getInstance();

    /// Installs the program's live-block counter; null removes it. The
    /// `dbui::live_blocks` library installs its own when a program links it.
    static void setAllocationCounter(AllocationCounter counter);

    /// Bytes currently handed out by malloc and not yet freed.
    std::size_t getCurrentBytesUsed() const;
    /// True when a live-block counter is installed. The C library keeps no
    /// count of live blocks, so without one there is no figure to show.
    bool countsAllocations() const;
    /// Heap blocks currently in use, as the installed counter says; 0 without one.
    std::size_t getCurrentAllocationCount() const;

private:
    MemoryTracker() = default;
};

} // namespace Orkutils
