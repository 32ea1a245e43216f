#pragma once

#include <db/Attribute.h>
#include <db/Export.h>

namespace db {

/// The common view of the value arrays (types 10 to 18): element count,
/// removal by position, appending a default element, emptying.
class DBUI_NODEDB_EXPORT ArrayAttribute : public Attribute
{
public:
    /// Removes the element at `index`; false when out of range.
    virtual bool removeElement(unsigned int index) = 0;
    /// Appends an element holding the definition's default.
    virtual void addDefault() = 0;
    /// Removes every element.
    virtual void clear() = 0;

protected:
    /// A detached, empty array of `def`.
    explicit ArrayAttribute(AttributeDef& def) : Attribute(def) {}
};

} // namespace db
