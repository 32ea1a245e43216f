#include "EditorFrame.h"

#include "ConflictsPanel.h"
#include "DebugPanelWindow.h"
#include "EditorTable.h"
#include "ShortcutsDialog.h"
#include "StartFileLoad.h"

#include <dbui/AttributeWidget.h>
#include <dbui/CommandPalette.h>
#include <dbui/CrashRecovery.h>
#include <dbui/Document.h>
#include <dbui/FileWidget.h>
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
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace
{
const wxString s_documentExtension = "xml";
const wxString s_autosaveKey = "/Autosave/IntervalSeconds";
/// Each command's key, under its name.
const wxString s_shortcutsKey = "/Shortcuts/";
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
    // Paths picked for "file" attributes are kept relative to the document.
    dbui::FileWidget::setDocumentFolder(
        [this](const db::Database* database)
        {
            const wxString file = m_document->getFilename();
            return database == &m_database && !file.empty() ? wxFileName(file).GetPath() : wxString();
        });
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
        dbui::NodeBrowserTreeControl::BranchCommands | dbui::NodeBrowserTreeControl::SelectUndoneNodes |
        dbui::NodeBrowserTreeControl::CommandTable);
    dbui::NodeInspector* inspector = m_browser->getInspector();
    inspector->setOptions(dbui::NodeInspector::ShowHeader | dbui::NodeInspector::ShowAttributeFilter |
                          dbui::NodeInspector::CollapsibleRows | dbui::NodeInspector::WideNumberBoxes |
                          dbui::NodeInspector::ValueCommands | dbui::NodeInspector::ArithmeticInput |
                          dbui::NodeInspector::LockButton | dbui::NodeInspector::MarkModifiedRows |
                          dbui::NodeInspector::PinnedRows | dbui::NodeInspector::KeyboardNavigation |
                          dbui::NodeInspector::PointerDrops);
    inspector->addCommandsTo(getCommands());
    restorePinnedAttributes();
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

namespace
{
const wxString s_pinsGroup = "/Inspector/Pins";
}

void EditorFrame::restorePinnedAttributes()
{
    wxConfigBase* config = wxConfigBase::Get();
    const wxString oldPath = config->GetPath();
    config->SetPath(s_pinsGroup);
    long cookie = 0;
    wxString type;
    std::vector<std::pair<wxString, wxString>> entries;
    for (bool more = config->GetFirstEntry(type, cookie); more; more = config->GetNextEntry(type, cookie))
        entries.emplace_back(type, config->Read(type, wxString()));
    config->SetPath(oldPath);
    for (const auto& [nodeType, names] : entries)
    {
        std::vector<std::wstring> pins;
        for (const wxString& name : wxSplit(names, ',', '\0'))
            pins.push_back(name.ToStdWstring());
        m_browser->getInspector()->setPinnedAttributes(nodeType.ToStdWstring(), pins);
    }
}

void EditorFrame::rememberPinnedAttributes(const wxString& nodeType)
{
    wxString joined;
    for (const std::wstring& name : m_browser->getInspector()->getPinnedAttributes(nodeType.ToStdWstring()))
        joined += (joined.empty() ? "" : ",") + wxString(name);
    const wxString key = s_pinsGroup + "/" + nodeType;
    if (joined.empty())
        wxConfigBase::Get()->DeleteEntry(key);
    else
        wxConfigBase::Get()->Write(key, joined);
}

EditorFrame::~EditorFrame()
{
    dbui::FileWidget::setDocumentFolder({});
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
    addEditorCommands();
    loadShortcuts();
    const dbui::NodeCommands& commands = getCommands();
    auto* bar = new wxMenuBar;
    bar->Append(buildFileMenu(), "&File");
    auto* edit = new wxMenu;
    commands.appendToMenu(*edit, dbui::NodeCommand::EditMenu);
    bar->Append(edit, "&Edit");
    auto* view = new wxMenu;
    commands.appendToMenu(*view, dbui::NodeCommand::ViewMenu);
    bar->Append(view, "&View");
    auto* help = new wxMenu;
    help->Append(wxID_ABOUT, "&About");
    bar->Append(help, "&Help");
    SetMenuBar(bar);

    wxToolBar* tools = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT);
    commands.appendToToolBar(*tools);
    tools->Realize();
    applyShortcuts();
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

dbui::NodeCommands& EditorFrame::getCommands()
{
    return m_browser->getTreeControl()->getCommands();
}

