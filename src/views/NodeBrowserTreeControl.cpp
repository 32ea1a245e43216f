#include <dbui/FileSystemName.h>
#include <dbui/NodeBrowserTreeControl.h>

#include <db/AttributeDef.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/NodeFactory.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>
#include <db/TypeRegistry.h>

#include <OrkP/Matrix34.h>
#include <OrkP/Vector3.h>

#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMessageBox.h>
#include <wxUtils/OrkPopupMenu.h>

#include <wx/clipbrd.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <vector>

namespace dbui
{

namespace
{

const wxString s_loadWildcard = "XML Files (*.xml)|*.xml|Binary Files (*.dbb)|*.dbb|tessera:link Files (*.tlk)|*.tlk";
const wxString s_xmlWildcard = "XML Files (*.xml)|*.xml";
const wxString s_binaryWildcard = "dbb Files (*.dbb)|*.dbb";

// Message box style of the command reports.
constexpr long s_messageStyle = 5;

} // namespace

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

NodeBrowserTreeControl::NodeBrowserTreeControl()
{
    init();
}

NodeBrowserTreeControl::NodeBrowserTreeControl(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size,
                                               long style, const wxString& name)
{
    init();
    Create(parent, id, pos, size, style, name);
}

NodeBrowserTreeControl::~NodeBrowserTreeControl()
{
    for (int id : m_ids)
        wxWindow::UnreserveControlId(id);
    releaseSubMenuChoices();
}

void NodeBrowserTreeControl::init()
{
    // Command ids come from the reserved, negative range of automatic ids.
    // The "Create" items of the menu carry node type ids, which are small
    // positive numbers and would collide with the ids wxNewId() counts up
    // from; taken from here, the two can never meet.
    for (int& id : m_ids)
        id = wxWindow::NewControlId();
    addStandardCommands();
}

bool NodeBrowserTreeControl::Create(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                                    const wxString& name)
{
    if (!NodeTreeControl::Create(parent, id, pos, size, style, name))
        return false;
    Connect(wxID_ANY, wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU,
            wxUTILS_TREE_EVENT_HANDLER(NodeBrowserTreeControl::onContextMenu));
    Connect(wxID_ANY, wxEVT_COMMAND_MENU_SELECTED,
            wxCommandEventHandler(NodeBrowserTreeControl::handleContextMenuChoice));
    Connect(wxID_ANY, wxEVT_CHAR, wxKeyEventHandler(NodeBrowserTreeControl::onChar));
    Connect(wxID_ANY, wxUTILS_EVT_TREE_BEGIN_DRAG, wxUTILS_TREE_EVENT_HANDLER(NodeBrowserTreeControl::onBeginDrag));
    Connect(wxID_ANY, wxUTILS_EVT_TREE_DRAG_OVER, wxUTILS_TREE_EVENT_HANDLER(NodeBrowserTreeControl::onDragOver));
    Connect(wxID_ANY, wxUTILS_EVT_TREE_END_DRAG, wxUTILS_TREE_EVENT_HANDLER(NodeBrowserTreeControl::onEndDrag));
    return true;
}

void NodeBrowserTreeControl::setOptions(int options)
{
    m_options = options;
    EnableDragging((options & DragAndDrop) != 0);
    addColumn(0, options & ColumnHeaders ? "Name" : "");
    showColumnHeader((options & ColumnHeaders) != 0);
    fitTypeColumn();
    Refresh();
}

bool NodeBrowserTreeControl::visitNodeEnter(db::Node* node)
{
    return NodeTreeControl::visitNodeEnter(node);
}

// ---------------------------------------------------------------------------
// The context menu
// ---------------------------------------------------------------------------

void NodeBrowserTreeControl::onContextMenu(wxUtils::TreeEvent& event)
{
    wxUtils::OrkMenu menu(-1);
    buildContextMenu(menu, event.GetItem());
    popupMenu(menu, event.GetPoint(), nullptr);
}

void NodeBrowserTreeControl::buildContextMenu(wxUtils::OrkMenu& menu, wxUtils::TreeItem* item)
{
    if (m_options & CommandTable)
    {
        buildTableContextMenu(menu);
        return;
    }
    db::Node* node = item ? getNodeOfItem(item) : nullptr;
    m_contextItem.reset(item);
    const bool isRoot = item && item == GetRoot();
    const bool clipboard = (m_options & ClipboardCommands) != 0;

    if (item && !isRoot)
    {
        menu.add(m_ids[CommandDelete], clipboard ? "&Delete\tDel" : "&Delete", false, false, wxEmptyString);
        menu.add(m_ids[CommandCopy], clipboard ? "D&uplicate\tCtrl+D" : "&Copy", false, false, wxEmptyString);
    }
    if (GetSelectedItemCount() == 1)
        menu.add(m_ids[CommandRename], clipboard ? "&Rename\tF2" : "&Rename", false, false, wxEmptyString);
    if (clipboard)
        addClipboardEntries(menu, item && !isRoot);
    if ((m_options & BranchCommands) && item && item->HasChildren())
    {
        menu.addSeparator();
        menu.add(m_ids[CommandExpandBranch], "E&xpand All", false, false, wxEmptyString);
        menu.add(m_ids[CommandCollapseBranch], "Co&llapse All", false, false, wxEmptyString);
    }
    if (isRoot)
    {
        menu.addSeparator();
        menu.add(m_ids[CommandLoadFromFile], "Load From File", false, false, wxEmptyString);
    }
    if (item)
    {
        menu.addSeparator();
        menu.add(m_ids[CommandSaveAsXML], "Save As &XML", false, false, wxEmptyString);
        menu.add(m_ids[CommandSaveAsBinary], "Save As &Binary", false, false, wxEmptyString);
    }
    if (node)
    {
        menu.addSeparator();
        addContainerMenus(menu, *node);
        menu.addSeparator();
        addDynamicAttributeMenu(menu);
    }
    menu.addSeparator();
    if (node)
    {
        menu.addSeparator();
        menu.add(m_ids[CommandCopyPath], "Copy database path to clipboard", false, false, wxEmptyString);
    }
}

void NodeBrowserTreeControl::addContainerMenus(wxUtils::OrkMenu& menu, db::Node& node)
{
    db::Database* database = getDatabase();
    db::TypeRegistry* registry = database ? &database->getTypeRegistry() : nullptr;
    for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
    {
        db::Attribute* attribute = node.getAttribute(i);
        if (!attribute->isNodeContainer())
            continue;
        db::NodeContainer* container = attribute->asNodeContainer();
        const db::NodeContainerDef* definition = attribute->getDef().asNodeContainerDef();
        if (!container || !definition)
            continue;

        auto subMenu = std::make_unique<wxUtils::OrkMenu>(-1);
        std::vector<db::NodeDef*> types;
        db::getCreatableTypes(definition->getContainedDef(), types, registry);
        for (db::NodeDef* type : types)
        {
            wxUtils::OrkMenuItem* entry = subMenu->add(type->getTypeId(), wxString(type->getName()));
            entry->setUserData(container);
        }
        menu.addSubMenu(std::move(subMenu), "Create " + wxString(definition->getName()));
    }
}

void NodeBrowserTreeControl::addDynamicAttributeMenu(wxUtils::OrkMenu& menu)
{
    auto subMenu = std::make_unique<wxUtils::OrkMenu>(-1);
    subMenu->add(m_ids[CommandDynamicInt], "Int", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicBool], "Bool", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicFloat], "Float", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicDouble], "Double", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicString], "String", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicVector3], "Vector3", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicMatrix34], "Matrix34", false, false, wxEmptyString);
    subMenu->addSeparator();
    subMenu->add(m_ids[CommandDynamicIntArray], "Int Array", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicBoolArray], "Bool Array", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicFloatArray], "Float Array", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicDoubleArray], "Double Array", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicStringArray], "String Array", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicVector3Array], "Vector3 Array", false, false, wxEmptyString);
    subMenu->add(m_ids[CommandDynamicMatrix34Array], "Matrix34 Array", false, false, wxEmptyString);
    menu.addSubMenu(std::move(subMenu), "Add Dynamic Attribute");
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

