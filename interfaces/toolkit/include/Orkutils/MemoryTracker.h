#pragma once

#include <wxUtils/Export.h>

#include <cstddef>

namespace Orkutils
{

/// Figures of the C library's allocator for the debug displays.
class DBUI_TOOLKIT_EXPORT MemoryTracker
{
public:
    /// The tracker, or null where the C library gives no allocator figures.
    static MemoryTracker* getInstance();

    /// Bytes currently handed out by malloc and not yet freed.
    std::size_t getCurrentBytesUsed() const;
    /// Heap blocks currently in use. The C library keeps no count of live
    /// blocks, so this counts the program's operator new and delete calls.
    std::size_t getCurrentAllocationCount() const;

private:
    MemoryTracker() = default;
};

} // namespace Orkutils