dbui::NodeCommandContext EditorFrame::commandContext() const
{
    return dbui::NodeCommandContext::of(m_browser->getTreeControl(), FindFocus());
}

void EditorFrame::addEditorCommands()
{
    using dbui::NodeCommand;
    using Context = dbui::NodeCommandContext;
    dbui::NodeCommands& commands = getCommands();
    const int editAndTools = NodeCommand::EditMenu | NodeCommand::ToolBar;
    commands.add({wxID_UNDO, "&Undo", "Takes back the last edit", "Ctrl+Z", "command_undo", editAndTools, 10, nullptr,
                  [this](const Context&) { return m_database.canUndo(); }, [this](const Context&) { handleUndo(); }});
    commands.add({wxID_REDO, "&Redo", "Makes the last edit taken back again", "Ctrl+Y", "command_redo", editAndTools,
                  10, nullptr, [this](const Context&) { return m_database.canRedo(); },
                  [this](const Context&) { handleRedo(); }});
    commands.add({wxID_FIND, "&Find...", "Finds nodes by name, type or path", "Ctrl+F", "command_find", editAndTools,
                  45, nullptr, nullptr, [this](const Context&) { m_browser->focusFilterBox(); }});
    for (const bool next : {true, false})
        commands.add(
            {next ? ID_FindNext : ID_FindPrevious, next ? "Find &Next" : "Find &Previous",
             next ? "Selects the next node found" : "Selects the previous node found", next ? "F3" : "Shift+F3", "",
             NodeCommand::EditMenu, 45, nullptr, nullptr, [this, next](const Context&) {
                 m_browser->selectFilterMatch(next ? wxUtils::TreeControl::Forward : wxUtils::TreeControl::Backward);
             }});
    commands.add({ID_KeyboardShortcuts, "&Keyboard Shortcuts...", "Changes the keys of the commands", "", "",
                  NodeCommand::EditMenu, 90, nullptr, nullptr, [this](const Context&) { handleKeyboardShortcuts(); }});
    commands.add({ID_Table, "&Table", "Shows the selected nodes side by side in a table", "", "", NodeCommand::ViewMenu,
                  55, [this](const Context&) { return m_table->IsShown(); }, nullptr,
                  [this](const Context&)
                  {
                      m_table->follow(!m_table->IsShown());
                      Layout();
                  }});
    // One debug window at a time: asking again brings the open one forward.
    commands.add({ID_DebugPanel, "&Debug Panel", "Shows the database's figures and undo history", "", "",
                  NodeCommand::ViewMenu, 55, nullptr, nullptr,
                  [this](const Context&)
                  {
                      if (wxWindow* open = FindWindowByName(DebugPanelWindow::s_windowName, this))
                          open->Raise();
                      else
                          (new DebugPanelWindow(this, &m_database))->Show();
                  }});
    commands.add({ID_CommandPalette, "Command &Palette...", "Finds any command by typing part of its name",
                  "Ctrl+Shift+P", "", NodeCommand::ViewMenu, 90, nullptr, nullptr,
                  [this](const Context&) { getCommandPalette().popup(); }});
}

dbui::CommandPalette& EditorFrame::getCommandPalette()
{
    if (!m_palette)
        m_palette = new dbui::CommandPalette(this, *m_browser->getTreeControl());
    return *m_palette;
}

void EditorFrame::loadShortcuts()
{
    wxConfigBase* config = wxConfigBase::Get();
    std::vector<std::pair<int, wxString>> chosen;
    for (const dbui::NodeCommand& command : getCommands().getCommands())
    {
        wxString key;
        if (config->Read(s_shortcutsKey + dbui::NodeCommands::plainLabel(command), &key))
            chosen.emplace_back(command.id, key);
    }
    // Freed first: a key may have moved from one command to another. One
    // that another command holds by now is left to that one.
    for (const auto& [id, key] : chosen)
        getCommands().setShortcut(id, wxEmptyString);
    for (const auto& [id, key] : chosen)
        getCommands().setShortcut(id, key);
}

