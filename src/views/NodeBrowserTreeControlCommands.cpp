// The browser tree's table of commands (NodeBrowserTreeControl::CommandTable):
// its own commands, and the context menu built from the table.

#include <dbui/NodeBrowserTreeControl.h>

#include <dbui/NodeClipboard.h>

#include <db/AttributeDef.h>
#include <db/AttributeType.h>
#include <db/CompoundAttributeDef.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/NodeFactory.h>
#include <db/TypeRegistry.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/TreeItem.h>

#include <wx/textentry.h>

#include <algorithm>
#include <cwctype>

namespace dbui
{

namespace
{

/// Composite kinds are only ever members of a type, never dynamic attributes.
bool canBeDynamic(db::AttributeType type)
{
    return type != db::NodeContainerType && type != db::AttributeArrayType && type != db::Compound &&
           type != db::NodeType;
}

/// "float array" becomes "DynamicFloatArray", the name a new attribute of that type gets.
std::wstring dynamicName(db::AttributeType type)
{
    std::wstring name = L"Dynamic";
    bool wordStart = true;
    for (const wchar_t* c = db::attributeTypeName(type); *c; ++c)
    {
        if (*c == L' ')
            wordStart = true;
        else
        {
            name += wordStart ? static_cast<wchar_t>(std::towupper(*c)) : *c;
            wordStart = false;
        }
    }
    return name;
}

} // namespace

// ---------------------------------------------------------------------------
// The tree's own commands
// ---------------------------------------------------------------------------

db::Node* NodeBrowserTreeControl::singleSelectedNode()
{
    const std::vector<db::Node*> selected = getSelectedNodes();
    return selected.size() == 1 ? selected.front() : nullptr;
}

bool NodeBrowserTreeControl::hasRemovableSelection()
{
    db::Database* database = getDatabase();
    for (db::Node* node : getSelectedNodes())
        if (node != database)
            return true;
    return false;
}

void NodeBrowserTreeControl::addStandardCommands()
{
    using Context = NodeCommandContext;
    const int everywhere = NodeCommand::ContextMenu | NodeCommand::EditMenu | NodeCommand::ToolBar;
    const auto removable = [](const Context& c) { return c.tree && c.tree->hasRemovableSelection(); };
    const auto single = [](const Context& c) { return c.tree && c.tree->singleSelectedNode(); };
    const auto anyDatabase = [](const Context& c) { return c.tree && c.tree->getDatabase(); };

    // In a focused text box the clipboard keys and Select All keep working on its text.
    m_commands.add({NodeCommands::CutId, "Cu&t", "Puts the selected nodes on the clipboard and deletes them", "Ctrl+X",
                    "command_cut", everywhere, 20, nullptr,
                    [removable](const Context& c) { return c.text ? c.text->CanCut() : removable(c); },
                    [](const Context& c) { c.text ? c.text->Cut() : void(c.tree->cutSelectedNodesToClipboard()); }});
    m_commands.add({NodeCommands::CopyId, "&Copy", "Puts the selected nodes on the clipboard", "Ctrl+C", "command_copy",
                    everywhere, 20, nullptr,
                    [](const Context& c)
                    { return c.text ? c.text->CanCopy() : c.tree && c.tree->GetSelectedItemCount() > 0; },
                    [](const Context& c) { c.text ? c.text->Copy() : void(c.tree->copySelectedNodesToClipboard()); }});
    // The clipboard is asked as menus open, not while idle: a round trip to
    // the display server costs nothing then.
    m_commands.add({NodeCommands::PasteId, "&Paste", "Pastes the clipboard's nodes into or after the selected node",
                    "Ctrl+V", "command_paste", everywhere, 20, nullptr,
                    [](const Context& c) {
                        return c.text ? c.text->CanPaste()
                                      : c.tree && c.tree->getDatabase() && NodeClipboard::holdsText();
                    },
                    [](const Context& c) { c.text ? c.text->Paste() : void(c.tree->pasteNodesFromClipboard()); }});
    m_commands.add({NodeCommands::DuplicateId, "D&uplicate", "Copies each selected node right after itself", "Ctrl+D",
                    "command_duplicate", everywhere, 20, nullptr, removable,
                    [](const Context& c) { c.tree->duplicateSelectedNodes(); }});
    m_commands.add({NodeCommands::DeleteId, "&Delete", "Deletes the selected nodes", "Del", "command_delete",
                    everywhere, 30, nullptr, removable,
                    [](const Context& c)
                    {
                        // Text still being typed for the nodes lands first, so that
                        // undoing the deletion brings it back with them.
                        wxUtils::FocusReliantWindow::ensureAllChangesApplied();
                        c.tree->deleteSelectedNodes(false);
                    }});
    m_commands.add({NodeCommands::RenameId, "Re&name", "Edits the selected node's name in place", "F2", "",
                    NodeCommand::ContextMenu | NodeCommand::EditMenu, 30, nullptr,
                    [](const Context& c) { return c.tree && c.tree->GetSelectedItemCount() == 1; },
                    [](const Context& c) { c.tree->EditLabel(c.tree->GetSelection().front()); }});
    m_commands.add({NodeCommands::SelectAllId, "Select &All", "Selects every node whose row shows", "Ctrl+A", "",
                    NodeCommand::EditMenu, 40, nullptr,
                    [](const Context& c)
                    { return c.text ? !c.text->IsEmpty() : c.tree && c.tree->hasSelectableNodes(); },
                    [](const Context& c) { c.text ? c.text->SelectAll() : c.tree->selectAllNodes(); }});
    // No key: the tree answers the keypad's * itself, and taken by a menu the
    // key would no longer type * into a text box.
    for (const bool expand : {true, false})
        m_commands.add({expand ? NodeCommands::ExpandAllId : NodeCommands::CollapseAllId,
                        expand ? "E&xpand All" : "Co&llapse All",
                        expand ? "Opens the selected nodes' branches, or the whole tree"
                               : "Closes the selected nodes' branches, or the whole tree",
                        "", "", NodeCommand::ContextMenu | NodeCommand::ViewMenu, 50, nullptr, anyDatabase,
                        [expand](const Context& c)
                        {
                            c.tree->setBranchesExpanded(c.tree->getSelectedBranches(),
                                                        expand ? BranchState::Expanded : BranchState::Collapsed);
                        }});
    for (const bool binary : {false, true})
        m_commands.add({binary ? NodeCommands::SaveAsBinaryId : NodeCommands::SaveAsXmlId,
                        binary ? "Save As &Binary..." : "Save As &XML...",
                        "Writes the selected node with everything below it to a file", "", "", NodeCommand::ContextMenu,
                        60, nullptr, single, [binary](const Context& c) {
                            c.tree->saveSubtree(c.tree->getItemOfNode(c.tree->singleSelectedNode()), binary);
                        }});
    m_commands.add({NodeCommands::LoadFromFileId, "&Load From File...", "Reads a file's nodes into the database", "",
                    "", NodeCommand::ContextMenu, 60, nullptr, anyDatabase,
                    [](const Context& c) { c.tree->loadDatabaseFromFile(); }});
    m_commands.add({NodeCommands::CopyPathId, "Copy Database &Path", "Puts the selected node's path on the clipboard",
                    "", "", NodeCommand::ContextMenu, 70, nullptr, single,
                    [](const Context& c) { c.tree->copyPathToClipboard(*c.tree->singleSelectedNode()); }});
}

// ---------------------------------------------------------------------------
// The context menu
// ---------------------------------------------------------------------------

void NodeBrowserTreeControl::releaseSubMenuChoices()
{
    for (const SubMenuChoice& choice : m_subMenuChoices)
        wxWindow::UnreserveControlId(choice.id);
    m_subMenuChoices.clear();
}

void NodeBrowserTreeControl::buildTableContextMenu(wxUtils::OrkMenu& menu)
{
    releaseSubMenuChoices();
    // The tree has the focus while its menu is open: no text box's text is meant.
    m_commands.appendToContextMenu(menu, NodeCommandContext::of(this, this));
    db::Node* node = singleSelectedNode();
    // The submenus' choices find their node again through its item: it may go while the menu is open.
    m_contextItem.reset(node ? getItemOfNode(node) : nullptr);
    if (node)
        addTableSubMenus(menu, *node);
}

void NodeBrowserTreeControl::addTableSubMenus(wxUtils::OrkMenu& menu, db::Node& node)
{
    // Ids from the reserved range, as for the fixed commands: type ids are
    // small numbers that may be any command's.
    const auto choose = [this](SubMenuChoice choice)
    {
        choice.id = wxWindow::NewControlId();
        m_subMenuChoices.push_back(choice);
        return choice.id;
    };
    db::Database* database = getDatabase();
    db::TypeRegistry* registry = database ? &database->getTypeRegistry() : nullptr;
    menu.addSeparator();
    for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
    {
        db::Attribute* attribute = node.getAttribute(i);
        const db::NodeContainerDef* definition =
            attribute->isNodeContainer() ? attribute->getDef().asNodeContainerDef() : nullptr;
        if (!definition)
            continue;
        auto subMenu = std::make_unique<wxUtils::OrkMenu>(-1);
        std::vector<db::NodeDef*> types;
        db::getCreatableTypes(definition->getContainedDef(), types, registry);
        for (db::NodeDef* type : types)
            subMenu->add(choose({0, i, static_cast<int>(type->getTypeId()), db::Invalid}), wxString(type->getName()));
        menu.addSubMenu(std::move(subMenu), "Create " + wxString(definition->getName()));
    }

    // Every type of the database that a dynamic attribute can have, the arrays after a separator.
    auto subMenu = std::make_unique<wxUtils::OrkMenu>(-1);
    bool arrays = false;
    for (auto type = db::Int; *db::attributeTypeName(type); type = db::AttributeType(type + 1))
    {
        if (!canBeDynamic(type))
            continue;
        if (db::isArrayType(type) && !arrays)
        {
            subMenu->addSeparator();
            arrays = true;
        }
        wxString label(db::attributeTypeName(type));
        label[0] = wxToupper(label[0]);
        subMenu->add(choose({0, 0, 0, type}), label);
    }
    menu.addSubMenu(std::move(subMenu), "Add Dynamic Attribute");
}

bool NodeBrowserTreeControl::handleTableChoice(int id)
{
    if (m_commands.find(id))
    {
        m_commands.run(id, NodeCommandContext::of(this, this));
        return true;
    }
    const auto found = std::find_if(m_subMenuChoices.begin(), m_subMenuChoices.end(),
                                    [id](const SubMenuChoice& choice) { return choice.id == id; });
    if (found == m_subMenuChoices.end())
        return false;
    // Null when the node went while the menu was open: the choice then does nothing.
    db::Node* node = getNodeOfItem(m_contextItem.get());
    if (!node)
        return true;
    if (found->attributeType != db::Invalid)
    {
        const auto type = static_cast<db::AttributeType>(found->attributeType);
        db::CompoundAttributeDef scratch(L"scratch");
        const db::AttributeDef* made = scratch.addAttributeDef(dynamicName(type), type);
        if (made)
            node->addDynamicAttribute(std::unique_ptr<db::AttributeDef>(made->makeCopy()));
        return true;
    }
    db::Attribute* attribute =
        found->container < node->getAttributeCount() ? node->getAttribute(found->container) : nullptr;
    db::NodeContainer* container = attribute ? attribute->asNodeContainer() : nullptr;
    if (!container)
        return true;
    db::Database* database = container->getDatabase();
    db::Node* created =
        db::makeNode(found->typeId, db::EmptyString(), database ? &database->getTypeRegistry() : nullptr, false);
    if (created && !container->add(created))
        delete created;
    return true;
}

} // namespace dbui
