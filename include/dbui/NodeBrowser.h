#pragma once

#include <dbui/Export.h>

#include <wxUtils/OrkSplitter.h>
#include <wxUtils/TreeControl.h>

namespace db
{
class Database;
}
namespace wxUtils
{
class OrkSimpleTextCtrl;
class TreeEvent;
} // namespace wxUtils

namespace dbui
{

class NodeBrowserTreeControl;
class NodeInspector;

/// The node tree above an inspector of the selected nodes: the panel a host
/// puts in a window to browse and edit one database.
class DBUI_EXPORT NodeBrowser : public wxUtils::OrkSplitter
{
public:
    /// Two-step creation: call Create next.
    NodeBrowser() = default;
    /// Creates the window at once; see Create.
    NodeBrowser(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = 0, const wxString& name = "NodeBrowser");

    /// Two-step creation; false (and nothing connected) when the window could not be made.
    bool Create(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = 0, const wxString& name = "NodeBrowser");

    /// Behaviour a host can switch on; none is on by default.
    enum Options
    {
        /// A filter box above the tree (see NodeTreeControl::setFilterText):
        /// Ctrl+F goes to it, Escape there clears it and goes back to the
        /// tree, Enter and F3 (Shift+F3) select the next (previous) node found.
        FilterBox = 1,
    };
    ///@{
    /// A combination of Options; the filter box, once made, stays.
    void setOptions(int options);
    int getOptions() const { return m_options; }
    ///@}

    /// The filter box, or null without FilterBox.
    wxUtils::OrkSimpleTextCtrl* getFilterBox() const { return m_filterBox; }
    /// Puts the focus in the filter box with its text selected, ready for a
    /// new one; false without FilterBox.
    bool focusFilterBox();
    /// Selects the next node the filter finds after the focused one (the
    /// previous, Backward), going round; false when it finds none.
    bool selectFilterMatch(wxUtils::TreeControl::SearchDirection direction);

    /// Shows `database` in the tree and the inspector (which starts empty).
    void setDatabase(db::Database* database);
    /// The database shown, or null.
    db::Database* getDatabase() const;

    ///@{
    /// The tree (above) and the inspector (below), for hosts that adjust them.
    NodeBrowserTreeControl* getTreeControl() const { return m_treeControl; }
    NodeInspector* getInspector() const { return m_inspector; }
    ///@}

protected:
    /// The tree's selection changed: the inspector shows the selected nodes.
    void onTreeControlSelectionChanged(wxUtils::TreeEvent& event);
    /// The filter's keys, wherever the focus is inside the browser.
    void onCharHook(wxKeyEvent& event);
    /// The inspector's "Go to Target": the tree selects the targets, the find
    /// box emptied first if it hides one of them.
    void onInspectorGoToNodes(wxCommandEvent& event);

private:
    void addFilterBox();
    bool handleFilterKey(const wxKeyEvent& event);
    void clearFilter();

    NodeBrowserTreeControl* m_treeControl = nullptr;
    wxUtils::OrkSimpleTextCtrl* m_filterBox = nullptr;
    int m_options = 0;
    NodeInspector* m_inspector = nullptr;
};

} // namespace dbui
