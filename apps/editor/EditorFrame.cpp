#include "EditorFrame.h"

#include "ConflictsPanel.h"
#include "DebugPanelWindow.h"
#include "EditorTable.h"
#include "StartFileLoad.h"

#include <dbui/CrashRecovery.h>
#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeClipboard.h>
#include <dbui/NodeInspector.h>

#include <Tarn/Tarn.h>
#include <db/Database.h>
#include <db/Node.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkFileHistory2.h>
#include <wxUtils/PersistentSplitter.h>
#include <wxUtils/TreeEvent.h>
#include <wxUtils/TreeItem.h>

#include <wxUtils/OrkSimpleMultiOptionDialog.h>

#include <wx/aboutdlg.h>
#include <wx/config.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/persist/toplevel.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/textentry.h>
#include <wx/utils.h>

#include <chrono>
#include <functional>

namespace
{
const wxString s_documentExtension = "xml";
const wxString s_autosaveKey = "/Autosave/IntervalSeconds";
constexpr int s_defaultAutosaveSeconds = 60;

enum StatusField
{
    NodeCountField,
    SelectionField,
    AutosaveField,
    /// Holds a gauge while a long autosave runs.
    AutosaveGaugeField,
    StatusFieldCount,
};

/// How long an autosave runs before the status bar shows how far it has come.
constexpr std::chrono::milliseconds s_autosaveGaugeDelay{500};

/// The editor's document: its save prompt is the frame's, which carries out
/// the answer itself (see EditorFrame::promptToKeepWork).
class EditorDocument : public dbui::Document
{
public:
    EditorDocument(db::Database& database, std::function<int()> prompt)
        : dbui::Document(database, s_documentExtension), m_prompt(std::move(prompt))
    {
        setOptions(KeepDocumentOnFailedOpen | ExplainFileErrors | FormatByExtension | ShowProgress |
                   NoticeOutsideChanges);
    }

    int showPromptForSaveDialog() const override { return m_prompt(); }

    /// The next load of the file `load` reads takes what it has read; dropped unused with the next call.
    void offerStartLoad(std::unique_ptr<StartFileLoad> load) { m_startLoad = std::move(load); }

    bool loadFile(const std::wstring& fileName) override
    {
        const std::unique_ptr<StartFileLoad> load = std::move(m_startLoad);
        if (!load || load->getFileName() != wxString(fileName))
            return dbui::Document::loadFile(fileName);
        switch (load->take([this] { fileRead(); }, getFileProgress()))
        {
        case StartFileLoad::Outcome::Taken:
            return true;
        case StartFileLoad::Outcome::Cancelled:
            return false; // the progress tells the document that the user cancelled
        case StartFileLoad::Outcome::Failed:
            break;
        }
        // Read again, for the reason that the user is told.
        return dbui::Document::loadFile(fileName);
    }

private:
    std::function<int()> m_prompt;
    std::unique_ptr<StartFileLoad> m_startLoad;
};

/// The text box that has the focus, if one has: Cut, Copy and Paste are then
/// its own, so that typing keeps working as in any text box.
wxTextEntryBase* focusedTextBox()
{
    return dynamic_cast<wxTextEntryBase*>(wxWindow::FindFocus());
}

/// Why the last file operation of `document` failed, as the user reads it.
wxString reasonOf(const dbui::Document& document)
{
    const wxString reason = document.getLastFileError();
    return reason.empty() ? wxString("The reason is unknown.") : reason;
}
} // namespace

