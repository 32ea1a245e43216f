#pragma once

#include <db/ArrayAttribute.h>
#include <db/Export.h>

#include <vector>

namespace db {

/// A growable array of references to other attributes (null entries allowed).
/// Entries whose target is destroyed for good become null.
class DBUI_NODEDB_EXPORT PointerArrayAttribute : public ArrayAttribute
{
public:
    explicit PointerArrayAttribute(AttributeDef& def);
    ~PointerArrayAttribute() override;

    unsigned int getSize() const override { return static_cast<unsigned int>(m_values.size()); }
    Attribute* getElement(unsigned int index) const { return m_values[index]; }
    const std::vector<Attribute*>& getValues() const { return m_values; }

    void add(Attribute* target);
    bool insert(unsigned int index, Attribute* target);
    bool setElement(unsigned int index, Attribute* target);
    void setValues(const std::vector<Attribute*>& values);

    bool removeElement(unsigned int index) override;
    void addDefault() override;
    void clear() override;
    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    friend class detail::Editor;
    void assign(std::vector<Attribute*> values);

    std::vector<Attribute*> m_values;
};

} // namespace db
