#pragma once

#include <db/ArrayAttribute.h>
#include <db/Export.h>

#include <vector>

namespace db
{

/// A growable array of references to other attributes (null entries allowed).
/// Entries whose target is destroyed for good become null.
class DBUI_NODEDB_EXPORT PointerArrayAttribute : public ArrayAttribute
{
public:
    /// A detached, empty array.
    explicit PointerArrayAttribute(AttributeDef& def);
    ~PointerArrayAttribute() override;

    unsigned int getSize() const override { return static_cast<unsigned int>(m_values.size()); }
    /// The element at `index`, which must be below getSize().
    Attribute* getElement(unsigned int index) const { return m_values[index]; }
    /// Every element, in order.
    const std::vector<Attribute*>& getValues() const { return m_values; }

    /// Appends a reference to `target` (null for an empty entry); the target is not owned.
    void add(Attribute* target);
    /// Inserts before `index` (at the end when `index` is the size); false when out of range.
    bool insert(unsigned int index, Attribute* target);
    /// Replaces one element; false when out of range.
    bool setElement(unsigned int index, Attribute* target);
    /// Replaces the whole array.
    void setValues(const std::vector<Attribute*>& values);

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
    friend class detail::Editor;
    void assign(std::vector<Attribute*> values);

    std::vector<Attribute*> m_values;
};

} // namespace db
