#include <dbui/NodeCommands.h>

#include <dbui/NodeIcons.h>

#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMenuItem.h>

#include <wx/menu.h>
#include <wx/textentry.h>
#include <wx/toolbar.h>
#include <wx/window.h>

#include <algorithm>

namespace dbui
{

NodeCommandContext NodeCommandContext::of(NodeBrowserTreeControl* tree, wxWindow* focus)
{
    NodeCommandContext context;
    context.tree = tree;
    context.text = dynamic_cast<wxTextEntryBase*>(focus);
    return context;
}

// ---------------------------------------------------------------------------
// The table
// ---------------------------------------------------------------------------

bool NodeCommands::add(NodeCommand command)
{
    wxASSERT_MSG(command.run, "a command needs something to run");
    if (find(command.id))
        return false;
    command.shortcut = normalizeShortcut(command.shortcut);
    m_defaultShortcuts[command.id] = command.shortcut;
    // After the last of its group, so that each surface lists a group in the order it was made.
    const auto after = std::find_if(m_commands.begin(), m_commands.end(),
                                    [&command](const NodeCommand& other) { return other.group > command.group; });
    m_commands.insert(after, std::move(command));
    return true;
}

const NodeCommand* NodeCommands::find(int id) const
{
    const auto found = std::find_if(m_commands.begin(), m_commands.end(),
                                    [id](const NodeCommand& command) { return command.id == id; });
    return found == m_commands.end() ? nullptr : &*found;
}

bool NodeCommands::isEnabled(const NodeCommand& command, const NodeCommandContext& context) const
{
    return !command.enabled || command.enabled(context);
}

bool NodeCommands::run(int id, const NodeCommandContext& context) const
{
    const NodeCommand* command = find(id);
    if (!command || !isEnabled(*command, context))
        return false;
    // A copy: the command may change the table, as the shortcut editor does.
    const auto run = command->run;
    run(context);
    return true;
}

// ---------------------------------------------------------------------------
// Shortcuts
// ---------------------------------------------------------------------------

wxString NodeCommands::normalizeShortcut(const wxString& shortcut)
{
    if (shortcut.empty())
        return wxString();
    wxAcceleratorEntry entry;
    // FromString reads what follows a tab, as in a menu label.
    if (!entry.FromString("\t" + shortcut) || !entry.IsOk())
        return wxString();
    return entry.ToString();
}

wxString NodeCommands::plainLabel(const NodeCommand& command)
{
    wxString label = wxStripMenuCodes(command.label, wxStrip_Mnemonics);
    label.Replace("...", "");
    return label;
}

const NodeCommand* NodeCommands::findByShortcut(const wxString& shortcut) const
{
    const wxString key = normalizeShortcut(shortcut);
    if (key.empty())
        return nullptr;
    const auto found = std::find_if(m_commands.begin(), m_commands.end(),
                                    [&key](const NodeCommand& command) { return command.shortcut == key; });
    return found == m_commands.end() ? nullptr : &*found;
}

const NodeCommand* NodeCommands::setShortcut(int id, const wxString& shortcut)
{
    const wxString key = normalizeShortcut(shortcut);
    const NodeCommand* holder = findByShortcut(key);
    if (holder && holder->id != id)
        return holder;
    for (NodeCommand& command : m_commands)
        if (command.id == id)
            command.shortcut = key;
    return nullptr;
}

wxString NodeCommands::getDefaultShortcut(int id) const
{
    const auto found = m_defaultShortcuts.find(id);
    return found == m_defaultShortcuts.end() ? wxString() : found->second;
}

// ---------------------------------------------------------------------------
// Surfaces
// ---------------------------------------------------------------------------

namespace
{

wxString menuLabel(const NodeCommand& command)
{
    return command.shortcut.empty() ? command.label : command.label + "\t" + command.shortcut;
}

/// Calls `add` for each command of `place`, and `separate` between groups.
template <class Add, class Separate>
void eachInPlace(const std::vector<NodeCommand>& commands, int place, Add add, Separate separate)
{
    const NodeCommand* previous = nullptr;
    for (const NodeCommand& command : commands)
    {
        if (!(command.places & place))
            continue;
        if (previous && previous->group != command.group)
            separate();
        add(command);
        previous = &command;
    }
}

} // namespace

void NodeCommands::appendToMenu(wxMenu& menu, NodeCommand::Place place) const
{
    eachInPlace(
        m_commands, place,
        [&menu](const NodeCommand& command)
        { menu.Append(command.id, menuLabel(command), command.help, command.checked ? wxITEM_CHECK : wxITEM_NORMAL); },
        [&menu] { menu.AppendSeparator(); });
}

void NodeCommands::refreshMenuLabels(wxMenu& menu) const
{
    for (const NodeCommand& command : m_commands)
        if (wxMenuItem* item = menu.FindChildItem(command.id))
            item->SetItemLabel(menuLabel(command));
}

void NodeCommands::appendToToolBar(wxToolBar& toolBar) const
{
    eachInPlace(
        m_commands, NodeCommand::ToolBar,
        [&toolBar](const NodeCommand& command)
        {
            const wxBitmap icon = NodeIcons::getBitmap(command.icon);
            if (!icon.IsOk())
                return;
            const wxString tip =
                command.shortcut.empty() ? plainLabel(command) : plainLabel(command) + " (" + command.shortcut + ")";
            toolBar.AddTool(command.id, plainLabel(command), icon, tip, command.checked ? wxITEM_CHECK : wxITEM_NORMAL);
        },
        [&toolBar] { toolBar.AddSeparator(); });
}

wxAcceleratorTable NodeCommands::makeAcceleratorTable(int menus) const
{
    std::vector<wxAcceleratorEntry> entries;
    for (const NodeCommand& command : m_commands)
    {
        wxAcceleratorEntry entry;
        if (!(command.places & menus) && !command.shortcut.empty() && entry.FromString("\t" + command.shortcut))
        {
            entry.Set(entry.GetFlags(), entry.GetKeyCode(), command.id);
            entries.push_back(entry);
        }
    }
    return wxAcceleratorTable(static_cast<int>(entries.size()), entries.data());
}

void NodeCommands::appendToContextMenu(wxUtils::OrkMenu& menu, const NodeCommandContext& context) const
{
    eachInPlace(
        m_commands, NodeCommand::ContextMenu,
        [&](const NodeCommand& command)
        {
            wxUtils::OrkMenuItem* item = menu.add(command.id, menuLabel(command), command.checked != nullptr,
                                                  command.checked && command.checked(context), command.help);
            item->setEnabled(isEnabled(command, context));
        },
        [&menu] { menu.addSeparator(); });
}

} // namespace dbui
