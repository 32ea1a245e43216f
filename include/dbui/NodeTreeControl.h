#pragma once

#include <dbui/Export.h>

#include <db/DatabaseObserver.h>
#include <db/Visitor.h>

#include <wxUtils/TreeControl.h>

#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

class wxImageList;

namespace db
{
class Database;
class Node;
} // namespace db

namespace dbui
{

class NodeFilterHistory;
class NodeItemMap;

/// Sent by a NodeTreeControl (it travels up the parents) when its filter
/// changed or the database changes changed what it finds: GetInt() is the
/// number of nodes found, GetString() the filter's text, empty once cleared.
wxDECLARE_EXPORTED_EVENT(DBUI_EXPORT, EVT_NODE_FILTER_CHANGED, wxCommandEvent);

/// A tree of the nodes of one database (label: the node's name, column 1 its
/// class id) that follows the database's change sets item by item, and acts
/// on its selection: deletion as one undo step, renaming in place. The user
/// data of its items is its own: each item points back at its node there.
/// Items never copy a class id: the rows ask their nodes for it.
class DBUI_EXPORT NodeTreeControl : public wxUtils::TreeControl, public db::Visitor, public db::DatabaseObserver
{
public:
    /// Where the items' labels come from.
    enum class LabelSource
    {
        /// Each item keeps a copy of its node's name, brought up to date when
        /// the database reports the rename.
        Copy,
        /// Items keep no text: a row asks its node for its name when it is
        /// painted or asked. A big database binds faster and in a fifth of
        /// the memory; a label then shows a rename at once, before the
        /// database reports it at the end of its change block.
        Node,
    };

    /// Two-step creation: call Create next.
    NodeTreeControl();
    /// Creates the window at once; see Create.
    NodeTreeControl(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition,
                    const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "NodeTreeControl");
    ~NodeTreeControl() override;

    /// Makes the window; false (and nothing connected) when the toolkit cannot.
    bool Create(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = 0, const wxString& name = "NodeTreeControl");

    /// Shows `database` (null for none) and observes it; the same database again does nothing.
    virtual void setDatabase(db::Database* database);
    /// Empties the tree and fills it again from the database.
    virtual void rebuild();
    /// Removes every item.
    virtual void clear();
    /// Nodes of the selected items, in selection order.
    virtual std::vector<db::Node*> getSelectedNodes();
    /// The same without nodes whose ancestor item is selected too.
    virtual std::vector<db::Node*> getSelectedNodesWithoutChildren();
    /// Removes the selected subtrees as one undo step "Delete nodes", then
    /// selects a neighbour (next, else previous sibling, else the parent).
    virtual void deleteSelectedNodes(bool askFirst);
    /// Selects every node whose row is shown (the root's row aside), not those
    /// inside closed groups; with a filter set, the nodes it finds, not the
    /// ancestors shown around them. Selecting edits nothing: no undo step.
    void selectAllNodes();
    /// True when selectAllNodes would select something.
    bool hasSelectableNodes() const;
    /// Selects the items of `nodes` (those that have one), opening their
    /// parents and showing the first; false, the selection untouched, when none has.
    bool selectNodes(const std::vector<db::Node*>& nodes);

    /// How setBranchesExpanded leaves the branches it acts on.
    enum class BranchState
    {
        Expanded,
        Collapsed,
    };
    /// Opens (closes) each of `items` and every group below it, as one change
    /// of the rows however big the branch; with a filter set, what it hides
    /// stays hidden. Closing drops the nodes it hides from the selection and
    /// tells of it (wxUTILS_EVT_TREE_SEL_CHANGED). Edits nothing.
    void setBranchesExpanded(const std::vector<wxUtils::TreeItem*>& items, BranchState state);
    /// The items of the selected nodes but those below another selected one;
    /// the root's alone when nothing is selected.
    std::vector<wxUtils::TreeItem*> getSelectedBranches() const;

    /// The database shown, or null.
    db::Database* getDatabase() const { return m_database; }

    ///@{
    /// Where labels come from (Copy by default); choosing another rebuilds a bound tree.
    void setLabelSource(LabelSource source);
    LabelSource getLabelSource() const { return m_labelSource; }
    ///@}

    /// Shows only the nodes `text` finds, with their ancestors: nodes whose
    /// name holds it, ignoring case; with "type:Name", nodes of that type or
    /// one derived from it; with text starting with "/", the nodes whose
    /// database path it begins, up to their last step ("/Scene/Li" finds
    /// "/Scene/Light" but not "/Scene/Light/Bulb"). Empty text clears the
    /// filter. Follows database changes; returns the number of nodes found.
    std::size_t setFilterText(const wxString& text);
    /// The filter's text; empty when unfiltered.
    const wxString& getFilterText() const { return m_filterText; }

