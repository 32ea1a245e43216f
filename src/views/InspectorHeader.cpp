#include "InspectorHeader.h"

#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkStaticText.h>
#include <wxUtils/PanelBuilder.h>

#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/generic/stattextg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/tglbtn.h>

#include <algorithm>

namespace dbui
{

namespace
{

/// Pixels around each part.
constexpr int s_border = 2;

/// The most derived type that every node is of.
const db::NodeDef* commonTypeOf(const std::vector<db::Node*>& nodes)
{
    const db::NodeDef* common = &nodes.front()->getNodeDef();
    for (const db::Node* node : nodes)
        while (common && !node->getNodeDef().isKindOf(common))
            common = common->getBaseDef();
    return common;
}

} // namespace

InspectorHeader::InspectorHeader(wxWindow* parent, int parts, Callbacks callbacks)
    : wxUtils::OrkPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "InspectorHeader"),
      m_callbacks(std::move(callbacks))
{
    build(parts);
    if (m_nameBox)
    {
        m_nameBox->Bind(wxEVT_TEXT_ENTER, &InspectorHeader::onNameEnter, this);
        // Applied while the focus moves: by the time a queued report came, the
        // click that took the focus could have changed what is inspected.
        m_nameBox->Bind(wxEVT_KILL_FOCUS, &InspectorHeader::onNameFocusLost, this);
        m_path->Bind(wxEVT_LEFT_UP, &InspectorHeader::onPathClicked, this);
    }
    if (m_filterBox)
    {
        m_filterBox->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { m_callbacks.onFilterChanged(); });
        m_filterBox->Bind(wxEVT_KEY_DOWN, &InspectorHeader::onFilterKey, this);
    }
    if (m_modifiedOnly)
        m_modifiedOnly->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { m_callbacks.onFilterChanged(); });
    if (m_lock)
        m_lock->Bind(wxEVT_TOGGLEBUTTON,
                     [this](wxCommandEvent&)
                     {
                         showLocked(m_lock->GetValue());
                         m_callbacks.onLockToggled(m_lock->GetValue());
                     });
    refreshTexts();
}

void InspectorHeader::build(int parts)
{
    wxUtils::PanelBuilder builder(this, s_border);
    builder.beginVSizer(1, wxEXPAND);
    if (parts & Summary)
    {
        builder.beginHSizer(0, wxEXPAND);
        m_nameBox = builder.addTextBox(1, wxEXPAND);
        m_nameBox->SetName("InspectorName");
        m_nameBox->SetFont(m_nameBox->GetFont().Bold());
        m_summary = builder.addStaticText(wxEmptyString, 1, wxALIGN_CENTER_VERTICAL);
        m_summary->SetName("InspectorSummary");
        m_summary->SetFont(m_summary->GetFont().Bold());
        m_type = builder.addStaticText(wxEmptyString, 0, wxALIGN_CENTER_VERTICAL);
        m_type->SetName("InspectorType");
        if (parts & Lock)
        {
            m_lock = new wxToggleButton(builder.getParentWindow(), wxID_ANY, "Lock", wxDefaultPosition, wxDefaultSize,
                                        wxBU_EXACTFIT, wxDefaultValidator, "InspectorLock");
            m_lock->SetToolTip("Keep these nodes while the selection moves");
            builder.addWindow(m_lock, 0, wxALIGN_CENTER_VERTICAL);
        }
        // As tall with a count as with a name box, so that the rows below stay put.
        m_nameRowStrut = builder.getCurrentSizer()->Add(0, 0);
        builder.endSizer();
        m_path = new wxGenericStaticText(builder.getParentWindow(), wxID_ANY, wxEmptyString, wxDefaultPosition,
                                         wxDefaultSize, wxST_ELLIPSIZE_MIDDLE | wxST_NO_AUTORESIZE, "InspectorPath");
        m_path->SetMinSize(wxSize(-1, m_path->GetCharHeight()));
        m_path->SetCursor(wxCursor(wxCURSOR_HAND));
        m_path->SetToolTip("Click to copy the database path");
        builder.addWindow(m_path, 0, wxEXPAND);
        const wxColour quiet = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
        m_type->SetForegroundColour(quiet);
        m_path->SetForegroundColour(quiet);
    }
    if (parts & (Filter | ModifiedOnly))
    {
        builder.beginHSizer(0, wxEXPAND);
        if (parts & Filter)
        {
            m_filterBox = builder.addTextBox(1, wxEXPAND);
            m_filterBox->SetName("InspectorFilter");
            m_filterBox->SetHint("Filter attributes");
        }
        if (parts & ModifiedOnly)
        {
            m_modifiedOnly = new wxCheckBox(builder.getParentWindow(), wxID_ANY, "Modified only", wxDefaultPosition,
                                            wxDefaultSize, 0, wxDefaultValidator, "InspectorModifiedOnly");
            m_modifiedOnly->SetToolTip("Show only the attributes that differ from their defaults");
            builder.addWindow(m_modifiedOnly, 0, wxALIGN_CENTER_VERTICAL);
        }
        builder.endSizer();
    }
    builder.addWindow(new wxStaticLine(builder.getParentWindow()), 0, wxEXPAND);
    builder.endSizer();
}

