#pragma once

#include <db/Export.h>

namespace db
{

class Attribute;
class Node;

/// Walks a tree of nodes and attributes. A walk started on a node visits
/// nodes only (parents before children, siblings in order) unless the visitor
/// was made with VisitAttributes; a walk started on any other attribute visits
/// attributes. Returning false from an Enter callback, or calling
/// skipChildren(true) inside it, leaves out what lies below.
class DBUI_NODEDB_EXPORT Visitor
{
public:
    /// Also visit each node's attributes (between its enter and exit).
    static constexpr int VisitAttributes = 1;

    /// `flags`: 0 or VisitAttributes.
    explicit Visitor(int flags = 0) : m_flags(flags) {}
    virtual ~Visitor() = default;

    /// Called before the nodes (and attributes) below a node; false leaves them out.
    virtual bool visitNodeEnter(Node*) { return true; }
    /// Called after everything below a node; the result is not used.
    virtual bool visitNodeExit(Node*) { return true; }
    /// Called before an attribute's members; false leaves them out.
    virtual bool visitAttributeEnter(Attribute*) { return true; }
    /// Called after an attribute's members; the result is not used.
    virtual bool visitAttributeExit(Attribute*) { return true; }

    /// Inside an Enter callback: leave out the members (or child nodes) of what was just entered.
    void skipChildren(bool skip) { m_skipChildren = skip; }
    /// The flags given at construction.
    int getFlags() const { return m_flags; }

    /// Used by the walk: reads and resets the skip request.
    bool takeSkipChildren()
    {
        const bool skip = m_skipChildren;
        m_skipChildren = false;
        return skip;
    }

private:
    int m_flags;
    bool m_skipChildren = false;
};

} // namespace db
