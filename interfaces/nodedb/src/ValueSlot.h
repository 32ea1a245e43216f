#pragma once

#include <db/Attribute.h>

#include <OrkP/Matrix34.h>
#include <OrkP/Vector3.h>

#include <string>
#include <variant>
#include <vector>

namespace db::detail {

/// A saved value of any attribute type, for undo records and cancelled blocks.
struct ValueSlot
{
    std::variant<std::monostate, int, bool, float, double, std::wstring, OrkP::Vector3, OrkP::Matrix34, Attribute*,
                 std::vector<int>, std::vector<bool>, std::vector<float>, std::vector<double>, std::vector<std::wstring>,
                 std::vector<OrkP::Vector3>, std::vector<OrkP::Matrix34>, std::vector<Attribute*>>
        value;

    /// Heap bytes held beyond the slot itself (for the undo memory figure).
    std::size_t heapBytes() const;
};

/// Swaps `member` with the slot's value of the same type (the slot must hold one).
template <class T>
void exchangeWith(T& member, ValueSlot& slot)
{
    if (T* saved = std::get_if<T>(&slot.value))
    {
        using std::swap;
        swap(member, *saved);
    }
}

} // namespace db::detail
