// The menu of an inspector row: its value put back to the default, copied to
// the clipboard as text, or pasted from it, on every inspected node at once.

#include <dbui/NodeInspector.h>

#include <dbui/CommonAttributeHolder.h>

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/Node.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/ValueText.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMenuItem.h>
#include <wxUtils/OrkMessageBox.h>

#include <wx/clipbrd.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
// After the native label, which it needs.
#include <wx/generic/stattextg.h>

#include <algorithm>
#include <unordered_set>

namespace dbui
{

wxDEFINE_EVENT(EVT_INSPECTOR_GO_TO_NODES, wxCommandEvent);

namespace
{

enum RowCommand
{
    ResetToDefault,
    CopyValue,
    PasteValue,
    GoToTarget,
    Pin,
};

/// Calls `each` with every target of a pointer row's attributes, in row order, while it returns true.
template <class Each> void forEachTarget(const CommonAttributeHolder& row, Each each)
{
    for (db::Attribute* attribute : row.m_attributes)
    {
        if (const db::PointerAttribute* pointer = attribute->asPointerAttribute())
        {
            if (pointer->getValue() && !each(pointer->getValue()))
                return;
        }
        else if (const db::PointerArrayAttribute* array = attribute->asPointerArrayAttribute())
        {
            for (const db::Attribute* target : array->getValues())
                if (target && !each(target))
                    return;
        }
    }
}

bool hasTarget(const CommonAttributeHolder& row)
{
    bool found = false;
    forEachTarget(row, [&found](const db::Attribute*) { return !(found = true); });
    return found;
}

/// The nodes that a pointer row's attributes point at (or into), each once,
/// in row order: 200,000 meshes may share a few thousand materials.
std::vector<db::Node*> targetNodesOf(const CommonAttributeHolder& row)
{
    std::vector<db::Node*> nodes;
    std::unordered_set<const db::Node*> seen;
    forEachTarget(row,
                  [&](const db::Attribute* target)
                  {
                      db::Node* node = target->getOwnerNode();
                      if (node && seen.insert(node).second)
                          nodes.push_back(node);
                      return true;
                  });
    return nodes;
}

bool isPointerRow(const CommonAttributeHolder& row)
{
    db::Attribute& first = *row.m_attributes.front();
    return first.asPointerAttribute() || first.asPointerArrayAttribute();
}

/// Whether every attribute of the row holds the first one's value: what a
/// copy would take is then what the row shows.
bool valuesAgree(const CommonAttributeHolder& row)
{
    const db::Attribute& first = *row.m_attributes.front();
    return std::all_of(row.m_attributes.begin() + 1, row.m_attributes.end(),
                       [&first](const db::Attribute* other) { return other->hasSameValue(first); });
}

/// The start of a text that may be a whole document, for a message.
wxString excerpt(const wxString& text)
{
    const size_t shown = 60;
    return text.length() <= shown ? text : text.Left(shown - 3) + "...";
}

void tell(wxWindow* parent, const wxString& message, const wxString& caption)
{
    wxUtils::OrkMessageBox(message, caption, wxOK | wxICON_EXCLAMATION, parent);
}

} // namespace

void NodeInspector::onContextMenu(wxContextMenuEvent& event)
{
    wxWindow* panel = getScrollPanel();
    auto* clicked = dynamic_cast<wxWindow*>(event.GetEventObject());
    // Only the labels and the panel between them: the widgets keep their own
    // menus (a text box's, an array's) and their own clicks.
    const bool onLabel = clicked && clicked->GetParent() == panel &&
                         (dynamic_cast<wxStaticText*>(clicked) || dynamic_cast<wxGenericStaticText*>(clicked));
    if (!(m_options & (ValueCommands | PinnedRows)) || !(onLabel || clicked == panel) ||
        event.GetPosition() == wxDefaultPosition)
    {
        event.Skip();
        return;
    }
    // Typing still in a box is the value the user sees: it is written before
    // the menu reads the values, and may rebuild the rows as any edit can.
    wxUtils::FocusReliantWindow::ensureChangesAppliedWithin(panel);
    const CommonAttributeHolder* row = rowAt(clicked, event.GetPosition());
    if (!row)
        return;
    wxUtils::OrkMenu menu(-1);
    buildContextMenu(menu, *row);
    m_menuRow = row;
    popupMenu(menu, ScreenToClient(event.GetPosition()), nullptr);
    m_menuRow = nullptr;
}

const CommonAttributeHolder* NodeInspector::rowAt(const wxWindow* clicked, const wxPoint& point)
{
    const wxPoint at = getScrollPanel()->ScreenToClient(point);
    const CommonAttributeHolder* found = nullptr;
    forEachGridRow(
        [&](const CommonAttributeHolder& holder, wxSizerItem& label, wxSizerItem* widget)
        {
            if (!label.IsShown())
                return true;
            if (clicked == label.GetWindow())
                found = &holder;
            else if (clicked == getScrollPanel())
            {
                // The band of the row: its label's height, or its widget's when taller.
                wxRect band = label.GetWindow()->GetRect();
                if (widget && widget->IsShown() && widget->GetWindow())
                    band.Union(widget->GetWindow()->GetRect());
                if (at.y >= band.GetTop() && at.y <= band.GetBottom())
                    found = &holder;
            }
            return found == nullptr;
        });
    return found;
}

void NodeInspector::buildContextMenu(wxUtils::OrkMenu& menu, const CommonAttributeHolder& row)
{
    if (m_options & PinnedRows)
    {
        const std::vector<std::wstring> pins = getPinnedAttributes(pinType());
        const bool pinned = std::find(pins.begin(), pins.end(), row.getName()) != pins.end();
        menu.add(m_rowCommandIds[Pin], pinned ? "Un&pin" : "&Pin to Top");
        if (!(m_options & ValueCommands))
            return;
        menu.addSeparator();
    }
    // Each item is enabled only when it would do something: a glance at the
    // values of the row, which stays quick for a row of 200,000 nodes.
    const bool textual = db::hasValueText(*row.m_attributes.front());
    menu.add(m_rowCommandIds[ResetToDefault], "&Reset to Default")->setEnabled(isModified(row));
    menu.add(m_rowCommandIds[CopyValue], "&Copy Value")->setEnabled(textual && valuesAgree(row));
    menu.add(m_rowCommandIds[PasteValue], "&Paste Value")->setEnabled(textual);
    if (isPointerRow(row))
    {
        menu.addSeparator();
        menu.add(m_rowCommandIds[GoToTarget], "&Go to Target")->setEnabled(hasTarget(row));
    }
}

void NodeInspector::handleRowCommand(wxCommandEvent& event)
{
    // Null when the rows were rebuilt while the menu was open.
    const CommonAttributeHolder* row = m_menuRow;
    if (!row)
        return;
    const int id = event.GetId();
    if (id == m_rowCommandIds[ResetToDefault])
        handleResetToDefault(*row);
    else if (id == m_rowCommandIds[CopyValue])
        handleCopyValue(*row);
    else if (id == m_rowCommandIds[PasteValue])
        handlePasteValue(*row);
    else if (id == m_rowCommandIds[GoToTarget])
        handleGoToTarget(*row);
    else if (id == m_rowCommandIds[Pin])
        handlePin(*row);
}

void NodeInspector::handleGoToTarget(const CommonAttributeHolder& row)
{
    const std::vector<db::Node*> targets = targetNodesOf(row);
    if (targets.empty())
        return;
    wxCommandEvent event(EVT_INSPECTOR_GO_TO_NODES, GetId());
    event.SetEventObject(this);
    event.SetClientData(const_cast<std::vector<db::Node*>*>(&targets));
    ProcessWindowEvent(event);
}

void NodeInspector::handleResetToDefault(const CommonAttributeHolder& row)
{
    // Attributes already at their default are left out, so that a row all at
    // its default makes no undo step at all.
    db::ChangeBlock block(row.m_attributes.front()->getDatabase(), L"Reset attribute(s)");
    for (db::Attribute* attribute : row.m_attributes)
        attribute->resetToDefault();
}

void NodeInspector::handleCopyValue(const CommonAttributeHolder& row)
{
    std::wstring text;
    db::valueToText(*row.m_attributes.front(), text);
    wxClipboardLocker locker;
    if (!locker || !wxTheClipboard->SetData(new wxTextDataObject(text)))
        tell(this, "The clipboard could not be used.", "Copy Value");
}

void NodeInspector::handlePasteValue(const CommonAttributeHolder& row)
{
    wxTextDataObject data;
    {
        wxClipboardLocker locker;
        if (!locker || !wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || !wxTheClipboard->GetData(data))
        {
            tell(this, "Nothing was pasted: the clipboard holds no text.", "Paste Value");
            return;
        }
    }
    db::Attribute& first = *row.m_attributes.front();
    const wxString name(first.getName());
    const wxString type(db::attributeTypeName(first.getAttributeType()));
    std::wstring why;
    bool pasted = false;
    {
        db::ChangeBlock block(first.getDatabase(), L"Paste attribute value(s)");
        // The text is read once, by the first node's attribute, which it leaves
        // unchanged when it is no value of the row's type; the others take the
        // value from there, each within its own limits.
        pasted = db::setValueFromText(first, data.GetText().ToStdWstring(), why);
        if (pasted)
            for (std::size_t i = 1; i < row.m_attributes.size(); ++i)
                row.m_attributes[i]->copyValueFrom(first);
    }
    // Told once the block is closed: nothing may join it while the box is up,
    // and the row may be gone, rebuilt by the edit.
    if (!pasted)
        tell(this,
             "Nothing was pasted into \"" + name + "\" (" + type + "): the clipboard holds \"" +
                 excerpt(data.GetText()) + "\".\n\n" + wxString(why),
             "Paste Value");
}

} // namespace dbui
