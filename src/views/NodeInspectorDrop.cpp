// Nodes dropped on a pointer row: the pointers of every inspected node point
// at them (a pointer array appends them), as one undo step.

#include <dbui/NodeInspector.h>

#include <dbui/CommonAttributeHolder.h>

#include <db/Attribute.h>
#include <db/AttributeDef.h>
#include <db/ChangeBlock.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>

namespace dbui
{

const CommonAttributeHolder* NodeInspector::pointerRowAt(const wxPoint& screenPoint)
{
    wxWindow* panel = getScrollPanel();
    if (!(m_options & PointerDrops) || !panel->GetScreenRect().Contains(screenPoint))
        return nullptr;
    return rowAt(panel, screenPoint);
}

wxString NodeInspector::getDropRefusal(const wxPoint& screenPoint, const std::vector<db::Node*>& nodes)
{
    const CommonAttributeHolder* row = pointerRowAt(screenPoint);
    if (!row)
        return "Drop nodes on a pointer row";
    db::Attribute& first = *row->m_attributes.front();
    const wxString name(first.getName());
    const bool array = first.asPointerArrayAttribute() != nullptr;
    if (!first.asPointerAttribute() && !array)
        return name + " is not a pointer";
    if (nodes.empty())
        return "Nothing to drop";
    if (!array && nodes.size() > 1)
        return name + " points at one node";
    const db::NodeDef* target = first.getDef().getTargetDef();
    for (const db::Node* node : nodes)
    {
        if (node->getDatabase() != first.getDatabase())
            return wxString(node->getName()) + " is in another database";
        if (target && !node->getNodeDef().isKindOf(target))
            return wxString::Format("%s points at %s nodes, not %s", name, wxString(target->getName()),
                                    wxString(node->getClassID()));
    }
    return wxString();
}

bool NodeInspector::dropNodes(const wxPoint& screenPoint, const std::vector<db::Node*>& nodes)
{
    if (!getDropRefusal(screenPoint, nodes).empty())
        return false;
    // Copied: the edit's report rebuilds the rows, and `row` with them.
    const std::vector<db::Attribute*> pointers = pointerRowAt(screenPoint)->m_attributes;
    db::ChangeBlock block(pointers.front()->getDatabase(), L"Point at node(s)");
    for (db::Attribute* attribute : pointers)
    {
        if (db::PointerAttribute* pointer = attribute->asPointerAttribute())
            pointer->setValue(nodes.front());
        else
            for (db::Node* node : nodes)
                attribute->asPointerArrayAttribute()->add(node);
    }
    return true;
}

} // namespace dbui
