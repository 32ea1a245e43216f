#pragma once

#include <dbui/Export.h>
#include <dbui/NodeCommands.h>
#include <dbui/NodeTreeControl.h>

#include <wxUtils/TreeItemHandle.h>

#include <unordered_map>
#include <vector>

namespace db
{
class NodeContainer;
class NodeDef;
} // namespace db
namespace wxUtils
{
class OrkMenu;
}

namespace dbui
{

/// The node tree with a browser's commands: a context menu to delete, copy,
/// rename, create child nodes, add dynamic attributes, load and save files
/// and copy database paths, and the Delete key.
class DBUI_EXPORT NodeBrowserTreeControl : public NodeTreeControl
{
public:
    /// Behaviour a host can switch on; none is on by default.
    enum Options
    {
        /// Cut, Copy and Paste through the system clipboard (see NodeClipboard),
        /// in the context menu and on Ctrl+X, Ctrl+C and Ctrl+V; the menu's
        /// copy is then "Duplicate" (duplicateSelectedNodes, also on Ctrl+D),
        /// and its Delete and Rename name their keys (Del, F2) as the clipboard entries do.
        ClipboardCommands = 1,
        /// The selected nodes can be dragged onto a node (into its first
        /// container that takes them) or between rows (beside a node): a
        /// move, or a copy with Ctrl held, as one undo step ("Move node" or
        /// "Move nodes", "Copy node" or "Copy nodes"). Places the schema
        /// refuses show why and take nothing.
        DragAndDrop = 2,
        /// An icon before each node's name, after its type (see NodeIcons).
        TypeIcons = 4,
        /// Titles above the columns: "Name" and "Type".
        ColumnHeaders = 8,
        /// A closed node's Type column also counts the nodes below it: "Group (12 nodes)".
        SubtreeCounts = 16,
        /// Ctrl+A selects every node (see selectAllNodes).
        SelectAllKey = 32,
        /// "Expand All" and "Collapse All" in the menu of a node with children
        /// open or close its whole branch (the root's: the whole tree), and
        /// the keypad's * opens the branches of the selected nodes (see
        /// setBranchesExpanded).
        BranchCommands = 64,
        /// An undo or redo that brings nodes back or moves them selects them
        /// (the top node of each subtree), so that the user sees what it did.
        SelectUndoneNodes = 128,
        /// The context menu is built from the table of commands (getCommands):
        /// every command of the table's context menu, enabled or not as the
        /// selection allows, as in every other surface; the commands act on the
        /// selection, and the "Add Dynamic Attribute" entries are the database's
        /// attribute types.
        CommandTable = 256,
    };

    /// Two-step creation: call Create next.
    NodeBrowserTreeControl();
    /// Creates the window at once; see Create.
    NodeBrowserTreeControl(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition,
                           const wxSize& size = wxDefaultSize, long style = 0,
                           const wxString& name = "NodeBrowserTreeControl");
    ~NodeBrowserTreeControl() override;

    /// Two-step creation; false (and nothing connected) when the window could not be made.
    bool Create(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = 0, const wxString& name = "NodeBrowserTreeControl");

    ///@{
    /// A combination of Options.
    void setOptions(int options);
    int getOptions() const { return m_options; }
    ///@}

    ///@{
    /// The table of commands on the nodes: the tree's own, and those a host adds.
    NodeCommands& getCommands() { return m_commands; }
    const NodeCommands& getCommands() const { return m_commands; }
    ///@}

    /// Also forgets which icon each type had: another database brings other types.
    void rebuild() override;
    /// Also forgets the counts of nodes below nodes.
    void clear() override;

    /// Puts the selected nodes, each with everything below it, on the clipboard; false when nothing was copied.
    virtual bool copySelectedNodesToClipboard();
    /// Puts the selected nodes on the clipboard and deletes them, as one undo
    /// step "Cut nodes"; nothing is deleted unless the clipboard took them.
    virtual bool cutSelectedNodesToClipboard();
    /// Pastes the clipboard's nodes into or beside the first selected node (see
    /// NodeClipboard::paste) and selects the first of them; says why in a message when nothing could be pasted.
    virtual bool pasteNodesFromClipboard();
    /// Copies each selected node, with everything below it, right after
    /// itself, as one undo step ("Duplicate node" or "Duplicate nodes"), and
    /// selects the copies; false when nothing was copied.
    virtual bool duplicateSelectedNodes();

protected:
    /// Fills the context menu for `item` (null: opened on no item) and remembers the item.
    virtual void buildContextMenu(wxUtils::OrkMenu& menu, wxUtils::TreeItem* item);

    bool visitNodeEnter(db::Node* node) override;
    /// With TypeIcons, the icon of the node's type.
    int itemImage(const wxUtils::TreeItem& item) const override;
    /// With SubtreeCounts, a closed node's type with the count of the nodes below it.
    wxString itemText(const wxUtils::TreeItem& item, unsigned int column) const override;
    /// Also forgets the counts of nodes below nodes when nodes came, went or moved.
    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient) override;
    /// With BranchCommands, the keypad's * opens the selected branches.
    bool previewKey(wxKeyEvent& event) override;

