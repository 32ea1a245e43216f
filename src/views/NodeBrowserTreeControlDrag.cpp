// Dragging nodes in the browser tree: where they may land, and the move or copy.

#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>

#include <wx/utils.h>

#include <algorithm>

namespace dbui
{

namespace
{

/// The first node of `nodes` that `container` does not take, or null.
const db::Node* firstRefused(const db::NodeContainer& container, const std::vector<db::Node*>& nodes)
{
    for (const db::Node* node : nodes)
        if (!container.getContainerDef().accepts(node->getNodeDef()))
            return node;
    return nullptr;
}

wxString refusalOf(const db::NodeContainer& container, const db::Node& refused)
{
    return wxString::Format("%s does not hold %s nodes", wxString(container.getName()), wxString(refused.getClassID()));
}

/// The inspector taking drops under the dragged rows, when they have left
/// `tree` for one; null while they are over the tree or anything else.
NodeInspector* inspectorUnder(const wxWindow& tree, const wxUtils::TreeEvent& event, wxPoint& screenPoint)
{
    if (tree.GetClientRect().Contains(event.GetPoint()))
        return nullptr;
    screenPoint = tree.ClientToScreen(event.GetPoint());
    for (wxWindow* window = wxFindWindowAtPoint(screenPoint); window; window = window->GetParent())
        if (auto* inspector = dynamic_cast<NodeInspector*>(window))
            return inspector->getOptions() & NodeInspector::PointerDrops ? inspector : nullptr;
    return nullptr;
}

} // namespace

void NodeBrowserTreeControl::onBeginDrag(wxUtils::TreeEvent& event)
{
    // The database itself cannot move.
    for (const db::Node* node : getSelectedNodesWithoutChildren())
        if (!node->getParentAttribute())
            event.Veto();
}

void NodeBrowserTreeControl::onDragOver(wxUtils::TreeEvent& event)
{
    wxPoint screenPoint;
    if (NodeInspector* inspector = inspectorUnder(*this, event, screenPoint))
    {
        const wxString refusal = inspector->getDropRefusal(screenPoint, getSelectedNodesWithoutChildren());
        if (!refusal.empty())
        {
            event.Veto();
            event.SetLabel(refusal);
        }
        return;
    }
    const DropTarget target = findDropTarget(event, getSelectedNodesWithoutChildren());
    if (target.refusal.empty())
        return;
    event.Veto();
    event.SetLabel(target.refusal);
}

void NodeBrowserTreeControl::onEndDrag(wxUtils::TreeEvent& event)
{
    const std::vector<db::Node*> nodes = getSelectedNodesWithoutChildren();
    wxPoint screenPoint;
    if (NodeInspector* inspector = inspectorUnder(*this, event, screenPoint))
    {
        inspector->dropNodes(screenPoint, nodes);
        return;
    }
    const DropTarget target = findDropTarget(event, nodes);
    if (target.refusal.empty())
        dropNodes(target, nodes, event.IsCopy());
}

NodeBrowserTreeControl::DropTarget NodeBrowserTreeControl::findDropTarget(const wxUtils::TreeEvent& event,
                                                                          const std::vector<db::Node*>& nodes) const
{
    DropTarget target;
    db::Node* node = getNodeOfItem(event.GetItem());
    if (!node || nodes.empty())
    {
        target.refusal = "Nothing to drop";
        return target;
    }
    if (event.GetDropPosition() == wxUtils::TreeEvent::DropInto)
    {
        // The first container that takes every dragged node; else the first one's refusal explains.
        for (unsigned int i = 0; i < node->getAttributeCount() && !target.container; ++i)
        {
            db::NodeContainer* container = node->getAttribute(i)->asNodeContainer();
            if (!container)
                continue;
            if (const db::Node* refused = firstRefused(*container, nodes))
            {
                if (target.refusal.empty())
                    target.refusal = refusalOf(*container, *refused);
            }
            else
                target.container = container;
        }
        if (!target.container && target.refusal.empty())
            target.refusal = wxString::Format("%s holds no nodes", wxString(node->getName()));
    }
    else
    {
        target.container = node->getParentAttribute() ? node->getParentAttribute()->asNodeContainer() : nullptr;
        target.before = event.GetDropPosition() == wxUtils::TreeEvent::DropBefore ? node : node->getNext();
        if (!target.container)
            target.refusal = "Nodes go into containers only";
        else if (const db::Node* refused = firstRefused(*target.container, nodes))
            target.refusal = refusalOf(*target.container, *refused);
    }
    if (!target.refusal.empty())
    {
        target.container = nullptr;
        return target;
    }
    if (!event.IsCopy())
        for (const db::Node* dragged : nodes)
            if (target.container->getParentNode() == dragged || target.container->isDescendantOf(dragged))
            {
                target.refusal = "A node cannot go into itself";
                target.container = nullptr;
                break;
            }
    return target;
}

void NodeBrowserTreeControl::dropNodes(const DropTarget& target, const std::vector<db::Node*>& nodes, bool copy)
{
    wxBusyCursor busy;
    const bool several = nodes.size() > 1;
    const wchar_t* description =
        copy ? (several ? L"Copy nodes" : L"Copy node") : (several ? L"Move nodes" : L"Move node");
    // The nodes land in a row before `before`; a moved node cannot mark the place.
    db::Node* before = target.before;
    while (before && !copy && std::find(nodes.begin(), nodes.end(), before) != nodes.end())
        before = before->getNext();

    std::vector<db::Node*> landed;
    {
        db::ChangeBlock block(getDatabase(), description);
        for (db::Node* node : nodes)
        {
            db::Node* moving = copy ? node->makeCopy(db::EmptyString()) : node;
            const unsigned int index = before ? before->getIndex() : target.container->getNodeCount();
            if (moving && target.container->insert(index, moving))
                landed.push_back(moving);
            else if (copy)
                delete moving;
        }
    }
    // The block has ended: the items of the landed nodes are there now.
    selectNodes(landed);
}

} // namespace dbui