EditorFrame::EditorFrame(db::Database& database, std::unique_ptr<wxUtils::OrkFileHistory2> history)
    : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(1100, 800), wxDEFAULT_FRAME_STYLE,
              "EditorFrame"),
      m_database(database), m_history(history ? std::move(history) : std::make_unique<wxUtils::OrkFileHistory2>())
{
    m_document = std::make_unique<EditorDocument>(m_database, [this] { return promptToKeepWork(); });
    m_document->setFileHistory(m_history.get());
    m_document->m_observers.add(this, ObserverMode::Deferred);
    m_recovery = std::make_unique<dbui::CrashRecovery>(*m_document);
    m_recovery->setRecoveryFolder(stateFolder());
    m_recovery->setDocumentLocking(true);
    m_recovery->setAutosave(std::chrono::seconds(autosaveSecondsSetting()));
    m_recovery->setAutosaveListener([this] { showAutosaveStatus(); });
    m_recovery->setAutosaveProgressListener([this](double fraction, std::chrono::milliseconds running)
                                            { showAutosaveProgress(fraction, running); });
    m_database.getObservers().add(this, ObserverMode::Deferred);

    m_browser = new dbui::NodeBrowser(this, wxID_ANY);
    // Big scenes open faster, in far less memory, when rows ask their nodes for names.
    m_browser->getTreeControl()->setLabelSource(dbui::NodeTreeControl::LabelSource::Node);
    m_browser->setOptions(dbui::NodeBrowser::FilterBox);
    m_browser->getTreeControl()->setOptions(
        dbui::NodeBrowserTreeControl::ClipboardCommands | dbui::NodeBrowserTreeControl::DragAndDrop |
        dbui::NodeBrowserTreeControl::TypeIcons | dbui::NodeBrowserTreeControl::ColumnHeaders |
        dbui::NodeBrowserTreeControl::SubtreeCounts | dbui::NodeBrowserTreeControl::SelectAllKey |
        dbui::NodeBrowserTreeControl::BranchCommands | dbui::NodeBrowserTreeControl::SelectUndoneNodes);
    m_browser->getInspector()->setOptions(dbui::NodeInspector::ShowHeader | dbui::NodeInspector::ShowAttributeFilter |
                                          dbui::NodeInspector::CollapsibleRows | dbui::NodeInspector::WideNumberBoxes |
                                          dbui::NodeInspector::ValueCommands);
    m_conflicts = new ConflictsPanel(this, m_database,
                                     [this](db::Node* node)
                                     {
                                         m_browser->getTreeControl()->selectNodes({node});
                                         m_browser->getTreeControl()->SetFocus();
                                     });
    m_conflicts->Show(m_conflicts->getConflictCount() > 0);
    // The table goes beside the browser, whose tree and inspector lie one
    // above the other; the conflicts of a merge below both.
    auto* views = new wxBoxSizer(wxHORIZONTAL);
    views->Add(m_browser, 1, wxEXPAND);
    m_table = new EditorTable(this, *m_browser);
    m_table->Hide();
    views->Add(m_table, 1, wxEXPAND | wxLEFT, FromDIP(4));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(views, 1, wxEXPAND);
    sizer->Add(m_conflicts, 0, wxEXPAND);
    SetSizer(sizer);
    CreateStatusBar(StatusFieldCount);
    // Beside the window it is about rather than over it, and lighter on a
    // start that reads a big document meanwhile.
    m_document->setProgressStatusBar(GetStatusBar());
    buildAutosaveGauge();
    buildMenus();
    // Once the menu and status bars take their share of the window.
    SetMinClientSize(m_browser->GetMinSize());
    connectEvents();
    m_browser->setDatabase(&m_database);
    // The keys go to the tree from the start: arrows, Ctrl+A, Delete and F2
    // work without a click first; Ctrl+F goes to the find box.
    m_browser->getTreeControl()->SetFocus();
    rememberGeometry();
    refreshTitleAndStatus();
    showAutosaveStatus();
}

void EditorFrame::rememberGeometry()
{
    // Saved when each window is destroyed, into wxConfig.
    wxPersistenceManager::Get().RegisterAndRestore(this);
    wxPersistenceManager::Get().RegisterAndRestore(static_cast<wxUtils::OrkSplitter*>(m_browser));
}

EditorFrame::~EditorFrame()
{
    m_database.getObservers().remove(this, ObserverMode::Immediate);
    m_document->m_observers.remove(this, ObserverMode::Immediate);
    if (m_recentMenu)
        m_history->removeMenu(m_recentMenu);
}

bool EditorFrame::openAtStart(const wxString& fileName, std::unique_ptr<StartFileLoad> load)
{
    auto& document = static_cast<EditorDocument&>(*m_document);
    document.offerStartLoad(std::move(load));
    const bool opened = openFile(fileName);
    // Unused when the user cancelled the recovery offer: the database is left as it was.
    document.offerStartLoad(nullptr);
    return opened;
}

