#pragma once

#include <dbui/Export.h>

#include <db/DatabaseObserver.h>
#include <wxUtils/OrkScrollWindow.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace db
{
class Attribute;
class Node;
} // namespace db

class wxContextMenuEvent;
class wxSizerItem;

namespace wxUtils
{
class OrkMenu;
class PanelBuilder;
} // namespace wxUtils

namespace dbui
{

class CommonAttributeHolder;
class InspectorHeader;
class NodeCommands;
class WidgetDispatcher;

/// Sent by a NodeInspector (it travels up the parents) when the user asks to
/// go to what a pointer row points at: GetClientData() is a
/// `const std::vector<db::Node*>*`, the nodes of the targets, valid while the
/// event is handled. NodeBrowser selects them in its tree.
wxDECLARE_EXPORTED_EVENT(DBUI_EXPORT, EVT_INSPECTOR_GO_TO_NODES, wxCommandEvent);
/// Sent by a NodeInspector when the user pins or unpins an attribute
/// (PinnedRows): GetString() is the node type, getPinnedAttributes() its pins.
wxDECLARE_EXPORTED_EVENT(DBUI_EXPORT, EVT_INSPECTOR_PINS_CHANGED, wxCommandEvent);

/// A scrolling panel of one row per attribute common to the inspected nodes:
/// a label and the factory's editor widget bound to the like attributes of all
/// of them. It rebuilds when the structure under its nodes changes; value
/// changes are left to the widgets, which it tells of the changes to their own
/// attributes only, so that a change costs the same however many rows it shows.
class DBUI_EXPORT NodeInspector : public wxUtils::OrkScrollWindow, public db::DatabaseObserver
{
public:
    /// Behaviour a host can switch on; none is on by default.
    enum Options
    {
        /// A header above the rows: the inspected node's name, editable in
        /// place, its type and its database path (a click copies it); for
        /// several nodes, their count and the type they all are of.
        ShowHeader = 1,
        /// A box above the rows that shows only the rows whose attribute name,
        /// or a member's name, holds its text (in any case); Esc empties it.
        ShowAttributeFilter = 2,
        /// Compound and attribute-array rows fold away by a click on their
        /// label; the inspector remembers which, per node type, while it lives.
        CollapsibleRows = 4,
        /// Number boxes are wide enough for the longest number they show
        /// ("-1.23457e-38"), instead of their 80-pixel minimum, where a long
        /// number shows only its last digits and reads as another number.
        WideNumberBoxes = 8,
        /// A right click on a row's label (or between rows) offers "Reset to
        /// Default", "Copy Value" and "Paste Value" for that row's attributes
        /// on every inspected node, each one undo step; values go to and from
        /// the clipboard as text in the form of the database's XML files; on a
        /// pointer row also "Go to Target" (EVT_INSPECTOR_GO_TO_NODES).
        ValueCommands = 16,
        /// Number boxes take arithmetic and relative edits such as "+=0.5",
        /// applied to each inspected node's own value (AttributeWidget::ArithmeticInput).
        ArithmeticInput = 32,
        /// A lock button in the header (with ShowHeader): see lock().
        LockButton = 64,
        /// Rows whose value differs from the type's default, on any inspected
        /// node, have bold labels; with ShowAttributeFilter a "Modified only"
        /// switch beside the filter hides the others.
        MarkModifiedRows = 128,
        /// A row's menu pins its attribute for the node type: pinned rows come
        /// first, in the order pinned, their labels marked.
        PinnedRows = 256,
        /// Tab and Shift+Tab move from row to row (through the cells of
        /// vectors and matrices in reading order); Ctrl+F goes to the filter.
        KeyboardNavigation = 512,
        /// Nodes dragged from a NodeBrowserTreeControl onto a pointer row
        /// point it at them (a pointer array appends them) on every inspected
        /// node, one undo step; nodes of a type it does not take are refused.
        PointerDrops = 1024,
    };

    /// Two-step creation: call Create next.
    NodeInspector();
    /// Creates the window at once; see Create.
    NodeInspector(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                  long style = 0, const wxString& name = "NodeInspector");
    ~NodeInspector() override;