void NodeBrowserTreeControl::handleContextMenuChoice(wxCommandEvent& event)
{
    const int id = event.GetId();
    if ((m_options & CommandTable) && handleTableChoice(id))
        return;
    if (handleClipboardChoice(id))
        return;
    // Null when the item went while the menu was open: its commands then do nothing.
    wxUtils::TreeItem* contextItem = m_contextItem.get();
    db::Node* contextNode = getNodeOfItem(contextItem);

    if (id == m_ids[CommandRename])
    {
        if (contextItem)
            EditLabel(contextItem);
    }
    else if (id == m_ids[CommandDelete])
        deleteSelectedNodes(true);
    else if (id == m_ids[CommandCopy])
    {
        if (m_options & ClipboardCommands)
            duplicateSelectedNodes();
        else if (contextNode)
            copySelectedNodes(*contextNode);
    }
    else if (id == m_ids[CommandLoadFromFile])
        loadDatabaseFromFile();
    else if (id == m_ids[CommandSaveAsBinary])
        saveAsBinary(contextItem);
    else if (id == m_ids[CommandSaveAsXML])
        saveAsXML(contextItem);
    else if (id == m_ids[CommandCopyPath])
    {
        if (contextNode)
            copyPathToClipboard(*contextNode);
    }
    else if (id == m_ids[CommandExpandBranch] || id == m_ids[CommandCollapseBranch])
    {
        if (contextItem)
            setBranchesExpanded({contextItem},
                                id == m_ids[CommandExpandBranch] ? BranchState::Expanded : BranchState::Collapsed);
    }
    else if (contextNode && !addDynamicAttribute(id, *contextNode))
        createNode(event);
}

