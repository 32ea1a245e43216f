#pragma once

#include <db/ArrayAttribute.h>
#include <db/Export.h>

#include <type_traits>
#include <vector>

namespace db
{

/// The body shared by the arrays of plain values (`IntArrayAttribute`,
/// `StringArrayAttribute`, ...): each is this template for its type and element,
/// with what its type adds besides. Elements are bounded and defaulted as single
/// values of their type are. Instantiated in the library for those types only.
template <AttributeType Type, class T> class DBUI_NODEDB_EXPORT ValueArrayAttribute : public ArrayAttribute
{
public:
    /// Numbers and truth values go in and out by value, the rest by reference.
    using Param = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;

    /// The number of elements.
    unsigned int getSize() const override { return static_cast<unsigned int>(m_values.size()); }
    /// The element at `index`, which must be below getSize().
    Param getElement(unsigned int index) const { return m_values[index]; }
    /// Every element, in order.
    const std::vector<T>& getValues() const { return m_values; }

    /// Appends at the end.
    void add(Param value);
    /// Inserts before `index` (at the end when `index` is the size); false when out of range.
    bool insert(unsigned int index, Param value);
    /// Replaces one element; false when out of range.
    bool setElement(unsigned int index, Param value);
    /// Replaces the whole array.
    void setValues(const std::vector<T>& values);
    /// Replaces the whole array, taking the elements over.
    void setValues(std::vector<T>&& values);

    /// Removes the element at `index`; false when out of range.
    bool removeElement(unsigned int index) override;
    /// Appends an element holding the definition's default.
    void addDefault() override;
    /// Removes every element.
    void clear() override;
    /// True when `other` is of the same type and holds equal elements in the same order.
    bool hasSameValue(const Attribute& other) const override;
    /// Sets the elements from `other` of the same type; false on a type mismatch.
    bool copyValueFrom(const Attribute& other) override;

protected:
    /// A detached, empty array.
    explicit ValueArrayAttribute(AttributeDef& def) : ArrayAttribute(def) {}

    /// Exchanges the elements with a snapshot slot (undo and redo).
    void exchangeValue(detail::ValueSlot& slot) override;
    /// Stores the elements in a snapshot slot.
    void saveValue(detail::ValueSlot& slot) const override;
    /// Makes or replays one element edit (see ArrayAttribute::replayElement).
    void replayElement(detail::ElementOp op, unsigned int index, detail::ValueSlot& slot) override;

private:
    std::vector<T> m_values;
};

} // namespace db
