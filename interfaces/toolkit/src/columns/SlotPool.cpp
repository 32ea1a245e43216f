#include "SlotPool.h"

#include <wx/debug.h>

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
// Free slots are poisoned, so that reading an object after its deletion is
// still caught although its memory stays with the pool.
#define DBUI_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define DBUI_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define DBUI_POISON(p, n) ((void)(p), (void)(n))
#define DBUI_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace wxUtils
{
namespace detail
{

namespace
{
// Slabs are aligned to their size: a slot finds its slab by masking its address.
constexpr std::size_t s_slabBytes = 64 * 1024;
} // namespace

struct SlotPool::Slab
{
    Slab* previous = nullptr;
    Slab* next = nullptr;
    void* freeSlots = nullptr;
    std::uint32_t live = 0;
    // Slots from here on have never been handed out: a fresh slab needs no free list built.
    std::uint32_t untouched = 0;
};

SlotPool::SlotPool(std::size_t slotSize)
    : m_slotSize((slotSize + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t)),
      m_firstSlot((sizeof(Slab) + m_slotSize - 1) / m_slotSize * m_slotSize),
      m_slotsPerSlab(static_cast<std::uint32_t>((s_slabBytes - m_firstSlot) / m_slotSize))
{
    wxASSERT_MSG(m_slotsPerSlab > 0, "SlotPool slots must be much smaller than a slab");
}

char* SlotPool::slotAt(Slab* slab, std::size_t index) const
{
    return reinterpret_cast<char*>(slab) + m_firstSlot + index * m_slotSize;
}

SlotPool::Slab* SlotPool::slabOf(void* slot)
{
    return reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(slot) & ~(s_slabBytes - 1));
}

SlotPool::Slab* SlotPool::takeSlab()
{
    if (Slab* spare = m_spare)
    {
        m_spare = nullptr;
        return spare;
    }
    void* memory = std::aligned_alloc(s_slabBytes, s_slabBytes);
    if (!memory)
        throw std::bad_alloc();
    DBUI_POISON(memory, s_slabBytes);
    DBUI_UNPOISON(memory, sizeof(Slab));
    return new (memory) Slab;
}

void SlotPool::link(Slab* slab)
{
    slab->previous = nullptr;
    slab->next = m_open;
    if (m_open)
        m_open->previous = slab;
    m_open = slab;
}

void SlotPool::unlink(Slab* slab)
{
    (slab->previous ? slab->previous->next : m_open) = slab->next;
    if (slab->next)
        slab->next->previous = slab->previous;
    slab->previous = slab->next = nullptr;
}

void* SlotPool::allocate()
{
    if (!m_open)
        link(takeSlab());
    Slab* slab = m_open;
    void* slot = slab->freeSlots;
    if (slot)
    {
        DBUI_UNPOISON(slot, m_slotSize);
        slab->freeSlots = *static_cast<void**>(slot);
    }
    else
    {
        slot = slotAt(slab, slab->untouched++);
        DBUI_UNPOISON(slot, m_slotSize);
    }
    if (++slab->live == m_slotsPerSlab)
        unlink(slab);
    return slot;
}

void SlotPool::release(void* slot)
{
    Slab* slab = slabOf(slot);
    *static_cast<void**>(slot) = slab->freeSlots;
    slab->freeSlots = slot;
    DBUI_POISON(slot, m_slotSize);
    if (slab->live-- == m_slotsPerSlab)
        link(slab); // it was full: it has room again
    if (slab->live > 0)
        return;
    unlink(slab);
    if (m_spare)
    {
        slab->~Slab();
        DBUI_UNPOISON(slab, s_slabBytes);
        std::free(slab);
        return;
    }
    // Kept empty and fresh: a tree that shrinks and grows by one item at a
    // slab's edge must not fetch and return a slab each time.
    slab->freeSlots = nullptr;
    slab->untouched = 0;
    DBUI_POISON(slotAt(slab, 0), s_slabBytes - m_firstSlot);
    m_spare = slab;
}

} // namespace detail
} // namespace wxUtils
