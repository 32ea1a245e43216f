#pragma once

#include <dbui/Export.h>

#include <wx/accel.h>
#include <wx/defs.h>
#include <wx/string.h>

#include <functional>
#include <map>
#include <vector>

class wxMenu;
class wxTextEntryBase;
class wxToolBar;
class wxWindow;

namespace wxUtils
{
class OrkMenu;
class TreeItem;
} // namespace wxUtils

namespace dbui
{

class NodeBrowserTreeControl;

/// What a command acts on: the tree's selection, and the text box that had the focus.
struct DBUI_EXPORT NodeCommandContext
{
    /// The tree whose selection the commands act on.
    NodeBrowserTreeControl* tree = nullptr;
    /// The text box that had the focus, if one had: Cut, Copy, Paste and Select All work on its text.
    wxTextEntryBase* text = nullptr;

    /// The context of `tree` with `focus` the window that has (or had) the focus.
    static NodeCommandContext of(NodeBrowserTreeControl* tree, wxWindow* focus);
};

/// One command: what it is called, where it shows, when it can run and what it does.
struct DBUI_EXPORT NodeCommand
{
    /// The surfaces that show a command besides the command palette and the keys, which show every command.
    enum Place
    {
        ContextMenu = 1,
        EditMenu = 2,
        ViewMenu = 4,
        ToolBar = 8,
    };

    /// The id of its menu items and tools, one command's alone.
    int id = wxID_NONE;
    /// With its mnemonic: "Cu&t".
    wxString label;
    /// One sentence for status bars and tool tips.
    wxString help;
    /// The default key, as wxAcceleratorEntry spells it ("Ctrl+X"); empty for none.
    wxString shortcut;
    /// The name of an icon of NodeIcons; empty for none (the command then stays off tool bars).
    wxString icon;
    /// A combination of Place.
    int places = 0;
    /// Menus and tool bars show commands by group, in the order added within one, with separators between groups.
    int group = 0;
    /// Shown with a check mark when `checked` says so.
    std::function<bool(const NodeCommandContext&)> checked;
    /// Null: always enabled.
    std::function<bool(const NodeCommandContext&)> enabled;
    /// What it does; called only while `enabled` says it can run.
    std::function<void(const NodeCommandContext&)> run;
};

/// The table of the commands on nodes: each declared once, and every surface (a
/// tree's context menu, menus, tool bars, the command palette, accelerators) built from it.
class DBUI_EXPORT NodeCommands
{
public:
    /// Ids of the browser tree's own commands: wxWidgets' standard ones where one fits.
    enum Id : int
    {
        CutId = wxID_CUT,
        CopyId = wxID_COPY,
        PasteId = wxID_PASTE,
        DeleteId = wxID_DELETE,
        RenameId = wxID_EDIT,
        SelectAllId = wxID_SELECTALL,
        DuplicateId = wxID_HIGHEST + 500,
        ExpandAllId,
        CollapseAllId,
        SaveAsXmlId,
        SaveAsBinaryId,
        LoadFromFileId,
        CopyPathId,
        /// The inspector's, which it adds to a table itself (NodeInspector::addCommandsTo).
        LockInspectorId,
        ModifiedOnlyId,
        /// Hosts may number their own commands from here up.
        FirstHostId = wxID_HIGHEST + 600,
    };

    /// An empty table; a NodeBrowserTreeControl's starts with its own commands.
    NodeCommands() = default;

    /// Adds `command` after those of its group; false (and nothing added) when its id is taken.
    bool add(NodeCommand command);
    /// Every command, in the order the surfaces show them.
    const std::vector<NodeCommand>& getCommands() const { return m_commands; }
    /// The command of `id`; null when there is none.
    const NodeCommand* find(int id) const;

    /// Whether the command can run in `context`: the one answer every surface shows.
    bool isEnabled(const NodeCommand& command, const NodeCommandContext& context) const;
    /// Runs the command of `id` if it is enabled in `context`; false when it did not run.
    bool run(int id, const NodeCommandContext& context) const;

    /// The command whose shortcut is `shortcut`, in any spelling wxAcceleratorEntry reads; null for none.
    const NodeCommand* findByShortcut(const wxString& shortcut) const;
    /// Gives the command `id` the key `shortcut` (empty: none). A key another
    /// command holds is refused: that command is returned and nothing changes.
    const NodeCommand* setShortcut(int id, const wxString& shortcut);
    /// The key the command of `id` came with.
    wxString getDefaultShortcut(int id) const;
    /// `shortcut` as the menus spell it ("Ctrl+Shift+P"); empty for no key or one wxWidgets cannot read.
    static wxString normalizeShortcut(const wxString& shortcut);
    /// The label without its mnemonic: what the palette lists and settings are kept under.
    static wxString plainLabel(const NodeCommand& command);

    /// Appends the commands of `place` (EditMenu or ViewMenu) to `menu`, with their keys.
    void appendToMenu(wxMenu& menu, NodeCommand::Place place) const;
    /// Sets the labels of `menu`'s items of this table to show their current keys.
    void refreshMenuLabels(wxMenu& menu) const;
    /// Appends a tool for each command with an icon placed on tool bars; Realize() is the caller's.
    void appendToToolBar(wxToolBar& toolBar) const;
    /// The accelerators of every command with a key, but those of the commands
    /// in `menus` (a combination of Place): a menu item's key is its own, and
    /// on GTK it waits for the focused window, where an accelerator would not.
    wxAcceleratorTable makeAcceleratorTable(int menus = 0) const;
    /// Appends the context menu's commands to `menu`, each enabled as `context` says.
    void appendToContextMenu(wxUtils::OrkMenu& menu, const NodeCommandContext& context) const;

private:
    std::vector<NodeCommand> m_commands;
    std::map<int, wxString> m_defaultShortcuts;
};

} // namespace dbui
