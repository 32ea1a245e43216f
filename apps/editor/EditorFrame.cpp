#include "EditorFrame.h"

#include "DebugPanelWindow.h"

#include <dbui/CrashRecovery.h>
#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>

#include <db/Database.h>
#include <db/Node.h>
#include <Tarn/Tarn.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkFileHistory2.h>
#include <wxUtils/TreeEvent.h>
#include <wxUtils/TreeItem.h>

#include <wx/aboutdlg.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>

namespace
{
const wxString s_documentExtension = "xml";
}

EditorFrame::EditorFrame(db::Database& database, std::unique_ptr<wxUtils::OrkFileHistory2> history)
    : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(1100, 800)), m_database(database),
      m_history(history ? std::move(history) : std::make_unique<wxUtils::OrkFileHistory2>())
{
    m_document = std::make_unique<dbui::Document>(m_database, s_documentExtension);
    m_document->setFileHistory(m_history.get());
    m_document->m_observers.add(this, ObserverMode::Deferred);
    m_recovery = std::make_unique<dbui::CrashRecovery>(*m_document);
    m_database.getObservers().add(this, ObserverMode::Deferred);

    m_browser = new dbui::NodeBrowser(this, wxID_ANY);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_browser, 1, wxEXPAND);
    SetSizer(sizer);
    CreateStatusBar(2);
    buildMenus();
    connectEvents();
    m_browser->setDatabase(&m_database);
    refreshTitleAndStatus();
}

EditorFrame::~EditorFrame()
{
    m_database.getObservers().remove(this, ObserverMode::Immediate);
    m_document->m_observers.remove(this, ObserverMode::Immediate);
    if (m_recentMenu)
        m_history->removeMenu(m_recentMenu);
}

bool EditorFrame::openAtStart(const wxString& fileName)
{
    return m_recovery->openOfferingRecovery(fileName) == dbui::Document::Success;
}

void EditorFrame::saveRecoveryFile()
{
    m_recovery->saveRecoveryFile();
}

void EditorFrame::selectRichestTopLevelNode()
{
    dbui::NodeBrowserTreeControl* tree = m_browser->getTreeControl();
    const wxUtils::TreeItem* root = tree->GetRoot();
    wxUtils::TreeItem* best = nullptr;
    unsigned int bestCount = 0;
    for (wxUtils::TreeItem* item = root ? root->GetFirstChild() : nullptr; item; item = item->GetNextSibling())
    {
        item->Expand();
        const db::Node* node = tree->getNodeOfItem(item);
        unsigned int shown = 0;
        for (unsigned int i = 0; node && i < node->getAttributeCount(); ++i)
            shown += node->getAttribute(i)->isNodeContainer() ? 0 : 1;
        if (shown > bestCount)
        {
            best = item;
            bestCount = shown;
        }
    }
    if (!best)
        return;
    tree->Select(best);
    tree->EnsureVisible(best);
}

// ---------------------------------------------------------------------------
// Menus and wiring
// ---------------------------------------------------------------------------

void EditorFrame::buildMenus()
{
    auto* bar = new wxMenuBar;
    bar->Append(buildFileMenu(), "&File");
    bar->Append(buildEditMenu(), "&Edit");
    auto* view = new wxMenu;
    view->Append(ID_DebugPanel, "&Debug Panel");
    bar->Append(view, "&View");
    auto* help = new wxMenu;
    help->Append(wxID_ABOUT, "&About");
    bar->Append(help, "&Help");
    SetMenuBar(bar);
}

wxMenu* EditorFrame::buildFileMenu()
{
    auto* file = new wxMenu;
    file->Append(wxID_NEW, "&New\tCtrl+N");
    file->Append(wxID_OPEN, "&Open...\tCtrl+O");
    m_recentMenu = new wxMenu;
    file->AppendSubMenu(m_recentMenu, "Open &Recent");
    m_history->useMenu(m_recentMenu);
    file->AppendSeparator();
    file->Append(wxID_SAVE, "&Save\tCtrl+S");
    file->Append(wxID_SAVEAS, "Save &As...\tCtrl+Shift+S");
    file->Append(ID_SaveCopy, "Save Cop&y...");
    file->AppendSeparator();
    file->Append(wxID_CLOSE, "&Close\tCtrl+W");
    file->Append(wxID_EXIT, "&Quit\tCtrl+Q");
    return file;
}

wxMenu* EditorFrame::buildEditMenu()
{
    auto* edit = new wxMenu;
    edit->Append(wxID_UNDO, "&Undo\tCtrl+Z");
    edit->Append(wxID_REDO, "&Redo\tCtrl+Y");
    edit->AppendSeparator();
    edit->Append(wxID_DELETE, "&Delete\tDel");
    edit->Append(wxID_EDIT, "Re&name\tF2");
    return edit;
}