bool NodeBrowserTreeControl::addDynamicAttribute(int id, db::Node& node)
{
    const OrkP::Vector3 zero(0, 0, 0);
    const OrkP::Matrix34 identity = OrkP::Matrix34::identity();
    if (id == m_ids[CommandDynamicInt])
        node.addDynamicInt(L"DynamicInt", 0, INT_MIN, INT_MAX);
    else if (id == m_ids[CommandDynamicBool])
        node.addDynamicBool(L"DynamicBool", false);
    else if (id == m_ids[CommandDynamicFloat])
        node.addDynamicFloat(L"DynamicFloat", 0.0f, -FLT_MAX, FLT_MAX);
    else if (id == m_ids[CommandDynamicDouble])
        // A float attribute under a double's name: documents made with this
        // command hold it as a float, and must read back the same.
        node.addDynamicFloat(L"DynamicDouble", 0.0f, -FLT_MAX, FLT_MAX);
    else if (id == m_ids[CommandDynamicIntArray])
        node.addDynamicIntArray(L"DynamicIntArray", 0, INT_MIN, INT_MAX);
    else if (id == m_ids[CommandDynamicBoolArray])
        node.addDynamicBoolArray(L"DynamicBoolArray", false);
    else if (id == m_ids[CommandDynamicFloatArray])
        node.addDynamicFloatArray(L"DynamicFloatArray", 0.0f, -FLT_MAX, FLT_MAX);
    else if (id == m_ids[CommandDynamicDoubleArray])
        node.addDynamicDoubleArray(L"DynamicDoubleArray", 0.0, -DBL_MAX, DBL_MAX);
    else if (id == m_ids[CommandDynamicString])
        node.addDynamicString(L"DynamicString", db::EmptyString());
    else if (id == m_ids[CommandDynamicStringArray])
        node.addDynamicStringArray(L"DynamicStringArray", db::EmptyString());
    else if (id == m_ids[CommandDynamicVector3])
        node.addDynamicVector3(L"DynamicVector3", zero);
    else if (id == m_ids[CommandDynamicVector3Array])
        node.addDynamicVector3Array(L"DynamicVector3Array", zero);
    else if (id == m_ids[CommandDynamicMatrix34])
        node.addDynamicMatrix34(L"DynamicMatrix34", identity);
    else if (id == m_ids[CommandDynamicMatrix34Array])
        node.addDynamicMatrix34Array(L"DynamicMatrix34Array", identity);
    else
        return false;
    return true;
}

void NodeBrowserTreeControl::copySelectedNodes(db::Node& contextNode)
{
    db::CompositeAttribute* target = contextNode.getParentAttribute();
    if (!target)
        return;
    db::ChangeBlock block(getDatabase(), L"Copy nodes");
    // Every copy goes beside the node the menu was opened on, whatever the
    // copied node's own parent.
    for (db::Node* node : getSelectedNodesWithoutChildren())
    {
        db::Node* copy = node->makeCopy(db::EmptyString());
        if (copy && !target->addAttribute(copy))
            delete copy;
    }
}

void NodeBrowserTreeControl::copyPathToClipboard(db::Node& node)
{
    std::wstring path;
    node.toDatabasePath(path, nullptr, false);
    if (path.empty())
        return;
    wxClipboardLocker locker;
    if (!!locker)
        wxClipboardBase::Get()->SetData(new wxTextDataObject(wxString(path)));
}

