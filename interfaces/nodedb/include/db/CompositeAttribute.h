#pragma once

#include <db/Attribute.h>
#include <db/ChildList.h>
#include <db/Export.h>

#include <string>
#include <vector>

namespace db
{

/// An attribute made of child attributes: compound attributes (type 21) and,
/// through subclasses, nodes, attribute arrays and node containers. Owns its children.
class DBUI_NODEDB_EXPORT CompositeAttribute : public Attribute
{
public:
    /// A detached compound built from `def` (members created with their defaults).
    explicit CompositeAttribute(AttributeDef& def);
    ~CompositeAttribute() override;

    /// How many children it holds: members, dynamic attributes, nodes or elements.
    unsigned int getAttributeCount() const { return static_cast<unsigned int>(m_children.size()); }
    /// The child at `index`, which must be below getAttributeCount().
    Attribute* getAttribute(unsigned int index) const { return m_children[index]; }
    /// The child of that name, or null. Constant time for schema members.
    virtual Attribute* findAttribute(const std::wstring& name) const;
    unsigned int getSize() const override { return getAttributeCount(); }

    /// Appends a child. A detached child becomes owned by this composite; an
    /// attached node is moved here. False when this composite does not take
    /// such children (then a detached child stays the caller's).
    bool addAttribute(Attribute* child);
    /// Inserts a child before `index` (at the end when `index` is the count).
    virtual bool insertAttribute(unsigned int index, Attribute* child);
    /// Takes a child out (it stays alive while an undo step can bring it back).
    /// False for members that the definition fixes.
    virtual bool removeAttribute(Attribute* child);
    /// For a child reported removed from this composite, the position it had; -1 otherwise.
    int getOldAttributeIndex(const Attribute* child) const;

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;
    void accept(Visitor* visitor) override;

protected:
    /// For subclasses that build their own children.
    struct NoMembers
    {
    };
    /// A detached composite of `def` without children.
    CompositeAttribute(AttributeDef& def, NoMembers);
    /// Creates the members of a compound definition as children.
    void createMembers(const CompoundAttributeDef& def);
    /// Whether `child` may be inserted here (type checks of the subclass).
    virtual bool accepts(const Attribute& child) const;

private:
    friend class Attribute;
    friend class Node;
    friend class Database;
    friend class detail::Editor;

    detail::ChildList m_children;
};

} // namespace db