bool EditorFrame::offerUntitledRecovery()
{
    return m_recovery->offerUntitledRecovery() == dbui::Document::Success;
}

wxString EditorFrame::stateFolder()
{
    wxString base;
    // A relative XDG_STATE_HOME is to be ignored, as a user expects of every desktop program.
    if (!wxGetEnv("XDG_STATE_HOME", &base) || !wxFileName(base).IsAbsolute())
        base = wxFileName::GetHomeDir() + "/.local/state";
    return base + "/dbui-editor";
}

int EditorFrame::autosaveSecondsSetting()
{
    return std::max(0, static_cast<int>(wxConfigBase::Get()->ReadLong(s_autosaveKey, s_defaultAutosaveSeconds)));
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
    // No shortcut: the tree answers the keypad's * itself, and taken by the
    // menu the key would no longer type * into the find box.
    view->Append(ID_ExpandBranches, "E&xpand All");
    view->Append(ID_CollapseBranches, "Co&llapse All");
    view->AppendSeparator();
    view->AppendCheckItem(ID_Table, "&Table");
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
    file->Append(wxID_REVERT_TO_SAVED, "Re&vert");
    file->Append(ID_AutosaveSettings, "A&utosave...");
    file->AppendSeparator();
    file->Append(wxID_CLOSE, "&Close\tCtrl+W");
    file->Append(wxID_EXIT, "&Quit\tCtrl+Q");
    return file;
}

wxMenu* EditorFrame::buildEditMenu()
{
    auto* edit = new wxMenu;
    edit->Append(wxID_UNDO, "&Undo\tCtrl+Z");
    // Both keys that editors use for redo.
    edit->Append(wxID_REDO, "&Redo\tCtrl+Y")->AddExtraAccel(wxAcceleratorEntry(wxACCEL_CTRL | wxACCEL_SHIFT, 'Z'));
    edit->AppendSeparator();
    edit->Append(wxID_CUT, "Cu&t\tCtrl+X");
    edit->Append(wxID_COPY, "&Copy\tCtrl+C");
    edit->Append(wxID_PASTE, "&Paste\tCtrl+V");
    edit->Append(ID_Duplicate, "D&uplicate\tCtrl+D");
    edit->AppendSeparator();
    edit->Append(wxID_DELETE, "&Delete\tDel");
    edit->Append(wxID_EDIT, "Re&name\tF2");
    edit->AppendSeparator();
    edit->Append(wxID_SELECTALL, "Select &All\tCtrl+A");
    edit->AppendSeparator();
    edit->Append(wxID_FIND, "&Find...\tCtrl+F");
    edit->Append(ID_FindNext, "Find &Next\tF3");
    edit->Append(ID_FindPrevious, "Find &Previous\tShift+F3");
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
    Connect(wxID_REVERT_TO_SAVED, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleRevert));
    Connect(wxID_REVERT_TO_SAVED, wxEVT_UPDATE_UI, wxUpdateUIEventHandler(EditorFrame::onUpdateRevert));
    Connect(wxID_CLOSE, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleClose));
    Connect(wxID_EXIT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleQuit));
    Connect(wxID_UNDO, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleUndo));
    Connect(wxID_REDO, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleRedo));
    Connect(wxID_CUT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleCut));
    Connect(wxID_COPY, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleCopy));
    Connect(wxID_PASTE, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handlePaste));
    Connect(wxID_DELETE, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleDelete));
    Connect(ID_Duplicate, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleDuplicate));
    Connect(wxID_EDIT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleRename));
    Connect(wxID_SELECTALL, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleSelectAll));
    Connect(wxID_FIND, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleFind));
    Connect(ID_FindNext, ID_FindPrevious, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleFindAgain));
    Connect(ID_ExpandBranches, ID_CollapseBranches, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleBranches));
    Connect(wxID_ABOUT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleAbout));
    Connect(ID_AutosaveSettings, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleAutosaveSettings));
    DragAcceptFiles(true);
    Connect(wxEVT_DROP_FILES, wxDropFilesEventHandler(EditorFrame::onDropFiles));
    // One debug window at a time: asking again brings the open one forward.
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent&)
        {
            if (wxWindow* open = FindWindowByName(DebugPanelWindow::s_windowName, this))
                open->Raise();
            else
                (new DebugPanelWindow(this, &m_database))->Show();
        },
        ID_DebugPanel);
    for (int id : std::initializer_list<int>{wxID_UNDO, wxID_REDO, wxID_CUT, wxID_COPY, wxID_PASTE, ID_Duplicate,
                                             wxID_DELETE, wxID_EDIT, wxID_SELECTALL})
        Connect(id, wxEVT_UPDATE_UI, wxUpdateUIEventHandler(EditorFrame::onUpdateEditMenu));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(EditorFrame::onCloseWindow));
    Connect(wxEVT_ACTIVATE, wxActivateEventHandler(EditorFrame::onActivate));
    // The browser passes the selection on to its inspector; the status bar listens too.
    m_browser->getTreeControl()->Connect(wxUTILS_EVT_TREE_SEL_CHANGED,
                                         wxUTILS_TREE_EVENT_HANDLER(EditorFrame::onSelectionChanged), nullptr, this);
    Bind(dbui::EVT_NODE_FILTER_CHANGED, [this](wxCommandEvent&) { refreshTitleAndStatus(); });
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent& event)
        {
            m_table->follow(event.IsChecked());
            Layout();
        },
        ID_Table);
    Bind(dbui::EVT_NODE_TABLE_REFUSED,
         [this](wxCommandEvent& event) { SetStatusText(event.GetString(), SelectionField); });
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
    wxString fileName;
    if (m_document->showFileOpenDialog(fileName) == wxID_OK)
        openFile(fileName);
}