void EditorFrame::applyShortcuts()
{
    wxConfigBase* config = wxConfigBase::Get();
    const dbui::NodeCommands& commands = getCommands();
    // Only the keys the user changed: a later version's new defaults then reach everyone else.
    for (const dbui::NodeCommand& command : commands.getCommands())
    {
        const wxString key = s_shortcutsKey + dbui::NodeCommands::plainLabel(command);
        if (command.shortcut == commands.getDefaultShortcut(command.id))
            config->DeleteEntry(key);
        else
            config->Write(key, command.shortcut);
    }
    config->Flush();
    for (std::size_t i = 0; i < GetMenuBar()->GetMenuCount(); ++i)
        commands.refreshMenuLabels(*GetMenuBar()->GetMenu(i));
    // Both keys that editors use for redo.
    if (wxMenuItem* redo = GetMenuBar()->FindItem(wxID_REDO))
        redo->AddExtraAccel(wxAcceleratorEntry(wxACCEL_CTRL | wxACCEL_SHIFT, 'Z'));
    // Keys of commands on no menu work as well.
    SetAcceleratorTable(commands.makeAcceleratorTable(dbui::NodeCommand::EditMenu | dbui::NodeCommand::ViewMenu));
}

void EditorFrame::handleKeyboardShortcuts()
{
    ShortcutsDialog dialog(this, getCommands());
    if (dialog.ShowModal() != wxID_OK)
        return;
    dialog.applyTo(getCommands());
    applyShortcuts();
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
    Connect(wxID_ABOUT, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleAbout));
    Connect(ID_AutosaveSettings, wxEVT_MENU, wxCommandEventHandler(EditorFrame::handleAutosaveSettings));
    DragAcceptFiles(true);
    Connect(wxEVT_DROP_FILES, wxDropFilesEventHandler(EditorFrame::onDropFiles));
    connectCommands();
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(EditorFrame::onCloseWindow));
    Connect(wxEVT_ACTIVATE, wxActivateEventHandler(EditorFrame::onActivate));
    // The browser passes the selection on to its inspector; the status bar listens too.
    m_browser->getTreeControl()->Connect(wxUTILS_EVT_TREE_SEL_CHANGED,
                                         wxUTILS_TREE_EVENT_HANDLER(EditorFrame::onSelectionChanged), nullptr, this);
    Bind(dbui::EVT_NODE_FILTER_CHANGED, [this](wxCommandEvent&) { refreshTitleAndStatus(); });
    Bind(dbui::EVT_NODE_TABLE_REFUSED,
         [this](wxCommandEvent& event) { SetStatusText(event.GetString(), SelectionField); });
    Bind(dbui::EVT_ATTRIBUTE_INPUT_REFUSED,
         [this](wxCommandEvent& event) { SetStatusText(event.GetString(), SelectionField); });
    Bind(dbui::EVT_INSPECTOR_PINS_CHANGED,
         [this](wxCommandEvent& event) { rememberPinnedAttributes(event.GetString()); });
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

void EditorFrame::connectCommands()
{
    // Menus, tool bar and keys alike: the table says what runs and when it can.
    for (const dbui::NodeCommand& command : getCommands().getCommands())
    {
        Bind(
            wxEVT_MENU, [this](wxCommandEvent& event) { getCommands().run(event.GetId(), commandContext()); },
            command.id);
        Connect(command.id, wxEVT_UPDATE_UI, wxUpdateUIEventHandler(EditorFrame::onUpdateCommand));
    }
}

void EditorFrame::onUpdateCommand(wxUpdateUIEvent& event)
{
    const dbui::NodeCommand* command = getCommands().find(event.GetId());
    if (!command)
        return;
    const dbui::NodeCommandContext context = commandContext();
    event.Enable(getCommands().isEnabled(*command, context));
    if (command->checked)
        event.Check(command->checked(context));
    // Undo and Redo name the step they take.
    const wxString key = command->shortcut.empty() ? wxString() : "\t" + command->shortcut;
    if (event.GetId() == wxID_UNDO)
        event.SetText(m_database.canUndo()
                          ? "&Undo " + wxString(m_database.getUndoDescription(m_database.getUndoStackSize() - 1)) + key
                          : "&Undo" + key);
    else if (event.GetId() == wxID_REDO)
        event.SetText(m_database.canRedo()
                          ? "&Redo " + wxString(m_database.getRedoDescription(m_database.getRedoStackSize() - 1)) + key
                          : "&Redo" + key);
}

void EditorFrame::handleUndo()
{
    applyPendingEdits();
    // Undoing the deletion of a big scene takes a while.
    wxBusyCursor busy;
    m_database.undo();
}

void EditorFrame::handleRedo()
{
    applyPendingEdits();
    wxBusyCursor busy;
    m_database.redo();
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