    /// Two-step creation; false (and nothing connected) when the window could not be made.
    bool Create(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = 0, const wxString& name = "NodeInspector");

    /// Observes `database` (null for none) and empties the panel; the same database again does nothing.
    virtual void setDatabase(db::Database* database);
    /// The database observed, or null.
    db::Database* getDatabase() const { return m_database; }

    /// Inspects `nodes`, which must belong to the current database.
    void setNodes(const std::vector<db::Node*>& nodes);
    /// The nodes inspected, as given to setNodes.
    const std::vector<db::Node*>& getNodes() const { return m_nodes; }
    /// The rows, in order (node-container rows included, though not shown).
    const std::vector<CommonAttributeHolder*>& getHolders() const { return m_holders; }

    /// Destroys every row and builds them again.
    void rebuild();
    /// Destroys every row.
    void clear();

    ///@{
    /// A combination of Options; setting them rebuilds the panel.
    void setOptions(int options);
    int getOptions() const { return m_options; }
    ///@}

    ///@{
    /// While locked, setNodes only notes the nodes to show once unlocked: the
    /// inspected nodes stay while the tree's selection moves. Removed nodes
    /// still leave the inspector.
    void lock();
    void unlock();
    bool isLocked() const { return m_locked; }
    ///@}

    ///@{
    /// Whether only modified rows show (MarkModifiedRows with ShowAttributeFilter); toggling flips the switch.
    bool isModifiedOnly() const;
    void toggleModifiedOnly();
    ///@}
    /// Whether any attribute of `row` differs from its default.
    static bool isModified(const CommonAttributeHolder& row);

    ///@{
    /// The attributes pinned for a node type, in the order they come first (PinnedRows).
    std::vector<std::wstring> getPinnedAttributes(const std::wstring& nodeType) const;
    void setPinnedAttributes(const std::wstring& nodeType, const std::vector<std::wstring>& names);
    ///@}

    /// Puts the focus in the attribute filter, its text selected; false without one.
    bool focusAttributeFilter();

    ///@{
    /// Why `nodes` cannot be dropped at `screenPoint` (PointerDrops), or empty
    /// when they can; dropping points the row there at them, one undo step.
    wxString getDropRefusal(const wxPoint& screenPoint, const std::vector<db::Node*>& nodes);
    bool dropNodes(const wxPoint& screenPoint, const std::vector<db::Node*>& nodes);
    ///@}

    /// Adds "Lock Inspector" and "Modified Attributes Only" (with the options
    /// that make them) to `commands`, for the host's menus and palette.
    void addCommandsTo(NodeCommands& commands);

protected:
    /// Fills the holder list from the attributes of the first node.
    virtual void findCommonality();
    /// Collects the like attribute of every node into `holder`; false when a
    /// node lacks it, has it with another type, or it cannot be edited together.
    virtual bool fillCommonAttributeHolder(db::Attribute* attribute, CommonAttributeHolder& holder) const;
    /// Whether attributes like `attribute` of several nodes can share one widget.
    virtual bool canMultiSelect(db::Attribute* attribute) const;
    /// Fills the menu of `row` (ValueCommands); a host may add its own items,
    /// whose choices reach the inspector and its parents as menu events.
    virtual void buildContextMenu(wxUtils::OrkMenu& menu, const CommonAttributeHolder& row);

    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient) override;
    /// Empties the panel and forgets the database, as setDatabase(nullptr) does.
    void onDatabaseDestroyed(db::Database* database) override;

private:
    void addRow(wxUtils::PanelBuilder& builder, const CommonAttributeHolder& holder);
    void addRowLabel(wxUtils::PanelBuilder& builder, const CommonAttributeHolder& holder);
    /// Brings the header up to date with the rows just built, and hides rows as showRowsAsChosen does.
    void applyViewOptions();
    /// Hides the rows the filter leaves out and the folded rows' widgets.
    void showRowsAsChosen();
    std::wstring foldKey(const CommonAttributeHolder& holder) const;
    /// Calls `each` with every shown row and its label and widget (or spacer)
    /// items of the grid, in order, while it returns true.
    void forEachGridRow(
        const std::function<bool(const CommonAttributeHolder&, wxSizerItem& label, wxSizerItem* widget)>& each);