void EditorFrame::handleOpenRecent(wxCommandEvent& event)
{
    applyPendingEdits();
    const wxString entry = m_history->getHistoryFile(static_cast<std::size_t>(event.GetId() - wxID_FILE1));
    if (entry.empty() || m_recovery->openOfferingRecovery(entry) != dbui::Document::LoadFailed)
        return;
    const wxString question =
        "Opening failed.\n\n" + reasonOf(*m_document) + "\n\nRemove '" + entry + "' from the recent files list?";
    if (m_document->messageBox(question, wxYES_NO | wxICON_EXCLAMATION) != wxYES)
        return;
    // Saving the old document in the prompt may have moved the entries: look for it by name.
    for (std::size_t i = 0; i < m_history->getCount(); ++i)
        if (m_history->getHistoryFile(i) == entry)
        {
            m_history->removeFileFromHistory(i);
            break;
        }
}

void EditorFrame::onDropFiles(wxDropFilesEvent& event)
{
    if (event.GetNumberOfFiles() > 0)
        openFile(event.GetFiles()[0]);
}

bool EditorFrame::openFile(const wxString& fileName)
{
    applyPendingEdits();
    const dbui::Document::ErrorCode result = m_recovery->openOfferingRecovery(fileName);
    if (result == dbui::Document::LoadFailed)
        m_document->messageBox("Opening failed.\n\n" + reasonOf(*m_document), wxICON_EXCLAMATION);
    return result == dbui::Document::Success;
}

void EditorFrame::handleSave(wxCommandEvent&)
{
    applyPendingEdits();
    if (confirmSaveWithConflicts())
        reportSave(m_document->save());
}

void EditorFrame::handleSaveAs(wxCommandEvent&)
{
    applyPendingEdits();
    if (confirmSaveWithConflicts())
        reportSave(m_document->saveAs(wxEmptyString));
}

bool EditorFrame::confirmSaveWithConflicts()
{
    const std::size_t left = m_conflicts->getConflictCount();
    if (left == 0)
        return true;
    const wxString question = wxString::Format(
        "%zu merge conflict%s unresolved. The file will keep %s record%s, and our side's version at each.\n\n"
        "Save anyway?",
        left, left == 1 ? " is" : "s are", left == 1 ? "its" : "their", left == 1 ? "" : "s");
    return m_document->messageBox(question, wxYES_NO | wxICON_QUESTION) == wxYES;
}

void EditorFrame::handleSaveCopy(wxCommandEvent&)
{
    applyPendingEdits();
    wxString fileName;
    if (m_document->showFileSaveCopyDialog(fileName) == wxID_OK)
        reportSave(m_document->saveCopy(fileName));
}

