#include <dbui/CommandPalette.h>

#include <dbui/NodeBrowserTreeControl.h>

#include <wx/listctrl.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>

namespace dbui
{

namespace
{

enum Column
{
    NameColumn,
    KeyColumn,
};

/// True when every word of `query` is in `name`, in any case.
bool matches(const wxString& name, const wxString& query)
{
    const wxString lower = name.Lower();
    wxStringTokenizer words(query.Lower(), " \t", wxTOKEN_STRTOK);
    while (words.HasMoreTokens())
        if (!lower.Contains(words.GetNextToken()))
            return false;
    return true;
}

} // namespace

CommandPalette::CommandPalette(wxWindow* parent, NodeBrowserTreeControl& tree)
    : wxDialog(parent, wxID_ANY, "Commands", wxDefaultPosition, wxDefaultSize, wxRESIZE_BORDER | wxCAPTION,
               "CommandPalette"),
      m_tree(tree)
{
    layOut();
    connectEvents();
}

void CommandPalette::layOut()
{
    m_search = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                              "CommandPaletteSearch");
    m_search->SetHint("Type part of a command's name");
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(440, 300)),
                            wxLC_REPORT | wxLC_SINGLE_SEL | wxLC_NO_HEADER);
    m_list->AppendColumn("Command", wxLIST_FORMAT_LEFT, FromDIP(300));
    m_list->AppendColumn("Key", wxLIST_FORMAT_RIGHT, FromDIP(120));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_search, 0, wxEXPAND | wxALL, FromDIP(4));
    sizer->Add(m_list, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(4));
    SetSizerAndFit(sizer);
}

void CommandPalette::connectEvents()
{
    m_search->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { refill(); });
    // Before the box and the list see them: the arrows move the choice wherever the focus is.
    Bind(wxEVT_CHAR_HOOK, &CommandPalette::onCharHook, this);
    m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED,
                 [this](wxListEvent& event)
                 {
                     choose(event.GetIndex());
                     runChosen();
                 });
    // A click elsewhere closes it, as a menu closes.
    Bind(wxEVT_ACTIVATE,
         [this](wxActivateEvent& event)
         {
             event.Skip();
             if (!event.GetActive() && IsShown())
                 CallAfter([this] { Hide(); });
         });
}

NodeCommandContext CommandPalette::context() const
{
    return NodeCommandContext::of(&m_tree, m_focus.get());
}

void CommandPalette::popup()
{
    wxWindow* focus = FindFocus();
    // The palette's own box is not what its commands are meant for.
    m_focus = focus && wxGetTopLevelParent(focus) != this ? focus : nullptr;
    m_search->ChangeValue(wxEmptyString);
    refill();
    if (wxWindow* parent = GetParent())
    {
        const wxRect area = parent->GetScreenRect();
        SetPosition(wxPoint(area.x + (area.width - GetSize().x) / 2, area.y + area.height / 6));
    }
    Show();
    Raise();
    m_search->SetFocus();
}

void CommandPalette::refill()
{
    const NodeCommandContext now = context();
    const NodeCommands& commands = m_tree.getCommands();
    m_listed.clear();
    m_list->DeleteAllItems();
    long firstEnabled = -1;
    for (const NodeCommand& command : commands.getCommands())
    {
        const wxString name = NodeCommands::plainLabel(command);
        if (!matches(name, m_search->GetValue()))
            continue;
        const bool enabled = commands.isEnabled(command, now);
        const long row = m_list->InsertItem(m_list->GetItemCount(), enabled ? name : name + " (not now)");
        m_list->SetItem(row, KeyColumn, command.shortcut);
        if (!enabled)
            m_list->SetItemTextColour(row, wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
        else if (firstEnabled < 0)
            firstEnabled = row;
        m_listed.push_back(command.id);
    }
    choose(firstEnabled >= 0 ? firstEnabled : 0);
}

void CommandPalette::choose(long row)
{
    if (row < 0 || row >= m_list->GetItemCount())
        return;
    m_list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                         wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    m_list->EnsureVisible(row);
}

int CommandPalette::getChosenCommand() const
{
    const long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    return row >= 0 && row < static_cast<long>(m_listed.size()) ? m_listed[static_cast<std::size_t>(row)] : wxID_NONE;
}

bool CommandPalette::runChosen()
{
    const int id = getChosenCommand();
    const NodeCommand* command = m_tree.getCommands().find(id);
    const NodeCommandContext then = context();
    if (!command || !m_tree.getCommands().isEnabled(*command, then))
    {
        wxBell();
        return false;
    }
    // The focus goes back first: a command that opens a box or a dialog takes it from there.
    dismiss();
    return m_tree.getCommands().run(id, then);
}

void CommandPalette::dismiss()
{
    Hide();
    if (wxWindow* focus = m_focus.get())
    {
        // Without a window manager nothing gives the parent its activation back.
        if (wxWindow* top = wxGetTopLevelParent(focus))
            top->Raise();
        focus->SetFocus();
    }
}

void CommandPalette::onCharHook(wxKeyEvent& event)
{
    const long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    switch (event.GetKeyCode())
    {
    case WXK_ESCAPE:
        dismiss();
        break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        runChosen();
        break;
    case WXK_DOWN:
        choose(row + 1);
        break;
    case WXK_UP:
        choose(row - 1);
        break;
    case WXK_PAGEDOWN:
        choose(std::min<long>(row + 10, m_list->GetItemCount() - 1));
        break;
    case WXK_PAGEUP:
        choose(std::max<long>(row - 10, 0));
        break;
    default:
        event.Skip();
    }
}

} // namespace dbui
