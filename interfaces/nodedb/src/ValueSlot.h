#pragma once

#include <db/Attribute.h>

#include <OrkP/Matrix34.h>
#include <OrkP/Vector3.h>

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace db::detail
{

/// A saved value of any attribute type, for undo records and cancelled blocks.
struct ValueSlot
{
    std::variant<std::monostate, int, bool, float, double, std::wstring, OrkP::Vector3, OrkP::Matrix34, Attribute*,
                 std::vector<int>, std::vector<bool>, std::vector<float>, std::vector<double>,
                 std::vector<std::wstring>, std::vector<OrkP::Vector3>, std::vector<OrkP::Matrix34>,
                 std::vector<Attribute*>>
        value;

    /// Heap bytes held beyond the slot itself (for the undo memory figure).
    std::size_t heapBytes() const;
};

/// A slot holding `value`.
template <class T> ValueSlot slotOf(T value)
{
    ValueSlot slot;
    slot.value.template emplace<T>(std::move(value));
    return slot;
}

/// One element edit of an array, as made; undone, Insert and Erase trade places.
enum class ElementOp : std::uint8_t
{
    Insert,
    Erase,
    Exchange,
};

inline ElementOp inverse(ElementOp op)
{
    return op == ElementOp::Insert ? ElementOp::Erase : op == ElementOp::Erase ? ElementOp::Insert : op;
}

/// Applies an element edit to `values`; the slot holds the element that is
/// out of the array before and after (empty when there is none).
template <class T> void replayElement(std::vector<T>& values, ElementOp op, unsigned int index, ValueSlot& slot)
{
    switch (op)
    {
    case ElementOp::Insert:
        values.insert(values.begin() + index, std::move(std::get<T>(slot.value)));
        slot.value = std::monostate{};
        break;
    case ElementOp::Erase:
        slot.value.template emplace<T>(std::move(values[index]));
        values.erase(values.begin() + index);
        break;
    case ElementOp::Exchange:
    {
        T current = std::move(values[index]);
        values[index] = std::move(std::get<T>(slot.value));
        std::get<T>(slot.value) = std::move(current);
        break;
    }
    }
}

/// Swaps `member` with the slot's value of the same type (the slot must hold one).
template <class T> void exchangeWith(T& member, ValueSlot& slot)
{
    if (T* saved = std::get_if<T>(&slot.value))
    {
        using std::swap;
        swap(member, *saved);
    }
}

} // namespace db::detail