void EditorFrame::handleRevert(wxCommandEvent&)
{
    applyPendingEdits();
    const wxString fileName = m_document->getFilename();
    if (fileName.empty())
        return;
    if (m_document->hasChangedSinceLastSave())
    {
        const wxString question = "Discard your changes and go back to the version of '" + fileName + "' last saved?";
        if (m_document->messageBox(question, wxYES_NO | wxICON_QUESTION) != wxYES)
            return;
        // Asked and answered: the changes are not to be offered back either.
        m_recovery->discardRecoveryFiles();
    }
    if (m_document->revert() == dbui::Document::LoadFailed)
        m_document->messageBox("Reverting failed.\n\n" + reasonOf(*m_document) +
                                   "\n\nThe document stays open with all its changes.",
                               wxICON_EXCLAMATION);
}

void EditorFrame::onActivate(wxActivateEvent& event)
{
    event.Skip();
    // Once the activation is through: a question asked from inside it would
    // come before the window has the focus back.
    if (event.GetActive())
        CallAfter([this] { checkFileOnDisk(); });
}

void EditorFrame::checkFileOnDisk()
{
    // What is typed but not applied counts among the changes a reload would lose.
    if (m_document->fileChangedOnDisk())
        applyPendingEdits();
    const bool hadChanges = m_document->hasChangedSinceLastSave();
    const dbui::Document::ErrorCode result = m_document->checkFileOnDisk();
    if (result == dbui::Document::Success && hadChanges)
        m_recovery->discardRecoveryFiles(); // the user chose to lose them, as for Revert
    else if (result == dbui::Document::LoadFailed)
        m_document->messageBox("Reloading failed.\n\n" + reasonOf(*m_document) +
                                   "\n\nThe document stays open as it was.",
                               wxICON_EXCLAMATION);
}

void EditorFrame::onUpdateRevert(wxUpdateUIEvent& event)
{
    event.Enable(!m_document->getFilename().empty());
}

void EditorFrame::reportSave(int result)
{
    if (result != dbui::Document::SaveFailed)
        return;
    m_document->messageBox("Saving failed.\n\n" + reasonOf(*m_document) +
                               "\n\nThe document stays open with all its changes; Save As can put them elsewhere.",
                           wxICON_EXCLAMATION);
}

int EditorFrame::promptToKeepWork()
{
    const int answer = m_document->dbui::Document::showPromptForSaveDialog();
    if (answer == wxCANCEL)
        return wxCANCEL;
    if (answer != wxYES)
    {
        m_recovery->discardRecoveryFiles();
        return wxNO;
    }
    // The answer is carried out here rather than by the document, which after
    // a failed save would go on and lose the work.
    switch (m_document->save())
    {
    case dbui::Document::Success:
        return wxNO; // nothing is left to lose
    case dbui::Document::SaveFailed:
        break;
    default:
        return wxCANCEL;
    }
    const wxString reason = reasonOf(*m_document);
    if (m_recovery->saveRecoveryFile())
    {
        m_document->messageBox("Saving failed.\n\n" + reason + "\n\nYour changes were kept in '" +
                                   m_recovery->getLastRecoveryFile() +
                                   "', and will be offered back when the document is next opened.",
                               wxICON_EXCLAMATION);
        return wxNO;
    }
    m_document->messageBox("Saving failed.\n\n" + reason +
                               "\n\nThe changes could not be kept in a recovery file "
                               "either (" +
                               reasonOf(*m_document) + "), so the document stays open.",
                           wxICON_EXCLAMATION);
    return wxCANCEL;
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
    // Undoing the deletion of a big scene takes a while.
    wxBusyCursor busy;
    m_database.undo();
}

void EditorFrame::handleRedo(wxCommandEvent&)
{
    applyPendingEdits();
    wxBusyCursor busy;
    m_database.redo();
}

void EditorFrame::handleCut(wxCommandEvent&)
{
    runClipboardCommand(&wxTextEntryBase::Cut, &dbui::NodeBrowserTreeControl::cutSelectedNodesToClipboard);
}

void EditorFrame::handleCopy(wxCommandEvent&)
{
    runClipboardCommand(&wxTextEntryBase::Copy, &dbui::NodeBrowserTreeControl::copySelectedNodesToClipboard);
}

