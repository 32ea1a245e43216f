#pragma once

#include <cstddef>
#include <cstdint>

namespace wxUtils
{
namespace detail
{

/// Memory for many objects of one small size: slots cut from 64 KiB slabs,
/// without the general heap's header and rounding per object (16 bytes on a
/// 32-byte object). A slab goes back to the heap once it is empty, except
/// one kept for the next allocation. User-interface thread only.
class SlotPool
{
public:
    explicit SlotPool(std::size_t slotSize);
    SlotPool(const SlotPool&) = delete;
    SlotPool& operator=(const SlotPool&) = delete;

    std::size_t slotSize() const { return m_slotSize; }
    void* allocate();
    void release(void* slot);

private:
    struct Slab;

    Slab* takeSlab();
    void link(Slab* slab);
    void unlink(Slab* slab);
    char* slotAt(Slab* slab, std::size_t index) const;
    static Slab* slabOf(void* slot);

    std::size_t m_slotSize;
    std::size_t m_firstSlot;
    std::uint32_t m_slotsPerSlab;
    // Slabs with free slots, the one that last got a slot back first, so
    // that holes are filled before fresh slabs are touched.
    Slab* m_open = nullptr;
    Slab* m_spare = nullptr;
};

} // namespace detail
} // namespace wxUtils
