#pragma once

#include <db/Attribute.h>
#include <db/Export.h>

#include <cstdint>

namespace db
{

namespace detail
{
enum class ElementOp : std::uint8_t;
} // namespace detail

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

    /// Makes or replays one element edit (undo and redo keep edits of single
    /// elements as such): inserts the slot's element before `index`, leaving
    /// the slot empty; erases the element at `index` into the slot; or
    /// exchanges the element at `index` with the slot's.
    virtual void replayElement(detail::ElementOp op, unsigned int index, detail::ValueSlot& slot) = 0;

private:
    friend class detail::Editor;
};

} // namespace db
