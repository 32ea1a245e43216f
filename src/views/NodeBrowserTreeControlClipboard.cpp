// The browser tree's clipboard commands (NodeBrowserTreeControl::ClipboardCommands),
// and the other Ctrl+letter keys.

#include <dbui/NodeBrowserTreeControl.h>

#include <dbui/NodeClipboard.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMenuItem.h>
#include <wxUtils/OrkMessageBox.h>
#include <wxUtils/TreeItem.h>

#include <wx/utils.h>

#include <cctype>
#include <unordered_map>

namespace dbui
{

namespace
{

/// The letter of a Ctrl+letter key, 0 for any other key. Character events
/// carry Ctrl+C as the control code 3; key events as 'C'.
int controlLetter(const wxKeyEvent& event)
{
    if (!event.ControlDown() || event.AltDown())
        return 0;
    const int code = event.GetKeyCode();
    if (code >= 1 && code <= 26)
        return 'A' + code - 1;
    return code < 128 ? std::toupper(code) : 0;
}

/// Puts `nodes` on the clipboard; a big subtree takes a while to write out.
bool copyToClipboard(const std::vector<db::Node*>& nodes)
{
    wxBusyCursor busy;
    return NodeClipboard::copy(nodes);
}

void tellClipboardUnavailable(wxWindow* parent, const wxString& caption)
{
    wxUtils::OrkMessageBox("The clipboard could not be used; nothing changed.", caption, wxOK | wxICON_EXCLAMATION,
                           parent);
}

} // namespace

void NodeBrowserTreeControl::addClipboardEntries(wxUtils::OrkMenu& menu, bool canCut)
{
    menu.addSeparator();
    if (canCut)
        menu.add(m_ids[CommandCut], "Cu&t\tCtrl+X", false, false, wxEmptyString);
    if (GetSelectedItemCount() > 0)
        menu.add(m_ids[CommandCopyToClipboard], "&Copy\tCtrl+C", false, false, wxEmptyString);
    menu.add(m_ids[CommandPaste], "&Paste\tCtrl+V", false, false, wxEmptyString)
        ->setEnabled(NodeClipboard::holdsText());
}

bool NodeBrowserTreeControl::handleClipboardChoice(int id)
{
    if (id == m_ids[CommandCut])
        cutSelectedNodesToClipboard();
    else if (id == m_ids[CommandCopyToClipboard])
        copySelectedNodesToClipboard();
    else if (id == m_ids[CommandPaste])
        // Pasted where the menu was opened: on a node, or on empty space for the top.
        pasteAt(getNodeOfItem(m_contextItem.get()));
    else
        return false;
    return true;
}

bool NodeBrowserTreeControl::runCommandOfKey(const wxKeyEvent& event)
{
    const int letter = controlLetter(event);
    int flags = wxACCEL_NORMAL;
    if (event.ControlDown())
        flags |= wxACCEL_CTRL;
    if (event.AltDown())
        flags |= wxACCEL_ALT;
    if (event.ShiftDown())
        flags |= wxACCEL_SHIFT;
    const NodeCommand* command =
        m_commands.findByShortcut(wxAcceleratorEntry(flags, letter ? letter : event.GetKeyCode()).ToString());
    if (!command)
        return false;
    // The focus is the tree's: no text box's text is meant.
    m_commands.run(command->id, NodeCommandContext::of(this, this));
    return true;
}

bool NodeBrowserTreeControl::handleControlKey(const wxKeyEvent& event)
{
    const int letter = controlLetter(event);
    if (letter == 'A' && (m_options & SelectAllKey))
    {
        selectAllNodes();
        return true;
    }
    if (!(m_options & ClipboardCommands))
        return false;
    switch (letter)
    {
    case 'C':
        copySelectedNodesToClipboard();
        return true;
    case 'D':
        duplicateSelectedNodes();
        return true;
    case 'X':
        cutSelectedNodesToClipboard();
        return true;
    case 'V':
        pasteNodesFromClipboard();
        return true;
    default:
        return false;
    }
}

bool NodeBrowserTreeControl::duplicateSelectedNodes()
{
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
    wxBusyCursor busy;
    const std::vector<db::Node*> nodes = getSelectedNodesWithoutChildren();
    std::vector<db::Node*> copies;
    // The names of each container are gathered once, not once for each copy:
    // duplicating many of thousands of siblings would cost the product.
    std::unordered_map<const db::NodeContainer*, db::Node::TakenNames> takenIn;
    {
        db::ChangeBlock block(getDatabase(), nodes.size() > 1 ? L"Duplicate nodes" : L"Duplicate node");
        for (db::Node* node : nodes)
        {
            db::CompositeAttribute* parent = node->getParentAttribute();
            db::NodeContainer* container = parent ? parent->asNodeContainer() : nullptr;
            if (!container)
                continue;
            auto [entry, fresh] = takenIn.try_emplace(container);
            db::Node::TakenNames& taken = entry->second;
            if (fresh)
                for (unsigned int i = 0; i < container->getNodeCount(); ++i)
                    taken.names.insert(container->getNode(i)->getName());
            const std::wstring name = db::Node::numberedName(node->getName(), taken);
            taken.names.insert(name);
            db::Node* copy = node->makeCopy(name);
            if (!copy)
                continue;
            if (container->insert(node->getIndex() + 1, copy))
                copies.push_back(copy);
            else
                delete copy;
        }
    }
    // The block has ended: the copies have their items now.
    selectNodes(copies);
    return !copies.empty();
}

bool NodeBrowserTreeControl::copySelectedNodesToClipboard()
{
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
    const std::vector<db::Node*> nodes = getSelectedNodesWithoutChildren();
    if (nodes.empty())
        return false;
    if (copyToClipboard(nodes))
        return true;
    tellClipboardUnavailable(this, "Copy");
    return false;
}

bool NodeBrowserTreeControl::cutSelectedNodesToClipboard()
{
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
    const std::vector<db::Node*> nodes = getSelectedNodesWithoutChildren();
    if (nodes.empty() || !getDatabase())
        return false;
    // The nodes go only once the clipboard holds them.
    if (!copyToClipboard(nodes))
    {
        tellClipboardUnavailable(this, "Cut");
        return false;
    }
    // Outlives the block, whose end tells every view.
    wxBusyCursor busy;
    db::ChangeBlock block(getDatabase(), L"Cut nodes");
    deleteSelectedNodes(true);
    return true;
}

bool NodeBrowserTreeControl::pasteNodesFromClipboard()
{
    const std::vector<db::Node*> selection = getSelectedNodes();
    return pasteAt(selection.empty() ? nullptr : selection.front());
}

bool NodeBrowserTreeControl::pasteAt(db::Node* selected)
{
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
    db::Database* database = getDatabase();
    if (!database)
        return false;
    // Paste does nothing while the clipboard holds no text, as its disabled
    // menu entries say; only text that holds no nodes is worth a message.
    const std::string text = NodeClipboard::readText();
    if (text.empty())
        return false;
    std::string error;
    std::vector<db::Node*> pasted;
    {
        wxBusyCursor busy;
        pasted = NodeClipboard::paste(*database, selected, text, error);
    }
    if (pasted.empty())
    {
        wxUtils::OrkMessageBox("Nothing was pasted: the clipboard holds no nodes that can go here.\n\n" +
                                   wxString::FromUTF8(error),
                               "Paste", wxOK | wxICON_EXCLAMATION, this);
        return false;
    }
    if (wxUtils::TreeItem* item = getItemOfNode(pasted.front()))
        Select(item);
    return true;
}

} // namespace dbui