    /// The item showing `node`, or null.
    wxUtils::TreeItem* getItemOfNode(const db::Node* node) const;
    /// The node shown by `item`, or null.
    db::Node* getNodeOfItem(const wxUtils::TreeItem* item) const;

protected:
    /// Puts a new item under `parent` before `before` (at the end when null);
    /// with no parent it becomes the root. Override to decorate items.
    virtual void addItem(wxUtils::TreeItem* item, wxUtils::TreeItem* parent, wxUtils::TreeItem* before);

    bool visitNodeEnter(db::Node* node) override;
    /// Everything below `node` is shown: the walk goes on beside it.
    bool visitNodeExit(db::Node* node) override;
    /// The node's name (unless labels are copies) and class id.
    wxString itemText(const wxUtils::TreeItem& item, unsigned int column) const override;
    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient) override;
    /// Empties the tree and forgets the database, as setDatabase(nullptr) does.
    void onDatabaseDestroyed(db::Database* database) override;

    /// Adds the item of a node that came into the database, in its place among its siblings;
    /// false, adding nothing, while its parent has no item.
    bool doAddNode(db::Node* node);
    /// Removes a node's item with the items below it.
    void doRemoveNode(db::Node* node);
    /// Gives a node's item the node's new name (or repaints it, when labels are asked of the nodes).
    void doRenameNode(db::Node* node);
    /// Moves a node's item (with the items below it) to the node's new place.
    void doReparentNode(db::Node* node);
    /// doReparentNode for each of a change set's moved nodes, in any order.
    void replayMoves(const std::vector<db::Node*>& moved);

    /// Any item may be renamed: nothing to check.
    void onBeginRename(wxUtils::TreeEvent& event);
    /// A rename typed in place renames the node (one undo step); the label follows the database's report.
    void onEndRename(wxUtils::TreeEvent& event);

private:
    void init();
    /// Brings the items up to date with `changes`.
    void followChanges(const db::ChangeSet& changes);
    /// Where `node`'s item belongs among the items under `parentItem`: the
    /// item to insert before, null for the end.
    wxUtils::TreeItem* findInsertionPoint(const db::Node* node, wxUtils::TreeItem* parentItem) const;

    /// Where a node's item goes: its parent item and the item to insert before.
    void findPlace(db::Node* node, wxUtils::TreeItem*& parentItem, wxUtils::TreeItem*& before) const;

    /// Shows `added`, every node of the database but its root, in an empty
    /// tree: false (and the tree half filled) unless they come in the tree's order.
    bool fillInOrder(const std::vector<db::Node*>& added);
    /// Destroys every item but the root's, for a database that has just been emptied.
    void removeAllNodeItems();
    /// True when `node` is the child of the node of `parentItem` next after those its items show.
    bool comesNext(const db::Node& node, const wxUtils::TreeItem& parentItem) const;
    /// What follows a fill: the index of the items' nodes, and the filter's count.
    void finishFill();

    /// Tests again the items of `node` and its descendants, whose names or
    /// paths may have changed, when a filter is set.
    void refilterNode(const db::Node* node);
    /// Tells the parents how many nodes the filter finds, when that changed.
    void sendFilterChanged();
    /// Hands the items selectAllNodes selects to `take`, in the order of the rows, until it returns false.
    void forEachSelectable(const std::function<bool(wxUtils::TreeItem*)>& take) const;

    struct ShownNode
    {
        const db::Node* node;
        wxUtils::TreeItem* item;
    };

    db::Database* m_database = nullptr;
    /// While rebuild walks the database, or a fill follows a load: the chain
    /// of items from the root to the node being walked, whose last is the
    /// parent of the next node the walk enters.
    std::vector<ShownNode> m_walkPath;
    bool m_walking = false;
    LabelSource m_labelSource = LabelSource::Copy;
    std::unique_ptr<NodeItemMap> m_nodeItemMap;
    wxImageList* m_imageList = nullptr;
    wxString m_filterText;
    std::unique_ptr<NodeFilterHistory> m_filterHistory;
    std::size_t m_filterMatchesSent = 0;
    /// While a change set's moves are replayed: the moved nodes whose items
    /// are not yet where their nodes are, which are no landmark for the others.
    const std::unordered_set<const db::Node*>* m_unplacedMoves = nullptr;
};

} // namespace dbui