    /// Right click or the menu key: shows the menu buildContextMenu fills.
    void onContextMenu(wxUtils::TreeEvent& event);
    /// Runs the command chosen in the context menu on the remembered item.
    void handleContextMenuChoice(wxCommandEvent& event);
    /// The Delete key deletes the selected nodes, after asking; with ClipboardCommands,
    /// Ctrl+X, Ctrl+C and Ctrl+V cut, copy and paste them, with SelectAllKey Ctrl+A
    /// selects every node; with CommandTable the keys are the table's instead;
    /// other keys go on to the tree.
    void onChar(wxKeyEvent& event);

    ///@{
    /// Dragging the selected nodes: refuses places the schema does not allow,
    /// and moves or copies them there on the drop.
    void onBeginDrag(wxUtils::TreeEvent& event);
    void onDragOver(wxUtils::TreeEvent& event);
    void onEndDrag(wxUtils::TreeEvent& event);
    ///@}

    /// Asks for an XML or binary file and loads it into the whole database.
    void loadDatabaseFromFile();
    ///@{
    /// Asks for a file and writes the subtree of `item`'s node to it, as XML (binary).
    void saveAsXML(wxUtils::TreeItem* item);
    void saveAsBinary(wxUtils::TreeItem* item);
    ///@}

private:
    /// With SubtreeCounts, widens the Type column to the longest text a closed row can show.
    void fitTypeColumn();

    enum Command
    {
        CommandCopy,
        CommandDelete,
        CommandRename,
        CommandLoadFromFile,
        CommandSaveAsXML,
        CommandSaveAsBinary,
        CommandCopyPath,
        CommandDynamicInt,
        CommandDynamicBool,
        CommandDynamicFloat,
        CommandDynamicDouble,
        CommandDynamicString,
        CommandDynamicVector3,
        CommandDynamicMatrix34,
        CommandDynamicIntArray,
        CommandDynamicBoolArray,
        CommandDynamicFloatArray,
        CommandDynamicDoubleArray,
        CommandDynamicStringArray,
        CommandDynamicVector3Array,
        CommandDynamicMatrix34Array,
        CommandCut,
        CommandCopyToClipboard,
        CommandPaste,
        CommandExpandBranch,
        CommandCollapseBranch,
        CommandCount
    };

    /// Where a drop lands: the container, and the node to go before (null: at the end).
    struct DropTarget
    {
        db::NodeContainer* container = nullptr;
        db::Node* before = nullptr;
        /// Why the nodes cannot land there; empty when they can.
        wxString refusal;
    };
    DropTarget findDropTarget(const wxUtils::TreeEvent& event, const std::vector<db::Node*>& nodes) const;
    void dropNodes(const DropTarget& target, const std::vector<db::Node*>& nodes, bool copy);

    void init();
    /// Fills the table with the tree's own commands.
    void addStandardCommands();
    /// The context menu of CommandTable, for the selection.
    void buildTableContextMenu(wxUtils::OrkMenu& menu);
    void addTableSubMenus(wxUtils::OrkMenu& menu, db::Node& node);
    /// With CommandTable: runs the table's command, or a submenu's choice; false for other ids.
    bool handleTableChoice(int id);
    /// The one selected node, or null.
    db::Node* singleSelectedNode();
    /// True when a selected node is not the database: something to cut, duplicate or delete.
    bool hasRemovableSelection();
    void addContainerMenus(wxUtils::OrkMenu& menu, db::Node& node);
    void addDynamicAttributeMenu(wxUtils::OrkMenu& menu);
    void addClipboardEntries(wxUtils::OrkMenu& menu, bool canCut);
    bool handleClipboardChoice(int id);
    /// With CommandTable: runs the table's command of the key, if one has it; false when none has.
    bool runCommandOfKey(const wxKeyEvent& event);
    /// Ctrl+A, and Ctrl+X, Ctrl+C and Ctrl+V; false for other keys or when their option is off.
    bool handleControlKey(const wxKeyEvent& event);
    bool pasteAt(db::Node* selected);
    bool addDynamicAttribute(int id, db::Node& node);
    void copySelectedNodes(db::Node& contextNode);
    /// With SelectUndoneNodes, selects what an undo or redo brought back or moved.
    void selectUndoneNodes(const db::ChangeSet& changes);
    void copyPathToClipboard(db::Node& node);
    void createNode(wxCommandEvent& event);
    void saveSubtree(wxUtils::TreeItem* item, bool binary);

    int m_ids[CommandCount] = {};
    NodeCommands m_commands;
    /// What an entry of a CommandTable submenu does: create a node of a type
    /// in a container, or add a dynamic attribute of a type.
    struct SubMenuChoice
    {
        int id = 0;
        /// The index of the container among the node's attributes.
        unsigned int container = 0;
        int typeId = 0;
        int attributeType = 0;
    };
    /// Ids reserved for the last CommandTable menu's submenus, given back with the next.
    std::vector<SubMenuChoice> m_subMenuChoices;
    void releaseSubMenuChoices();
    // Held across the menu, which runs events that may delete the item.
    wxUtils::TreeItemHandle m_contextItem;
    int m_options = 0;
    // Each type's place in the image list, found when a row of that type is first painted.
    mutable std::unordered_map<const db::NodeDef*, int> m_typeImages;
    mutable std::unordered_map<wxString, int> m_iconImages;
    // Counted when a closed node's row is painted, kept until the database changes.
    mutable std::unordered_map<const db::Node*, std::size_t> m_subtreeCounts;
};

} // namespace dbui
