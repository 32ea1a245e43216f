#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>

#include <map>

namespace db {
class Node;
}
namespace wxUtils {
class OrkListControl;
class OrkListEvent;
class OrkListItem_;
} // namespace wxUtils

namespace dbui {

/// Lists the nodes of a node container attribute by name, one row each, and
/// keeps the rows in step with added, removed, moved and renamed nodes. Rows are
/// in container order when filled and alphabetical after the first change.
class DBUI_EXPORT NodeContainerWidget : public AttributeWidget
{
public:
    NodeContainerWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~NodeContainerWidget() override;

    wxUtils::OrkListControl* getListControl() const { return m_list; }

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    /// Adds a row for a node of the first attribute (once).
    void doAddNode(db::Node* node);
    void doRemoveNode(db::Node* node);
    void fillListControl();
    /// Takes the selected nodes out of the container in one undo step.
    void deleteSelectedItems();
    void onKeyDown(wxUtils::OrkListEvent& event);
    void onContextMenu(wxUtils::OrkListEvent& event);
    void handleDelete(wxCommandEvent& event);
    void handleAdd(wxCommandEvent& event);

private:
    wxUtils::OrkListControl* m_list = nullptr;
    int m_addId = 0;
    int m_deleteId = 0;
    std::map<db::Node*, wxUtils::OrkListItem_*> m_rows;
};

} // namespace dbui