void EditorFrame::handlePaste(wxCommandEvent&)
{
    runClipboardCommand(&wxTextEntryBase::Paste, &dbui::NodeBrowserTreeControl::pasteNodesFromClipboard);
}

void EditorFrame::runClipboardCommand(void (wxTextEntryBase::*onText)(),
                                      bool (dbui::NodeBrowserTreeControl::*onNodes)())
{
    if (wxTextEntryBase* text = focusedTextBox())
    {
        (text->*onText)();
        return;
    }
    // Text still being typed for the nodes goes with them, or is in what is copied.
    applyPendingEdits();
    (m_browser->getTreeControl()->*onNodes)();
}

void EditorFrame::handleDelete(wxCommandEvent&)
{
    // Text still being typed for the nodes must land before they go, so that
    // undoing the deletion brings them back with it.
    applyPendingEdits();
    m_browser->getTreeControl()->deleteSelectedNodes(false);
}

void EditorFrame::handleDuplicate(wxCommandEvent&)
{
    m_browser->getTreeControl()->duplicateSelectedNodes();
}

void EditorFrame::handleRename(wxCommandEvent&)
{
    dbui::NodeBrowserTreeControl* tree = m_browser->getTreeControl();
    const auto selection = tree->GetSelection();
    if (selection.size() == 1)
        tree->EditLabel(selection.front());
}

void EditorFrame::handleSelectAll(wxCommandEvent&)
{
    // As with Cut, Copy and Paste, a text box keeps the key a text box has everywhere.
    if (wxTextEntryBase* text = focusedTextBox())
        text->SelectAll();
    else
        m_browser->getTreeControl()->selectAllNodes();
}

void EditorFrame::handleFind(wxCommandEvent&)
{
    m_browser->focusFilterBox();
}

void EditorFrame::handleBranches(wxCommandEvent& event)
{
    dbui::NodeBrowserTreeControl* tree = m_browser->getTreeControl();
    tree->setBranchesExpanded(tree->getSelectedBranches(), event.GetId() == ID_ExpandBranches
                                                               ? dbui::NodeTreeControl::BranchState::Expanded
                                                               : dbui::NodeTreeControl::BranchState::Collapsed);
}

void EditorFrame::handleFindAgain(wxCommandEvent& event)
{
    m_browser->selectFilterMatch(event.GetId() == ID_FindPrevious ? wxUtils::TreeControl::Backward
                                                                  : wxUtils::TreeControl::Forward);
}

void EditorFrame::handleAbout(wxCommandEvent&)
{
    wxAboutDialogInfo info;
    info.SetName(gTarn.getEnvData().getAppDisplayName());
    info.SetDescription("Views and edits node databases.");
    wxAboutBox(info, this);
}

void EditorFrame::handleAutosaveSettings(wxCommandEvent&)
{
    wxUtils::OrkSimpleMultiOptionDialog dialog(this, "Autosave");
    dialog.addTextItem("seconds", "Seconds between autosaves (0: never)",
                       wxString::Format("%d", autosaveSecondsSetting()),
                       wxUtils::OrkSimpleMultiOptionDialog::ItemNumeric);
    if (dialog.ShowModal() != wxID_OK)
        return;
    long seconds = 0;
    if (!dialog.getTextValue("seconds").ToLong(&seconds) || seconds < 0)
        return;
    wxConfigBase::Get()->Write(s_autosaveKey, seconds);
    wxConfigBase::Get()->Flush();
    m_recovery->setAutosave(std::chrono::seconds(seconds));
    showAutosaveStatus();
}

