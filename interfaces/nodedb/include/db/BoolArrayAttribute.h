#pragma once

#include <db/ArrayAttribute.h>
#include <db/Export.h>

#include <vector>

namespace db {

/// A growable array of truth values.
class DBUI_NODEDB_EXPORT BoolArrayAttribute : public ArrayAttribute
{
public:
    /// A detached, empty array.
    explicit BoolArrayAttribute(AttributeDef& def);

    unsigned int getSize() const override { return static_cast<unsigned int>(m_values.size()); }
    /// The element at `index`, which must be below getSize().
    bool getElement(unsigned int index) const { return m_values[index]; }
    /// Every element, in order.
    const std::vector<bool>& getValues() const { return m_values; }

    /// Appends at the end.
    void add(bool value);
    /// Inserts before `index` (at the end when `index` is the size); false when out of range.
    bool insert(unsigned int index, bool value);
    /// Replaces one element; false when out of range.
    bool setElement(unsigned int index, bool value);
    /// Replaces the whole array.
    void setValues(const std::vector<bool>& values);

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
    std::vector<bool> m_values;
};

} // namespace db
