// The inspector's optional views of its rows: the header above them, the
// attribute filter and folded compound and attribute-array rows.

#include <dbui/NodeInspector.h>

#include "InspectorHeader.h"

#include <dbui/CommonAttributeHolder.h>

#include <db/AttributeArrayDef.h>
#include <db/AttributeDef.h>
#include <db/CompoundAttributeDef.h>
#include <db/Node.h>
#include <wxUtils/OrkStaticText.h>
#include <wxUtils/PanelBuilder.h>
#include <wxUtils/WindowFreezer.h>

#include <wx/generic/stattextg.h>
#include <wx/sizer.h>

namespace dbui
{

namespace
{

const wxString s_folded = wxString::FromUTF8("\xe2\x96\xb8 ");   // a right-pointing triangle
const wxString s_unfolded = wxString::FromUTF8("\xe2\x96\xbe "); // a down-pointing one

bool isFoldable(const db::AttributeDef& def)
{
    return def.getAttributeType() == db::Compound || def.getAttributeType() == db::AttributeArrayType;
}

/// True when `lowerText` is in the name of `def` or of a member below it.
bool namesContain(const db::AttributeDef& def, const wxString& lowerText)
{
    if (wxString(def.getName()).Lower().Contains(lowerText))
        return true;
    const db::CompoundAttributeDef* members = def.asCompoundAttributeDef();
    if (const db::AttributeArrayDef* array = def.asAttributeArrayDef())
        members = &array->getElementDef();
    if (!members)
        return false;
    for (unsigned int i = 0; i < members->getAttributeDefCount(); ++i)
        if (namesContain(members->getAttributeDef(i), lowerText))
            return true;
    return false;
}

} // namespace

void NodeInspector::setOptions(int options)
{
    wxCHECK_RET(GetSizer(), "create the inspector before setting its options");
    if (m_header)
    {
        m_header->ensureChangesApplied();
        m_header->Destroy();
        m_header = nullptr;
    }
    m_options = options;
    const bool header = options & ShowHeader;
    const bool filter = options & ShowAttributeFilter;
    const int parts = (header ? InspectorHeader::Summary : 0) | (filter ? InspectorHeader::Filter : 0) |
                      (header && (options & LockButton) ? InspectorHeader::Lock : 0) |
                      (filter && (options & MarkModifiedRows) ? InspectorHeader::ModifiedOnly : 0);
    if (parts)
    {
        m_header = new InspectorHeader(
            this, parts, {[this] { showRowsAsChosen(); }, [this](bool locked) { locked ? lock() : unlock(); }});
        m_header->showLocked(m_locked);
        // Above the scrolling rows, so that it stays in view.
        GetSizer()->Insert(0, m_header, 0, wxEXPAND);
    }
    rebuild();
}

void NodeInspector::addRowLabel(wxUtils::PanelBuilder& builder, const CommonAttributeHolder& holder)
{
    const wxString name = labelOf(holder);
    if (!(m_options & CollapsibleRows) || !isFoldable(holder.getDef()))
    {
        markLabel(*builder.addStaticText(name, 0, 0, wxDefaultSize, 0, 0), holder);
        return;
    }
    const std::wstring key = foldKey(holder);
    const bool folded = m_foldedRows.count(key) != 0;
    // A label drawn by wxWidgets itself: a native one takes no clicks.
    auto* label = new wxGenericStaticText(builder.getParentWindow(), wxID_ANY, (folded ? s_folded : s_unfolded) + name);
    label->SetName("InspectorFold");
    label->SetCursor(wxCursor(wxCURSOR_HAND));
    label->SetToolTip(folded ? "Click to show" : "Click to hide");
    markLabel(*label, holder);
    label->Bind(wxEVT_LEFT_UP,
                [this, label, key, name](wxMouseEvent&)
                {
                    const bool fold = m_foldedRows.insert(key).second;
                    if (!fold)
                        m_foldedRows.erase(key);
                    label->SetLabel((fold ? s_folded : s_unfolded) + name);
                    label->SetToolTip(fold ? "Click to show" : "Click to hide");
                    showRowsAsChosen();
                });
    // Level with the top of the block it folds, not its middle.
    builder.addWindow(label, 0, 0);
}

std::wstring NodeInspector::foldKey(const CommonAttributeHolder& holder) const
{
    const db::Node* owner = holder.m_attributes.front()->getOwnerNode();
    return (owner ? owner->getClassID() : std::wstring()) + L"/" + holder.getName();
}

void NodeInspector::applyViewOptions()
{
    if (m_header)
        m_header->showNodes(m_database, m_nodes);
    showRowsAsChosen();
}

void NodeInspector::showRowsAsChosen()
{
    if (!getScrollPanel()->GetSizer() || !(m_options & (ShowAttributeFilter | CollapsibleRows)))
        return;
    wxUtils::WindowFreezer freezer(this);
    const wxString filter = m_header ? m_header->getFilter() : wxString();
    const bool modifiedOnly = isModifiedOnly();
    forEachGridRow(
        [&](const CommonAttributeHolder& holder, wxSizerItem& label, wxSizerItem* widget)
        {
            const bool shown = (filter.empty() || namesContain(holder.getDef(), filter)) &&
                               (!modifiedOnly || m_modifiedRows.count(&holder) != 0);
            const bool folded = (m_options & CollapsibleRows) && m_foldedRows.count(foldKey(holder)) != 0;
            label.Show(shown);
            if (widget)
                widget->Show(shown && !folded);
            return true;
        });
    updateScrollArea();
}

void NodeInspector::forEachGridRow(
    const std::function<bool(const CommonAttributeHolder&, wxSizerItem& label, wxSizerItem* widget)>& each)
{
    const wxSizer* grid = getScrollPanel()->GetSizer();
    if (!grid)
        return;
    const wxSizerItemList& items = grid->GetChildren();
    auto item = items.begin();
    // The grid holds a label and a widget (or a spacer) per row, in holder
    // order; node containers have no row.
    for (const CommonAttributeHolder* holder : m_holders)
    {
        if (holder->getDef().getAttributeType() == db::NodeContainerType)
            continue;
        if (item == items.end())
            return;
        wxSizerItem& label = **item++;
        wxSizerItem* widget = item != items.end() ? *item++ : nullptr;
        if (!each(*holder, label, widget))
            return;
    }
}

} // namespace dbui
