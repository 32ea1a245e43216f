#pragma once

// The band above the inspector's rows: what is inspected (the node's name,
// editable in place, its type and its database path, or the count and common
// type of several nodes), a lock that keeps them while the selection moves,
// and a filter box for attribute names with a "Modified only" switch beside it.

#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkPanel.h>

#include <functional>
#include <vector>

class wxCheckBox;
class wxGenericStaticText;
class wxSizerItem;
class wxToggleButton;

namespace db
{
class ChangeSet;
class Database;
class Node;
} // namespace db

namespace wxUtils
{
class OrkSimpleTextCtrl;
class OrkStaticText;
} // namespace wxUtils

namespace dbui
{

class InspectorHeader : public wxUtils::OrkPanel, public wxUtils::FocusReliantWindow
{
public:
    /// Which parts show.
    enum Parts
    {
        Summary = 1,
        Filter = 2,
        /// A lock button beside the summary.
        Lock = 4,
        /// A "Modified only" switch beside the filter.
        ModifiedOnly = 8,
    };

    /// What the header tells its inspector.
    struct Callbacks
    {
        /// The filter's text or the "Modified only" switch changed.
        std::function<void()> onFilterChanged;
        /// The user pressed (true) or released the lock.
        std::function<void(bool)> onLockToggled;
    };

    InspectorHeader(wxWindow* parent, int parts, Callbacks callbacks);

    /// Shows `nodes` of `database`. A name typed for the node shown so far is
    /// applied first, unless the database changed or that node was removed.
    void showNodes(db::Database* database, const std::vector<db::Node*>& nodes);
    /// Follows renames and moves of what is shown.
    void followChanges(const db::ChangeSet& changes);
    /// The filter's text in lower case; empty for none.
    wxString getFilter() const;
    /// Whether only rows that differ from their defaults show.
    bool isModifiedOnly() const;
    /// Flips the "Modified only" switch, as a click does.
    void toggleModifiedOnly();
    /// Shows the lock pressed or released, sending nothing.
    void showLocked(bool locked);
    /// Puts the keyboard focus in the filter box, its text selected; false without one.
    bool focusFilter();

    /// Applies a name typed but not yet entered.
    void ensureChangesApplied() override;

private:
    void build(int parts);
    void refreshTexts();
    void onNameEnter(wxCommandEvent& event);
    void onNameFocusLost(wxFocusEvent& event);
    void onFilterKey(wxKeyEvent& event);
    void onPathClicked(wxMouseEvent& event);

    Callbacks m_callbacks;
    wxUtils::OrkSimpleTextCtrl* m_nameBox = nullptr;
    wxUtils::OrkStaticText* m_summary = nullptr;
    wxUtils::OrkStaticText* m_type = nullptr;
    wxGenericStaticText* m_path = nullptr;
    wxSizerItem* m_nameRowStrut = nullptr;
    wxUtils::OrkSimpleTextCtrl* m_filterBox = nullptr;
    wxToggleButton* m_lock = nullptr;
    wxCheckBox* m_modifiedOnly = nullptr;
    db::Database* m_database = nullptr;
    std::vector<db::Node*> m_nodes;
};

} // namespace dbui
