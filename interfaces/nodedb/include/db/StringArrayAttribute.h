#pragma once

#include <db/ArrayAttribute.h>
#include <db/Export.h>
#include <string>
#include <vector>

namespace db {

/// A growable array of texts.
class DBUI_NODEDB_EXPORT StringArrayAttribute : public ArrayAttribute
{
public:
    /// A detached, empty array.
    explicit StringArrayAttribute(AttributeDef& def);

    unsigned int getSize() const override { return static_cast<unsigned int>(m_values.size()); }
    /// The element at `index`, which must be below getSize().
    const std::wstring& getElement(unsigned int index) const { return m_values[index]; }
    /// Every element, in order.
    const std::vector<std::wstring>& getValues() const { return m_values; }

    /// Appends at the end.
    void add(const std::wstring& value);
    /// Inserts before `index` (at the end when `index` is the size); false when out of range.
    bool insert(unsigned int index, const std::wstring& value);
    /// Replaces one element; false when out of range.
    bool setElement(unsigned int index, const std::wstring& value);
    /// Replaces the whole array.
    void setValues(const std::vector<std::wstring>& values);
    /// Replaces the whole array, taking the elements over.
    void setValues(std::vector<std::wstring>&& values);

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
    std::vector<std::wstring> m_values;
};

} // namespace db
