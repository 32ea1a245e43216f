#include "ConflictsPanel.h"

#include <db/Database.h>
#include <db/Node.h>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace
{
const char* const s_columns[] = {"Path", "Kind", "Base", "Ours (in the document)", "Theirs"};
} // namespace

ConflictsPanel::ConflictsPanel(wxWindow* parent, db::Database& database, std::function<void(db::Node*)> showNode)
    : wxPanel(parent, wxID_ANY), m_database(database), m_showNode(std::move(showNode))
{
    buildLayout();
    connectEvents();
    refresh();
}

void ConflictsPanel::buildLayout()
{
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxSize(-1, 140), wxLC_REPORT | wxLC_SINGLE_SEL);
    for (int column = 0; column < 5; ++column)
        m_list->AppendColumn(s_columns[column], wxLIST_FORMAT_LEFT, column == 0 ? 260 : 140);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxStaticText(this, wxID_ANY, "Merge conflicts: resolve the selected one with"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    const char* const labels[] = {"Base", "Ours", "Theirs"};
    for (int side = 0; side < 3; ++side)
    {
        m_buttons[side] = new wxButton(this, ID_UseBase + side, labels[side]);
        buttons->Add(m_buttons[side], 0, wxRIGHT, side == 2 ? 8 : 4);
    }
    m_message = new wxStaticText(this, wxID_ANY, wxEmptyString);
    buttons->Add(m_message, 1, wxALIGN_CENTER_VERTICAL);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(buttons, 0, wxEXPAND | wxALL, 4);
    sizer->Add(m_list, 1, wxEXPAND);
    SetSizer(sizer);
}

void ConflictsPanel::connectEvents()
{
    Connect(ID_UseBase, ID_UseTheirs, wxEVT_BUTTON, wxCommandEventHandler(ConflictsPanel::onChoice));
    m_list->Connect(wxEVT_LIST_ITEM_ACTIVATED, wxListEventHandler(ConflictsPanel::onActivated), nullptr, this);
    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { updateButtons(); });
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { updateButtons(); });
}

bool ConflictsPanel::refresh()
{
    std::vector<db::MergeConflict> conflicts = db::MergeConflicts::read(m_database);
    if (conflicts == m_conflicts)
        return false;
    m_conflicts = std::move(conflicts);
    fillList();
    return true;
}

wxString ConflictsPanel::getMessage() const
{
    return m_message->GetLabel();
}

void ConflictsPanel::fillList()
{
    m_list->DeleteAllItems();
    for (std::size_t row = 0; row < m_conflicts.size(); ++row)
    {
        const db::MergeConflict& conflict = m_conflicts[row];
        const long item = m_list->InsertItem(static_cast<long>(row), wxString(conflict.where));
        m_list->SetItem(item, 1, wxString(conflict.what));
        m_list->SetItem(item, 2, wxString(conflict.base));
        m_list->SetItem(item, 3, wxString(conflict.ours));
        m_list->SetItem(item, 4, wxString(conflict.theirs));
    }
    updateButtons();
}

long ConflictsPanel::selectedRow() const
{
    return m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void ConflictsPanel::updateButtons()
{
    const long row = selectedRow();
    wxString message;
    for (int side = 0; side < 3; ++side)
    {
        std::wstring why;
        const bool can = row < 0 || db::MergeConflicts::canResolve(m_database, static_cast<std::size_t>(row),
                                                                   static_cast<db::MergeConflicts::Side>(side), why);
        m_buttons[side]->Enable(can);
        m_buttons[side]->SetToolTip(wxString(why));
        if (!can && message.empty())
            message = m_buttons[side]->GetLabel() + ": " + wxString(why);
    }
    m_message->SetLabel(message);
}

void ConflictsPanel::onChoice(wxCommandEvent& event)
{
    const long row = selectedRow();
    if (row < 0)
    {
        m_message->SetLabel("Select a conflict first.");
        return;
    }
    const db::MergeConflicts::Side side = event.GetId() == ID_UseBase    ? db::MergeConflicts::Side::Base
                                          : event.GetId() == ID_KeepOurs ? db::MergeConflicts::Side::Ours
                                                                         : db::MergeConflicts::Side::Theirs;
    std::wstring why;
    const bool resolved = db::MergeConflicts::resolve(m_database, static_cast<std::size_t>(row), side, why);
    // The database's report refreshes the list; the message is this choice's own.
    m_message->SetLabel(resolved ? wxString() : wxString(why));
}

void ConflictsPanel::onActivated(wxListEvent& event)
{
    const long row = event.GetIndex();
    if (row < 0 || static_cast<std::size_t>(row) >= m_conflicts.size())
        return;
    db::Attribute* target = m_database.attributeFromDatabasePath(m_conflicts[static_cast<std::size_t>(row)].where);
    db::Node* node = target ? (target->asNode() ? target->asNode() : target->getOwnerNode()) : nullptr;
    if (node && node != &m_database)
        m_showNode(node);
    else
        m_message->SetLabel("Nothing has that path now.");
}
