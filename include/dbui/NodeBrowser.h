#pragma once

#include <dbui/Export.h>

#include <wxUtils/OrkSplitter.h>

namespace db
{
class Database;
}
namespace wxUtils
{
class TreeEvent;
}

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

private:
    NodeBrowserTreeControl* m_treeControl = nullptr;
    NodeInspector* m_inspector = nullptr;
};

} // namespace dbui
