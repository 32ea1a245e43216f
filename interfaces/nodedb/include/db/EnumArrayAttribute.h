#pragma once

#include <db/ArrayAttribute.h>
#include <db/Export.h>

#include <db/EnumAttributeDef.h>
#include <vector>

namespace db {

/// A growable array of enum values of one EnumAttributeDef. Elements are clamped to the definition's limits.
class DBUI_NODEDB_EXPORT EnumArrayAttribute : public ArrayAttribute
{
public:
    /// A detached, empty array.
    explicit EnumArrayAttribute(AttributeDef& def);

    unsigned int getSize() const override { return static_cast<unsigned int>(m_values.size()); }
    /// The element at `index`, which must be below getSize().
    int getElement(unsigned int index) const { return m_values[index]; }
    /// Every element, in order.
    const std::vector<int>& getValues() const { return m_values; }
    /// The enum definition (its names and values).
    const EnumAttributeDef& getEnumDef() const;

    /// Appends at the end.
    void add(int value);
    /// Inserts before `index` (at the end when `index` is the size); false when out of range.
    bool insert(unsigned int index, int value);
    /// Replaces one element; false when out of range.
    bool setElement(unsigned int index, int value);
    /// Replaces the whole array.
    void setValues(const std::vector<int>& values);
    /// Replaces the whole array, taking the elements over.
    void setValues(std::vector<int>&& values);

    bool removeElement(unsigned int index) override;
    void addDefault() override;
    void clear() override;
    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;
    void replayElement(detail::ElementOp op, unsigned int index, detail::ValueSlot& slot) override;

private:
    std::vector<int> m_values;
};

} // namespace db
