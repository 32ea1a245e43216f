#include <dbui/NodeInspector.h>

#include "InspectorHeader.h"
#include "widgets/WidgetDispatcher.h"

#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetFactory.h>
#include <dbui/CommonAttributeHolder.h>

#include <db/AttributeDef.h>
#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/PanelBuilder.h>
#include <wxUtils/WindowFreezer.h>
#include <wxUtils/WindowUtils.h>

#include <wx/sizer.h>

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace dbui
{

NodeInspector::NodeInspector() : m_widgetDispatcher(std::make_unique<WidgetDispatcher>(*this))
{
    for (int& id : m_rowCommandIds)
        id = wxWindow::NewControlId();
}

NodeInspector::NodeInspector(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                             const wxString& name)
    : NodeInspector()
{
    Create(parent, id, pos, size, style, name);
}

NodeInspector::~NodeInspector()
{
    if (m_header)
        m_header->ensureChangesApplied();
    setDatabase(nullptr);
    clear();
    for (int id : m_rowCommandIds)
        wxWindow::UnreserveControlId(id);
}

bool NodeInspector::Create(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                           const wxString& name)
{
    if (!OrkScrollWindow::Create(parent, id, pos, size, style, name))
        return false;
    // Native labels take no clicks of their own: a right click on one reaches
    // the panel beneath it.
    getScrollPanel()->Connect(wxEVT_CONTEXT_MENU, wxContextMenuEventHandler(NodeInspector::onContextMenu), nullptr,
                              this);
    for (int id : m_rowCommandIds)
        Connect(id, wxEVT_COMMAND_MENU_SELECTED, wxCommandEventHandler(NodeInspector::handleRowCommand));
    Connect(wxEVT_CHAR_HOOK, wxKeyEventHandler(NodeInspector::onCharHook));
    Bind(EVT_ATTRIBUTE_INPUT_REFUSED,
         [this](wxCommandEvent& event)
         {
             m_typingRefused = true;
             event.Skip();
         });
    return true;
}

void NodeInspector::setDatabase(db::Database* database)
{
    if (database == m_database)
        return;
    // Nodes of another database have nothing to stay locked on.
    m_locked = false;
    if (m_header)
        m_header->showLocked(false);
    if (m_database)
        m_database->getObservers().remove(this, ObserverMode::Immediate);
    m_database = database;
    m_keptTyping.clear();
    if (m_database)
        m_database->getObservers().add(this, ObserverMode::Deferred);
    setNodes({});
}

void NodeInspector::onDatabaseDestroyed(db::Database* database)
{
    if (database == m_database)
        setDatabase(nullptr);
}

void NodeInspector::setNodes(const std::vector<db::Node*>& nodes)
{
    if (m_locked)
    {
        m_followedNodes = nodes;
        return;
    }
    m_nodes = nodes;
    rebuild();
}

void NodeInspector::clear()
{
    wxWindow* panel = getScrollPanel();
    // Rows go when the selection moves, nodes come or go, or the window
    // closes, often while the user is still typing in one of them.
    wxUtils::FocusReliantWindow::ensureChangesAppliedWithin(panel);
    keepRefusedTyping();
    for (CommonAttributeHolder* holder : m_holders)
        delete holder;
    m_holders.clear();
    m_modifiedRows.clear();
    m_markedNodes.clear();
    m_menuRow = nullptr;
    if (wxSizer* sizer = panel->GetSizer())
    {
        // A row may be inside one of its own handlers: the edit it makes (an
        // attribute array's Add, Enter in a box) can be what rebuilds the
        // inspector. Rows leave the scrolling panel at once, since GTK
        // complains of hidden windows in a panel that scrolls, and go once
        // the event is over.
        for (wxSizerItem* item : sizer->GetChildren())
        {
            if (wxWindow* window = item->GetWindow())
            {
                window->Reparent(this);
                wxUtils::destroyWhenIdle(window);
            }
        }
        panel->SetSizer(nullptr, true);
    }
}

// ---------------------------------------------------------------------------
// Finding what the inspected nodes share
// ---------------------------------------------------------------------------

void NodeInspector::findCommonality()
{
    if (m_nodes.empty() || !m_nodes.front())
        return;
    db::Node* first = m_nodes.front();
    for (unsigned int i = 0; i < first->getAttributeCount(); ++i)
    {
        CommonAttributeHolder holder;
        if (fillCommonAttributeHolder(first->getAttribute(i), holder))
            m_holders.push_back(new CommonAttributeHolder(std::move(holder)));
    }
}

bool NodeInspector::fillCommonAttributeHolder(db::Attribute* attribute, CommonAttributeHolder& holder) const
{
    // A node type's own attributes sit at the same place in every node of the
    // type, of the same type: looked up by name and checked once per run of
    // nodes of one type, not per node. A selection may hold 200,000 nodes.
    const std::wstring& name = attribute->getName();
    const db::AttributeDef* lastDef = nullptr;
    int index = -1;
    bool sameType = false;
    holder.m_attributes.reserve(m_nodes.size());
    for (db::Node* node : m_nodes)
    {
        const db::AttributeDef* def = &node->getDef();
        db::Attribute* like = nullptr;
        if (def == lastDef && index >= 0)
            like = node->getAttribute(static_cast<unsigned int>(index));
        else
        {
            if (def != lastDef)
                index = node->getNodeDef().findAttributeIndex(name);
            lastDef = def;
            like = index >= 0 ? node->getAttribute(static_cast<unsigned int>(index)) : node->findAttribute(name);
            sameType = like && like->getAttributeType() == attribute->getAttributeType();
        }
        if (!sameType)
            return false;
        // Asked once, at the second node: the answer is the attribute's.
        if (holder.m_attributes.size() == 1 && !canMultiSelect(attribute))
            return false;
        holder.m_attributes.push_back(like);
    }
    return true;
}

bool NodeInspector::canMultiSelect(db::Attribute* attribute) const
{
    // Containers hold whole subtrees, compounds are shown member by member and
    // attribute arrays differ in length from node to node: none of them has a
    // single value a shared widget could show.
    return !attribute->isNodeContainer() && !attribute->isCompound() && !attribute->isAttributeArray();
}

// ---------------------------------------------------------------------------
// Building the rows
// ---------------------------------------------------------------------------

void NodeInspector::rebuild()
{
    wxUtils::WindowFreezer freezer(this);
    clear();
    m_rowNodes = m_nodes;
    findCommonality();
    if (m_options & PinnedRows)
        orderPinnedRows();
    if (m_options & MarkModifiedRows)
        findModifiedRows();

    wxUtils::PanelBuilder builder(this, 2);
    builder.beginFlexGridSizer(0, 2, 0, 0, 12, 1);
    builder.columnExpands(1, 0);
    for (const CommonAttributeHolder* holder : m_holders)
        addRow(builder, *holder);
    builder.endSizer();
    restoreRefusedTyping();
    applyViewOptions();
    updateScrollArea();
}

namespace
{

/// Gives a number row room for the longest text its box prints, with the
/// box's padding and its spin button.
void widenNumberBox(AttributeWidget& widget, db::AttributeType type)
{
    if (type != db::Int && type != db::Float && type != db::Double)
        return;
    const int wide = widget.GetTextExtent("-1.23457e-38").x + widget.FromDIP(48);
    widget.SetMinSize(wxSize(std::max(widget.GetMinSize().x, wide), widget.GetMinSize().y));
}

/// The most derived type that every node of the row is of: a host's widget
/// registered for lights serves a row of lights, also of kinds of light.
const db::NodeDef* sharedNodeType(const std::vector<db::Attribute*>& attributes)
{
    const db::Node* first = attributes.front()->getOwnerNode();
    const db::NodeDef* shared = first ? &first->getNodeDef() : nullptr;
    for (const db::Attribute* attribute : attributes)
    {
        const db::Node* node = attribute->getOwnerNode();
        while (shared && !(node && node->getNodeDef().isKindOf(shared)))
            shared = shared->getBaseDef();
    }
    return shared;
}

} // namespace

void NodeInspector::addRow(wxUtils::PanelBuilder& builder, const CommonAttributeHolder& holder)
{
    db::AttributeDef& def = holder.getDef();
    if (def.getAttributeType() == db::NodeContainerType)
        return;
    addRowLabel(builder, holder);
    // Made in the panel that lays it out: made elsewhere and moved, it would sit
    // hidden in the scrolling area for a moment, and GTK complains of any
    // scroll that comes then.
    AttributeWidget* widget = makeAttributeWidget(def, getScrollPanel(), sharedNodeType(holder.m_attributes));
    if (!widget)
    {
        // Keeps the grid in label and widget pairs.
        builder.addStretchSpacer(1);
        return;
    }
    widget->setAttributes(holder.m_attributes);
    if (m_options & WideNumberBoxes)
        widenNumberBox(*widget, def.getAttributeType());
    if (m_options & ArithmeticInput)
        widget->setInputOptions(AttributeWidget::ArithmeticInput);
    builder.addWindow(widget, 0, widget->GetMinSize().x == -1 ? wxEXPAND : 0);
}

// ---------------------------------------------------------------------------
// Following the database
// ---------------------------------------------------------------------------

void NodeInspector::onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool)
{
    const std::vector<const db::Node*> gone = removedNodesHeldHere(changes);
    const bool removed = dropRemovedNodes(gone);
    if (removed || touchesInspectedNodes(changes))
        rebuild();
    else
    {
        if (m_header)
            m_header->followChanges(changes);
        if (m_options & MarkModifiedRows)
            followModifiedRows(changes);
    }
    // After the rebuild, which keeps what the rows of a removed node held.
    forgetTypingOfRemovedNodes(gone);
}

