#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>

#include <map>

namespace db
{
class Node;
}
namespace wxUtils
{
class OrkListControl;
class OrkListEvent;
class OrkListItem_;
} // namespace wxUtils

namespace dbui
{

/// Lists the nodes of a node container attribute by name, one row each, and
/// keeps the rows in step with added, removed, moved and renamed nodes. Rows are
/// in container order when filled and alphabetical after the first change.
class DBUI_EXPORT NodeContainerWidget : public AttributeWidget
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    NodeContainerWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~NodeContainerWidget() override;

    /// The list of nodes, for hosts and tests.
    wxUtils::OrkListControl* getListControl() const { return m_list; }

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    /// Adds a row for a node of the first attribute (once).
    void doAddNode(db::Node* node);
    /// Takes a node's row out, if it has one.
    void doRemoveNode(db::Node* node);
    /// Adds a row for each node of the first attribute, in container order.
    void fillListControl();
    /// Takes the selected nodes out of the container in one undo step.
    void deleteSelectedItems();
    /// The Delete key deletes the selected nodes; other keys go on to the list.
    void onKeyDown(wxUtils::OrkListEvent& event);
    /// "Delete" on a row.
    void onContextMenu(wxUtils::OrkListEvent& event);
    /// The context menu's "Delete": deletes the selected nodes.
    void handleDelete(wxCommandEvent& event);
    /// Does nothing: new nodes are made in the node tree, which knows the node types.
    void handleAdd(wxCommandEvent& event);

private:
    wxUtils::OrkListControl* m_list = nullptr;
    int m_addId = 0;
    int m_deleteId = 0;
    std::map<db::Node*, wxUtils::OrkListItem_*> m_rows;
};

} // namespace dbui