void EditorFrame::onUpdateEditMenu(wxUpdateUIEvent& event)
{
    const std::size_t selected = m_browser->getTreeControl()->GetSelectedItemCount();
    const wxTextEntryBase* text = focusedTextBox();
    switch (event.GetId())
    {
    case wxID_CUT:
        event.Enable(text ? text->CanCut() : selected > 0);
        break;
    case wxID_COPY:
        event.Enable(text ? text->CanCopy() : selected > 0);
        break;
    case wxID_PASTE:
        // Menus are updated as they open, not while idle: a round trip to the
        // display server to ask the clipboard what it holds costs nothing then.
        event.Enable(text ? text->CanPaste() : dbui::NodeClipboard::holdsText());
        break;
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
    case ID_Duplicate:
        event.Enable(selected > 0);
        break;
    case wxID_EDIT:
        event.Enable(selected == 1);
        break;
    case wxID_SELECTALL:
        event.Enable(text ? !text->IsEmpty() : m_browser->getTreeControl()->hasSelectableNodes());
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

wxString EditorFrame::refreshConflicts()
{
    if (!m_conflicts)
        return wxEmptyString;
    if (m_conflicts->refresh() && m_conflicts->IsShown() != (m_conflicts->getConflictCount() > 0))
    {
        m_conflicts->Show(m_conflicts->getConflictCount() > 0);
        Layout();
    }
    const std::size_t left = m_conflicts->getConflictCount();
    return left == 0 ? wxString() : left == 1 ? wxString("1 conflict") : wxString::Format("%zu conflicts", left);
}

void EditorFrame::refreshTitleAndStatus()
{
    const wxString conflicts = refreshConflicts();
    SetTitle(m_document->getTitleWithChangeIndicator() + (conflicts.empty() ? "" : " (" + conflicts + ")") + " - " +
             gTarn.getEnvData().getAppDisplayName());
    const std::size_t nodes = m_database.getTotalNodeCount();
    wxString count = nodes == 1 ? wxString("1 node") : wxString::Format("%zu nodes", nodes);
    const dbui::NodeBrowserTreeControl* tree = m_browser ? m_browser->getTreeControl() : nullptr;
    if (tree && tree->IsFiltered())
    {
        const std::size_t found = tree->GetFilterMatchCount();
        count = (found == 1 ? wxString("1 match") : wxString::Format("%zu matches", found)) + " in " + count;
    }
    SetStatusText(conflicts.empty() ? count : count + ", " + conflicts, NodeCountField);
    const std::size_t selected = m_browser ? m_browser->getTreeControl()->GetSelectedItemCount() : 0;
    SetStatusText(selected == 0 ? wxString("Nothing selected") : wxString::Format("%zu selected", selected),
                  SelectionField);
}

void EditorFrame::buildAutosaveGauge()
{
    wxStatusBar* bar = GetStatusBar();
    m_autosaveGauge = new wxGauge(bar, wxID_ANY, 100, wxDefaultPosition, wxDefaultSize, wxGA_HORIZONTAL | wxGA_SMOOTH);
    m_autosaveGauge->Hide();
    const int widths[StatusFieldCount] = {-1, -1, -2, 140};
    bar->SetStatusWidths(StatusFieldCount, widths);
    bar->Bind(wxEVT_SIZE,
              [this](wxSizeEvent& event)
              {
                  placeAutosaveGauge();
                  event.Skip();
              });
}

void EditorFrame::placeAutosaveGauge()
{
    wxRect field;
    if (GetStatusBar()->GetFieldRect(AutosaveGaugeField, field))
        m_autosaveGauge->SetSize(field.Deflate(2));
}

void EditorFrame::showAutosaveProgress(double fraction, std::chrono::milliseconds running)
{
    if (running < s_autosaveGaugeDelay)
        return;
    if (!m_autosaveGauge->IsShown())
    {
        placeAutosaveGauge();
        m_autosaveGauge->Show();
        SetStatusText("Autosaving...", AutosaveField);
    }
    m_autosaveGauge->SetValue(static_cast<int>(fraction * 100));
}

void EditorFrame::showAutosaveStatus()
{
    m_autosaveGauge->Hide();
    wxString text;
    if (m_recovery->getAutosaveInterval().count() == 0)
        text = "Autosave off";
    else if (!m_recovery->getLastAutosaveError().empty())
        text = "Autosave failed: " + m_recovery->getLastAutosaveError();
    else if (m_recovery->getLastAutosaveTime().IsValid())
        text = "Autosaved at " + m_recovery->getLastAutosaveTime().FormatISOTime();
    else
        text = wxString::Format(
            "Autosave every %lld s",
            static_cast<long long>(
                std::chrono::duration_cast<std::chrono::seconds>(m_recovery->getAutosaveInterval()).count()));
    SetStatusText(text, AutosaveField);
}

void EditorFrame::applyPendingEdits()
{
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
}
