// The inspector's marks on its rows and what keeps them: the lock on the
// inspected nodes, rows that differ from their defaults and pinned rows, with
// their entries in a host's table of commands.

#include <dbui/NodeInspector.h>

#include "InspectorHeader.h"

#include <dbui/CommonAttributeHolder.h>
#include <dbui/NodeCommands.h>

#include <db/Attribute.h>
#include <db/ChangeSet.h>
#include <db/Node.h>

#include <wx/sizer.h>

#include <algorithm>
#include <unordered_set>

namespace dbui
{

wxDEFINE_EVENT(EVT_INSPECTOR_PINS_CHANGED, wxCommandEvent);

namespace
{

const wxString s_pinMark = wxString::FromUTF8("\xe2\x98\x85 "); // a black star

} // namespace

// ---------------------------------------------------------------------------
// Lock
// ---------------------------------------------------------------------------

void NodeInspector::lock()
{
    if (m_locked)
        return;
    m_locked = true;
    m_followedNodes = m_nodes;
    if (m_header)
        m_header->showLocked(true);
}

void NodeInspector::unlock()
{
    if (!m_locked)
        return;
    m_locked = false;
    if (m_header)
        m_header->showLocked(false);
    std::vector<db::Node*> nodes;
    nodes.swap(m_followedNodes);
    if (nodes != m_nodes)
        setNodes(nodes);
}

// ---------------------------------------------------------------------------
// Rows that differ from their defaults
// ---------------------------------------------------------------------------

bool NodeInspector::isModified(const CommonAttributeHolder& row)
{
    return std::any_of(row.m_attributes.begin(), row.m_attributes.end(),
                       [](const db::Attribute* attribute) { return !attribute->holdsDefault(); });
}

bool NodeInspector::isModifiedOnly() const
{
    return m_header && m_header->isModifiedOnly();
}

void NodeInspector::toggleModifiedOnly()
{
    if (m_header)
        m_header->toggleModifiedOnly();
}

void NodeInspector::findModifiedRows()
{
    m_markedNodes.insert(m_nodes.begin(), m_nodes.end());
    for (const CommonAttributeHolder* holder : m_holders)
        if (isModified(*holder))
            m_modifiedRows.insert(holder);
}

void NodeInspector::markLabel(wxWindow& label, const CommonAttributeHolder& holder) const
{
    if (!(m_options & MarkModifiedRows))
        return;
    // Bold reads in any colour scheme, dark or light.
    wxFont font = label.GetParent()->GetFont();
    if (m_modifiedRows.count(&holder) != 0)
        font.MakeBold();
    label.SetFont(font);
    label.InvalidateBestSize();
}

void NodeInspector::followModifiedRows(const db::ChangeSet& changes)
{
    const std::vector<db::Attribute*>& changed = changes.ChangedAttributes();
    if (changed.empty() || m_holders.empty())
        return;
    // Each change of an inspected node is traced up to the attribute right
    // below the node: rows are the nodes' own attributes. A relative edit of
    // 200,000 nodes touches one row 200,000 times, and the row is looked at once.
    std::unordered_set<std::wstring> touched;
    for (const db::Attribute* attribute : changed)
    {
        if (m_markedNodes.count(attribute->getOwnerNode()) == 0)
            continue;
        const db::Attribute* top = attribute;
        while (top->getParentAttribute() && top->getParentAttribute() != top->getOwnerNode())
            top = top->getParentAttribute();
        touched.insert(top->getName());
    }
    bool changedMarks = false;
    std::size_t left = touched.size();
    forEachGridRow(
        [&](const CommonAttributeHolder& holder, wxSizerItem& label, wxSizerItem*)
        {
            if (left == 0)
                return false;
            if (touched.count(holder.getName()) == 0)
                return true;
            --left;
            const bool modified = isModified(holder);
            if (modified == (m_modifiedRows.count(&holder) != 0))
                return true;
            if (modified)
                m_modifiedRows.insert(&holder);
            else
                m_modifiedRows.erase(&holder);
            markLabel(*label.GetWindow(), holder);
            changedMarks = true;
            return true;
        });
    if (changedMarks)
    {
        getScrollPanel()->Layout();
        if (isModifiedOnly())
            showRowsAsChosen();
    }
}

// ---------------------------------------------------------------------------
// Pinned rows
// ---------------------------------------------------------------------------

std::vector<std::wstring> NodeInspector::getPinnedAttributes(const std::wstring& nodeType) const
{
    const auto found = m_pins.find(nodeType);
    return found == m_pins.end() ? std::vector<std::wstring>() : found->second;
}

void NodeInspector::setPinnedAttributes(const std::wstring& nodeType, const std::vector<std::wstring>& names)
{
    if (names.empty())
        m_pins.erase(nodeType);
    else
        m_pins[nodeType] = names;
    if (m_options & PinnedRows)
        rebuild();
}

std::wstring NodeInspector::pinType() const
{
    return m_nodes.empty() || !m_nodes.front() ? std::wstring() : m_nodes.front()->getClassID();
}

void NodeInspector::orderPinnedRows()
{
    const auto found = m_pins.find(pinType());
    if (found == m_pins.end())
        return;
    const std::vector<std::wstring>& pins = found->second;
    const auto rank = [&pins](const CommonAttributeHolder* holder)
    { return std::find(pins.begin(), pins.end(), holder->getName()) - pins.begin(); };
    std::stable_sort(m_holders.begin(), m_holders.end(),
                     [&rank](const CommonAttributeHolder* a, const CommonAttributeHolder* b)
                     { return rank(a) < rank(b); });
}

wxString NodeInspector::labelOf(const CommonAttributeHolder& holder) const
{
    const wxString name(holder.getName());
    if (!(m_options & PinnedRows))
        return name;
    const std::vector<std::wstring> pins = getPinnedAttributes(pinType());
    const bool pinned = std::find(pins.begin(), pins.end(), holder.getName()) != pins.end();
    return pinned ? s_pinMark + name : name;
}

void NodeInspector::handlePin(const CommonAttributeHolder& row)
{
    const std::wstring type = pinType();
    std::vector<std::wstring> pins = getPinnedAttributes(type);
    const auto found = std::find(pins.begin(), pins.end(), row.getName());
    if (found == pins.end())
        pins.push_back(row.getName());
    else
        pins.erase(found);
    // The rows are rebuilt: the host hears of it once `row` is gone.
    setPinnedAttributes(type, pins);
    wxCommandEvent event(EVT_INSPECTOR_PINS_CHANGED, GetId());
    event.SetEventObject(this);
    event.SetString(wxString(type));
    ProcessWindowEvent(event);
}

// ---------------------------------------------------------------------------
// Commands of a host's table
// ---------------------------------------------------------------------------

void NodeInspector::addCommandsTo(NodeCommands& commands)
{
    constexpr int group = 900;
    if (m_options & LockButton)
        commands.add({NodeCommands::LockInspectorId, "&Lock Inspector",
                      "Keeps the inspected nodes while the selection moves", "", "", NodeCommand::ViewMenu, group,
                      [this](const NodeCommandContext&) { return isLocked(); }, nullptr,
                      [this](const NodeCommandContext&) { isLocked() ? unlock() : lock(); }});
    if ((m_options & MarkModifiedRows) && (m_options & ShowAttributeFilter))
        commands.add({NodeCommands::ModifiedOnlyId, "&Modified Attributes Only",
                      "Shows only the attributes that differ from their defaults", "", "", NodeCommand::ViewMenu, group,
                      [this](const NodeCommandContext&) { return isModifiedOnly(); }, nullptr,
                      [this](const NodeCommandContext&) { toggleModifiedOnly(); }});
}

} // namespace dbui
