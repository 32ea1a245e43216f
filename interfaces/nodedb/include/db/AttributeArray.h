#pragma once

#include <db/CompositeAttribute.h>
#include <db/Export.h>

namespace db
{

class AttributeArrayDef;

/// An array whose elements are composite attributes built from the element
/// definition (type 20). The same object serves as the composite of its elements.
class DBUI_NODEDB_EXPORT AttributeArray : public CompositeAttribute
{
public:
    /// A detached, empty array; `def` must be an AttributeArrayDef.
    explicit AttributeArray(AttributeDef& def);

    /// Appends a new element and returns it: a copy of the last element when
    /// `copyLast` is true and there is one, otherwise one holding the defaults.
    CompositeAttribute* add(bool copyLast = false);
    /// The element at `index`, or null when out of range.
    CompositeAttribute* getElement(unsigned int index) const;
    /// Removes the element at `index`; false when out of range.
    bool removeElement(unsigned int index);
    /// The array's definition, which holds the elements' one.
    const AttributeArrayDef& getArrayDef() const;

protected:
    bool accepts(const Attribute& child) const override;
};

} // namespace db