std::vector<const db::Node*> NodeInspector::removedNodesHeldHere(const db::ChangeSet& changes) const
{
    const std::vector<db::Node*>& removed = changes.RemovedNodes();
    if (m_nodes.empty() && m_followedNodes.empty() && m_keptTyping.empty())
        return {};
    // Both lists may hold hundreds of thousands of nodes (everything
    // selected, then deleted): the removed ones are sorted once and each
    // node held here is looked for among them.
    std::vector<const db::Node*> gone(removed.begin(), removed.end());
    std::sort(gone.begin(), gone.end());
    return gone;
}

bool NodeInspector::dropRemovedNodes(const std::vector<const db::Node*>& gone)
{
    if (gone.empty())
        return false;
    const auto isGone = [&gone](const db::Node* node) { return std::binary_search(gone.begin(), gone.end(), node); };
    const auto kept = std::remove_if(m_nodes.begin(), m_nodes.end(), isGone);
    const bool any = kept != m_nodes.end();
    m_nodes.erase(kept, m_nodes.end());
    // Nor may the nodes to show once unlocked hold a removed one.
    m_followedNodes.erase(std::remove_if(m_followedNodes.begin(), m_followedNodes.end(), isGone),
                          m_followedNodes.end());
    return any;
}

bool NodeInspector::touchesInspectedNodes(const db::ChangeSet& changes) const
{
    if (m_nodes.empty() || (changes.AddedAttributes().empty() && changes.RemovedAttributes().empty()))
        return false;
    // Each attribute's ancestors are looked up among the inspected nodes,
    // rather than each inspected node among its ancestors: a dynamic
    // attribute added to ten thousand selected nodes is ten thousand
    // attributes, each below one of ten thousand nodes.
    const std::unordered_set<const db::Attribute*> inspected(m_nodes.begin(), m_nodes.end());
    const auto below = [&inspected](const db::Attribute* attribute, bool former)
    {
        for (const db::Attribute* a = attribute->getParentAttribute(); a; a = a->getParentAttribute())
            if (inspected.count(a) != 0 && (former ? attribute->wasDescendantOf(a) : attribute->isDescendantOf(a)))
                return true;
        return false;
    };
    for (const db::Attribute* attribute : changes.AddedAttributes())
        if (below(attribute, false))
            return true;
    for (const db::Attribute* attribute : changes.RemovedAttributes())
        if (below(attribute, true))
            return true;
    return false;
}

} // namespace dbui