void NodeBrowserTreeControl::createNode(wxCommandEvent& event)
{
    auto* popup = dynamic_cast<wxUtils::OrkPopupMenu*>(event.GetEventObject());
    if (!popup)
        return;
    wxUtils::OrkMenuItem* entry = popup->getMenu().findItem(event.GetId(), false);
    auto* container = entry ? static_cast<db::NodeContainer*>(entry->getUserData()) : nullptr;
    if (!container)
        return;
    // The container's own database knows the types it offered.
    db::Database* database = container->getDatabase();
    db::TypeRegistry* registry = database ? &database->getTypeRegistry() : nullptr;
    db::Node* node = db::makeNode(event.GetId(), db::EmptyString(), registry, false);
    if (node && !container->add(node))
        delete node;
}

bool NodeBrowserTreeControl::previewKey(wxKeyEvent& event)
{
    // The keypad's key, the one trees answer: the * among the letters takes
    // Shift on some layouts and not on others.
    if (!(m_options & BranchCommands) || event.GetKeyCode() != WXK_NUMPAD_MULTIPLY || event.HasAnyModifiers())
        return NodeTreeControl::previewKey(event);
    setBranchesExpanded(GetSelectionWithoutChildren(), BranchState::Expanded);
    return true;
}

void NodeBrowserTreeControl::onChar(wxKeyEvent& event)
{
    // With the table its keys are the only ones: a key the user moved away does nothing here.
    if (m_options & CommandTable)
    {
        if (!runCommandOfKey(event))
            event.Skip(true);
        return;
    }
    if (event.GetKeyCode() == WXK_DELETE)
        deleteSelectedNodes(true);
    else if (handleControlKey(event))
        return;
    else
        event.Skip(true);
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

void NodeBrowserTreeControl::loadDatabaseFromFile()
{
    wxFileDialog dialog(this, "Load from file", wxEmptyString, wxEmptyString, s_loadWildcard, wxFD_OPEN,
                        wxDefaultPosition);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const wxString path = dialog.GetPath();
    // Case matters: only the spellings the filters offer are read.
    const wxString extension = wxFileName(path).GetExt();
    db::Database* database = getDatabase();
    if (extension == "dbb")
    {
        db::FileInputStream stream(toFileSystemName(path), db::FileOpenMode::Binary);
        db::LoaderBinary loader(stream, 0, nullptr);
        if (database)
            loader.load(database);
    }
    else if (extension == "xml")
    {
        db::FileInputStream stream(toFileSystemName(path), db::FileOpenMode::Text);
        db::LoaderXML loader(stream, 0, nullptr);
        if (database)
            loader.load(database);
    }
    else
    {
        wxUtils::OrkMessageBox("Can't load files of that type", wxMessageBoxCaptionStr, s_messageStyle, nullptr, -1, -1,
                               nullptr);
    }
}

void NodeBrowserTreeControl::saveAsXML(wxUtils::TreeItem* item)
{
    saveSubtree(item, false);
}

void NodeBrowserTreeControl::saveAsBinary(wxUtils::TreeItem* item)
{
    saveSubtree(item, true);
}

void NodeBrowserTreeControl::saveSubtree(wxUtils::TreeItem* item, bool binary)
{
    if (!getNodeOfItem(item))
        return;
    // The dialog runs events that may delete the item and its node.
    const wxUtils::TreeItemHandle held(item);
    const wxString caption = binary ? "Save as binary" : "Save as XML";
    wxFileDialog dialog(this, caption, wxEmptyString, wxEmptyString, binary ? s_binaryWildcard : s_xmlWildcard,
                        wxFD_SAVE, wxDefaultPosition);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const std::string path = toFileSystemName(dialog.GetPath());
    db::Node* node = getNodeOfItem(held.get());
    if (!node)
        return;

    bool saved = false;
    if (binary)
    {
        db::FileOutputStream stream(path, db::FileOpenMode::Binary, db::OutputStreamEncoding::Raw);
        db::SaverBinary saver(stream, 0);
        saved = saver.save(node);
    }
    else
    {
        db::FileOutputStream stream(path, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
        db::SaverXML saver(stream, 0);
        saved = saver.save(node);
    }
    wxUtils::OrkMessageBox(saved ? "Save succeeded" : "Save failed", caption, s_messageStyle, nullptr, -1, -1, nullptr);
}

} // namespace dbui
