#pragma once

// Helpers for the open-addressed hash tables of the loaders and savers:
// linear probing over a power of two of slots, at most half of them in use.
// Each table keeps its own slots; these grow them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace db::files
{

/// Hashes an address, for tables keyed by objects.
inline std::size_t hashOfAddress(const void* key)
{
    return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(key) >> 4) * 0x9E3779B97F4A7C15ull);
}

/// The used slots of `slots` in a new table of `size` slots: `used` tells a
/// used slot from a free one, `hashOf` gives a used slot's hash.
template <typename Slot, typename Used, typename HashOf>
std::vector<Slot> regrown(const std::vector<Slot>& slots, std::size_t size, Used used, HashOf hashOf)
{
    std::vector<Slot> grown(size);
    const std::size_t mask = size - 1;
    for (const Slot& slot : slots)
    {
        if (!used(slot))
            continue;
        std::size_t index = hashOf(slot) & mask;
        while (used(grown[index]))
            index = (index + 1) & mask;
        grown[index] = slot;
    }
    return grown;
}

/// regrown for a table keyed by addresses: `keyOf` gives a slot's key, null
/// for a free slot.
template <typename Slot, typename KeyOf>
std::vector<Slot> regrown(const std::vector<Slot>& slots, std::size_t size, KeyOf keyOf)
{
    return regrown(
        slots, size, [&keyOf](const Slot& slot) { return keyOf(slot) != nullptr; },
        [&keyOf](const Slot& slot) { return hashOfAddress(keyOf(slot)); });
}

} // namespace db::files
