#include "ShortcutsDialog.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace
{

enum Column
{
    NameColumn,
    KeyColumn,
};

/// The keys that only change others: pressed alone, they are no shortcut yet.
bool isModifier(int code)
{
    switch (code)
    {
    case WXK_SHIFT:
    case WXK_CONTROL:
    case WXK_ALT:
    case WXK_WINDOWS_LEFT:
    case WXK_WINDOWS_RIGHT:
    case WXK_WINDOWS_MENU:
        return true;
    default:
        return false;
    }
}

} // namespace

ShortcutsDialog::ShortcutsDialog(wxWindow* parent, const dbui::NodeCommands& commands)
    : wxDialog(parent, wxID_ANY, "Keyboard Shortcuts", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER, "ShortcutsDialog"),
      m_commands(commands)
{
    layOut();
    fill();
    connectEvents();
}

void ShortcutsDialog::layOut()
{
    m_list =
        new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(420, 360)), wxLC_REPORT | wxLC_SINGLE_SEL);
    m_list->AppendColumn("Command", wxLIST_FORMAT_LEFT, FromDIP(280));
    m_list->AppendColumn("Key", wxLIST_FORMAT_LEFT, FromDIP(120));
    m_keyBox = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, FromDIP(wxSize(140, -1)), wxTE_READONLY,
                              wxDefaultValidator, "ShortcutKeyBox");
    m_keyBox->SetHint("Press a key");
    auto* keyRow = new wxBoxSizer(wxHORIZONTAL);
    keyRow->Add(new wxStaticText(this, wxID_ANY, "New key:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
    keyRow->Add(m_keyBox, 1, wxALIGN_CENTER_VERTICAL);
    keyRow->Add(new wxButton(this, wxID_CLEAR, "&No Key"), 0, wxLEFT, FromDIP(6));
    keyRow->Add(new wxButton(this, wxID_RESET, "&Defaults"), 0, wxLEFT, FromDIP(6));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_list, 1, wxEXPAND | wxALL, FromDIP(8));
    sizer->Add(keyRow, 0, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(8));
    sizer->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, FromDIP(8));
    SetSizerAndFit(sizer);
}

void ShortcutsDialog::connectEvents()
{
    m_keyBox->Bind(wxEVT_KEY_DOWN, &ShortcutsDialog::onKeyDown, this);
    // Typed characters would otherwise land in the box as text.
    m_keyBox->Bind(wxEVT_CHAR, [](wxKeyEvent&) {});
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { assign(wxEmptyString); }, wxID_CLEAR);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&)
        {
            // Cleared first, so that no default is refused for a key another command held.
            for (int id : m_ids)
                m_commands.setShortcut(id, wxEmptyString);
            for (int id : m_ids)
                m_commands.setShortcut(id, m_commands.getDefaultShortcut(id));
            fill();
        },
        wxID_RESET);
}

void ShortcutsDialog::fill()
{
    const int chosen = chosenCommand();
    m_list->DeleteAllItems();
    m_ids.clear();
    for (const dbui::NodeCommand& command : m_commands.getCommands())
    {
        const long row = m_list->InsertItem(m_list->GetItemCount(), dbui::NodeCommands::plainLabel(command));
        m_list->SetItem(row, KeyColumn, command.shortcut);
        m_ids.push_back(command.id);
    }
    chooseCommand(chosen);
}

void ShortcutsDialog::chooseCommand(int id)
{
    const auto found = std::find(m_ids.begin(), m_ids.end(), id);
    const long row = found == m_ids.end() ? 0 : static_cast<long>(found - m_ids.begin());
    if (row >= m_list->GetItemCount())
        return;
    m_list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                         wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    m_list->EnsureVisible(row);
}

int ShortcutsDialog::chosenCommand() const
{
    const long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    return row >= 0 && row < static_cast<long>(m_ids.size()) ? m_ids[static_cast<std::size_t>(row)] : wxID_NONE;
}

wxString ShortcutsDialog::getShortcut(int id) const
{
    const dbui::NodeCommand* command = m_commands.find(id);
    return command ? command->shortcut : wxString();
}

void ShortcutsDialog::onKeyDown(wxKeyEvent& event)
{
    const int code = event.GetKeyCode();
    // Tab still moves on, Esc still closes; a modifier waits for its key.
    if (isModifier(code) || (code == WXK_TAB && !event.HasAnyModifiers()) || code == WXK_ESCAPE)
    {
        event.Skip();
        return;
    }
    const wxString key =
        wxAcceleratorEntry(event.GetModifiers() & (wxMOD_CONTROL | wxMOD_ALT | wxMOD_SHIFT), code).ToString();
    m_keyBox->ChangeValue(key);
    assign(key);
}

bool ShortcutsDialog::assign(const wxString& key)
{
    const int id = chosenCommand();
    if (id == wxID_NONE)
        return false;
    if (const dbui::NodeCommand* holder = m_commands.setShortcut(id, key))
    {
        wxMessageDialog(this,
                        dbui::NodeCommands::normalizeShortcut(key) + " is already the key of \"" +
                            dbui::NodeCommands::plainLabel(*holder) +
                            "\". Give that command another key first, or choose another one here.",
                        "Keyboard Shortcuts", wxOK | wxICON_EXCLAMATION)
            .ShowModal();
        return false;
    }
    fill();
    return true;
}

void ShortcutsDialog::applyTo(dbui::NodeCommands& commands) const
{
    // Cleared first: keys may have moved from one command to another.
    for (int id : m_ids)
        commands.setShortcut(id, wxEmptyString);
    for (int id : m_ids)
        commands.setShortcut(id, getShortcut(id));
}