    void onContextMenu(wxContextMenuEvent& event);
    /// The row whose label is `clicked`, or, on the panel itself, whose band holds `point` (screen).
    const CommonAttributeHolder* rowAt(const wxWindow* clicked, const wxPoint& point);
    void handleRowCommand(wxCommandEvent& event);
    void handleResetToDefault(const CommonAttributeHolder& row);
    void handleCopyValue(const CommonAttributeHolder& row);
    void handlePasteValue(const CommonAttributeHolder& row);
    void handleGoToTarget(const CommonAttributeHolder& row);
    void handlePin(const CommonAttributeHolder& row);
    /// The node type whose pins order the rows.
    std::wstring pinType() const;
    /// Puts the pinned rows first, in pin order.
    void orderPinnedRows();
    /// The label text of a row: a pin mark, then its name.
    wxString labelOf(const CommonAttributeHolder& holder) const;
    /// Notes which rows differ from their defaults.
    void findModifiedRows();
    /// Marks again the rows whose attributes `changes` touched.
    void followModifiedRows(const db::ChangeSet& changes);
    void markLabel(wxWindow& label, const CommonAttributeHolder& holder) const;
    void onCharHook(wxKeyEvent& event);
    /// Moves the focus to the next (previous) control of the inspector; false at either end.
    bool moveFocus(bool forward);
    const CommonAttributeHolder* pointerRowAt(const wxPoint& screenPoint);
    /// The nodes `changes` removed, sorted for looking up, when the inspector holds any nodes to look up.
    std::vector<const db::Node*> removedNodesHeldHere(const db::ChangeSet& changes) const;
    /// Takes the nodes `gone` (sorted) out of the inspected and followed ones; true when an inspected one went.
    bool dropRemovedNodes(const std::vector<const db::Node*>& gone);
    /// Notes the text the rows' number boxes refused, for the nodes shown, before the rows go.
    void keepRefusedTyping();
    /// Puts the refused text kept for the nodes shown back in their boxes, still typed.
    void restoreRefusedTyping();
    void forgetTypingOfRemovedNodes(const std::vector<const db::Node*>& gone);
    bool touchesInspectedNodes(const db::ChangeSet& changes) const;

    db::Database* m_database = nullptr;
    std::vector<db::Node*> m_nodes;
    std::vector<CommonAttributeHolder*> m_holders;
    int m_options = 0;
    InspectorHeader* m_header = nullptr;
    /// Tells the row widgets of their changes.
    std::unique_ptr<WidgetDispatcher> m_widgetDispatcher;
    /// Folded rows, as "node type/attribute name".
    std::set<std::wstring> m_foldedRows;
    /// Ids of "Reset to Default", "Copy Value", "Paste Value", "Go to Target" and "Pin".
    std::array<int, 5> m_rowCommandIds{};
    bool m_locked = false;
    /// What setNodes asked for while locked.
    std::vector<db::Node*> m_followedNodes;
    /// Rows that differ from their defaults (MarkModifiedRows).
    std::set<const CommonAttributeHolder*> m_modifiedRows;
    /// The inspected nodes, for telling their changes from others' (MarkModifiedRows).
    std::unordered_set<const db::Node*> m_markedNodes;
    /// Pinned attribute names by node type.
    std::map<std::wstring, std::vector<std::wstring>> m_pins;
    /// The row whose menu is open; cleared when the rows go.
    const CommonAttributeHolder* m_menuRow = nullptr;
    /// A box's text that was refused: the row's attribute, the box's place among the row's boxes, and why.
    struct RefusedTyping
    {
        std::wstring row;
        std::size_t box;
        std::wstring text;
        std::wstring why;
    };
    struct KeptTyping
    {
        std::vector<db::Node*> nodes;
        std::vector<RefusedTyping> typing;
    };
    /// The nodes the rows were built for.
    std::vector<db::Node*> m_rowNodes;
    /// A box of the rows refused its text since they were last looked over.
    bool m_typingRefused = false;
    /// Refused typing by the selection it was typed for, oldest first.
    std::vector<KeptTyping> m_keptTyping;
};

} // namespace dbui