// ---------------------------------------------------------------------------
// What is shown
// ---------------------------------------------------------------------------

void InspectorHeader::showNodes(db::Database* database, const std::vector<db::Node*>& nodes)
{
    if (database == m_database && nodes == m_nodes)
    {
        refreshTexts();
        return;
    }
    if (database == m_database)
        ensureChangesApplied();
    m_database = database;
    // The inspector shows nothing for a list that starts with a null node; nor does its header.
    m_nodes = nodes.empty() || nodes.front() ? nodes : std::vector<db::Node*>();
    m_nodes.erase(std::remove(m_nodes.begin(), m_nodes.end(), nullptr), m_nodes.end());
    if (m_nameBox)
        m_nameBox->resetModifiedFlag();
    refreshTexts();
}

void InspectorHeader::followChanges(const db::ChangeSet& changes)
{
    // A path names the nodes above and counts like-named siblings: any node
    // that comes, goes, moves or is renamed may change it.
    if (changes.RenamedNodes().empty() && changes.ReparentedNodes().empty() && changes.AddedNodes().empty() &&
        changes.RemovedNodes().empty())
        return;
    refreshTexts();
}

void InspectorHeader::refreshTexts()
{
    if (!m_nameBox)
        return;
    wxString summary;
    wxString type;
    std::wstring path;
    const bool one = m_nodes.size() == 1;
    if (one)
    {
        // What the user is typing stays until it is applied.
        if (!m_nameBox->isModified())
            m_nameBox->setText(wxString(m_nodes.front()->getName()));
        type = wxString(m_nodes.front()->getClassID());
        m_nodes.front()->toDatabasePath(path, nullptr, false);
    }
    else if (m_nodes.empty())
        summary = "Nothing selected";
    else
    {
        summary = wxString::Format("%zu nodes", m_nodes.size());
        if (const db::NodeDef* common = commonTypeOf(m_nodes))
            type = wxString(common->getName());
    }
    m_nameBox->Show(one);
    m_summary->Show(!one);
    m_summary->setLabel(summary);
    m_type->setLabel(type);
    // The box knows its height only once it is on screen.
    m_nameRowStrut->AssignSpacer(0, m_nameBox->GetBestSize().y + 2 * s_border);
    // Empty rather than hidden for several nodes: the rows below stay put.
    m_path->SetLabelText(wxString(path));
    Layout();
}

wxString InspectorHeader::getFilter() const
{
    return m_filterBox ? m_filterBox->getText().Lower() : wxString();
}

bool InspectorHeader::isModifiedOnly() const
{
    return m_modifiedOnly && m_modifiedOnly->GetValue();
}

void InspectorHeader::toggleModifiedOnly()
{
    if (!m_modifiedOnly)
        return;
    m_modifiedOnly->SetValue(!m_modifiedOnly->GetValue());
    m_callbacks.onFilterChanged();
}

void InspectorHeader::showLocked(bool locked)
{
    if (!m_lock)
        return;
    m_lock->SetValue(locked);
    m_lock->SetLabel(locked ? "Locked" : "Lock");
    m_lock->SetToolTip(locked ? "Locked: the selection does not change what shows here; click to follow it again"
                              : "Keep these nodes while the selection moves");
    Layout();
}

bool InspectorHeader::focusFilter()
{
    if (!m_filterBox)
        return false;
    m_filterBox->SetFocus();
    m_filterBox->selectAll();
    return true;
}

// ---------------------------------------------------------------------------
// User events
// ---------------------------------------------------------------------------

void InspectorHeader::ensureChangesApplied()
{
    if (!m_nameBox || !m_nameBox->isModified() || m_nodes.size() != 1)
        return;
    db::Node* node = m_nodes.front();
    m_nameBox->resetModifiedFlag();
    // Never to a node that was removed meanwhile, nor to one of another database.
    if (!m_database || node->getDatabase() != m_database)
        return;
    const std::wstring name = m_nameBox->getText().ToStdWstring();
    if (name != node->getName())
        node->setName(name);
}

void InspectorHeader::onNameEnter(wxCommandEvent&)
{
    ensureChangesApplied();
}

void InspectorHeader::onNameFocusLost(wxFocusEvent& event)
{
    ensureChangesApplied();
    event.Skip();
}

void InspectorHeader::onFilterKey(wxKeyEvent& event)
{
    if (event.GetKeyCode() != WXK_ESCAPE || m_filterBox->getText().empty())
    {
        event.Skip();
        return;
    }
    m_filterBox->clear();
    m_callbacks.onFilterChanged();
}

void InspectorHeader::onPathClicked(wxMouseEvent& event)
{
    event.Skip();
    const wxString path = m_path->GetLabelText();
    if (path.empty())
        return;
    wxClipboardLocker locker;
    if (!!locker)
        wxTheClipboard->SetData(new wxTextDataObject(path));
}

} // namespace dbui
