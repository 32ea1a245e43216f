#pragma once

#include <db/CompoundAttributeDef.h>
#include <db/Export.h>

#include <memory>

namespace db
{

/// Definition of an attribute array: a growable list of composite elements,
/// each built from the element definition.
class DBUI_NODEDB_EXPORT AttributeArrayDef : public AttributeDef
{
public:
    /// `element` describes every element (owned).
    AttributeArrayDef(const std::wstring& name, std::unique_ptr<CompoundAttributeDef> element);
    ~AttributeArrayDef() override;

    /// The definition every element is built from.
    CompoundAttributeDef& getElementDef() const { return *m_element; }

    AttributeArrayDef* asAttributeArrayDef() override { return this; }
    const AttributeArrayDef* asAttributeArrayDef() const override { return this; }
    bool canHoldNodes() const override { return m_element->canHoldNodes(); }
    AttributeDef* makeCopy() const override;

private:
    std::unique_ptr<CompoundAttributeDef> m_element;
};

} // namespace db