void EditorFrame::connectEvents()
{
    Connect(wxID_NEW, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleNew));
    Connect(wxID_OPEN, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleOpen));
    Connect(wxID_FILE1, wxID_FILE9, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleOpenRecent));
    Connect(wxID_SAVE, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleSave));
    Connect(wxID_SAVEAS, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleSaveAs));
    Connect(ID_SaveCopy, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleSaveCopy));
    Connect(wxID_CLOSE, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleClose));
    Connect(wxID_EXIT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleQuit));
    Connect(wxID_UNDO, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleUndo));
    Connect(wxID_REDO, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleRedo));
    Connect(wxID_DELETE, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleDelete));
    Connect(wxID_EDIT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleRename));
    Connect(wxID_ABOUT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleAbout));
    // One debug window at a time: asking again brings the open one forward.
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        if (wxWindow* open = FindWindowByName(DebugPanelWindow::s_windowName, this))
            open->Raise();
        else
            (new DebugPanelWindow(this, &m_database))->Show();
    }, ID_DebugPanel);
    for (int id : {wxID_UNDO, wxID_REDO, wxID_DELETE, wxID_EDIT})
        Connect(id, wxEVT_UPDATE_UI, wxUpdateUIEventHandler(EditorFrame::onUpdateEditMenu));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(EditorFrame::onCloseWindow));
    // The browser passes the selection on to its inspector; the status bar listens too.
    m_browser->getTreeControl()->Connect(wxUTILS_EVT_TREE_SEL_CHANGED,
                                         wxUTILS_TREE_EVENT_HANDLER(EditorFrame::onSelectionChanged), nullptr, this);
}

// ---------------------------------------------------------------------------
// File commands: all through the document, which asks before losing work
// ---------------------------------------------------------------------------

void EditorFrame::handleNew(wxCommandEvent&)
{
    applyPendingEdits();
    m_document->createNew();
}

void EditorFrame::handleOpen(wxCommandEvent&)
{
    applyPendingEdits();
    m_document->open();
}

void EditorFrame::handleOpenRecent(wxCommandEvent& event)
{
    applyPendingEdits();
    m_document->openRecent(event.GetId() - wxID_FILE1);
}

void EditorFrame::handleSave(wxCommandEvent&)
{
    applyPendingEdits();
    m_document->save();
}

void EditorFrame::handleSaveAs(wxCommandEvent&)
{
    applyPendingEdits();
    m_document->saveAs(wxEmptyString);
}

void EditorFrame::handleSaveCopy(wxCommandEvent&)
{
    applyPendingEdits();
    wxString fileName;
    if (m_document->showFileSaveCopyDialog(fileName) == wxID_OK)
        m_document->saveCopy(fileName);
}

void EditorFrame::handleClose(wxCommandEvent&)
{
    applyPendingEdits();
    m_document->closeIfAllowed();
}

void EditorFrame::handleQuit(wxCommandEvent&)
{
    Close();
}

void EditorFrame::onCloseWindow(wxCloseEvent& event)
{
    applyPendingEdits();
    if (event.CanVeto() && !m_document->canClose())
    {
        event.Veto();
        return;
    }
    Destroy();
}

// ---------------------------------------------------------------------------
// Edit commands
// ---------------------------------------------------------------------------

void EditorFrame::handleUndo(wxCommandEvent&)
{
    applyPendingEdits();
    m_database.undo();
}

void EditorFrame::handleRedo(wxCommandEvent&)
{
    m_database.redo();
}

void EditorFrame::handleDelete(wxCommandEvent&)
{
    m_browser->getTreeControl()->deleteSelectedNodes(false);
}

void EditorFrame::handleRename(wxCommandEvent&)
{
    dbui::NodeBrowserTreeControl* tree = m_browser->getTreeControl();
    const auto selection = tree->GetSelection();
    if (selection.size() == 1)
        tree->EditLabel(selection.front());
}

void EditorFrame::handleAbout(wxCommandEvent&)
{
    wxAboutDialogInfo info;
    info.SetName(gTarn.getEnvData().getAppDisplayName());
    info.SetDescription("Views and edits node databases.");
    wxAboutBox(info, this);
}

void EditorFrame::onUpdateEditMenu(wxUpdateUIEvent& event)
{
    const std::size_t selected = m_browser->getTreeControl()->GetSelectedItemCount();
    switch (event.GetId())
    {
    case wxID_UNDO:
        event.Enable(m_database.canUndo());
        event.SetText(m_database.canUndo()
                          ? "&Undo " + wxString(m_database.getUndoDescription(m_database.getUndoStackSize() - 1)) +
                                "\tCtrl+Z"
                          : wxString("&Undo\tCtrl+Z"));
        break;
    case wxID_REDO:
        event.Enable(m_database.canRedo());
        event.SetText(m_database.canRedo()
                          ? "&Redo " + wxString(m_database.getRedoDescription(m_database.getRedoStackSize() - 1)) +
                                "\tCtrl+Y"
                          : wxString("&Redo\tCtrl+Y"));
        break;
    case wxID_DELETE:
        event.Enable(selected > 0);
        break;
    case wxID_EDIT:
        event.Enable(selected == 1);
        break;
    }
}

// ---------------------------------------------------------------------------
// Title and status
// ---------------------------------------------------------------------------

void EditorFrame::onDocumentModified(bool transient)
{
    if (!transient)
        refreshTitleAndStatus();
}

void EditorFrame::postDatabaseChanged(db::Database*, bool transient)
{
    if (!transient)
        refreshTitleAndStatus();
}

void EditorFrame::onSelectionChanged(wxUtils::TreeEvent& event)
{
    refreshTitleAndStatus();
    event.Skip(); // the browser needs it as well
}

void EditorFrame::refreshTitleAndStatus()
{
    SetTitle(m_document->getTitleWithChangeIndicator() + " - " + gTarn.getEnvData().getAppDisplayName());
    SetStatusText(wxString::Format("%zu nodes", m_database.getTotalNodeCount()), 0);
    const std::size_t selected = m_browser ? m_browser->getTreeControl()->GetSelectedItemCount() : 0;
    SetStatusText(selected == 0 ? wxString("Nothing selected") : wxString::Format("%zu selected", selected), 1);
}

void EditorFrame::applyPendingEdits()
{
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
}
