#pragma once

#include <dbui/DocumentObserver.h>
#include <dbui/NodeCommands.h>

#include <db/DatabaseObserver.h>

#include <wx/frame.h>

#include <chrono>
#include <memory>

class ConflictsPanel;
class EditorTable;
class StartFileLoad;
class wxActivateEvent;
class wxDropFilesEvent;
class wxGauge;

namespace db
{
class Database;
}
namespace wxUtils
{
class OrkFileHistory2;
class TreeEvent;
} // namespace wxUtils

namespace dbui
{
class CommandPalette;
class CrashRecovery;
class Document;
class NodeBrowser;
class NodeBrowserTreeControl;
} // namespace dbui

/// The editor's main window: one database shown in a node browser, kept in
/// one document, with the File, Edit and Help menus over them.
class EditorFrame : public wxFrame, public dbui::DocumentObserver, public db::DatabaseObserver
{
public:
    /// `history` null keeps the recent files in wxConfig under "RecentFiles".
    EditorFrame(db::Database& database, std::unique_ptr<wxUtils::OrkFileHistory2> history = nullptr);
    ~EditorFrame() override;

    /// Opens `fileName`, first offering a newer crash-recovery file of it; says why when it cannot.
    /// What `load` has read of it (if it reads that file) is taken rather than read again.
    bool openAtStart(const wxString& fileName, std::unique_ptr<StartFileLoad> load = nullptr);
    /// Offers untitled work that an editor which ended left behind; true when it was taken.
    bool offerUntitledRecovery();
    /// Writes the recovery file if there are unsaved changes (for fatal errors).
    void saveRecoveryFile();

    /// Where recovery files go that cannot lie beside their document: $XDG_STATE_HOME/dbui-editor.
    static wxString stateFolder();
    /// The autosave interval kept in wxConfig, in seconds; 0 for never.
    static int autosaveSecondsSetting();

    dbui::Document& getDocument() { return *m_document; }
    dbui::CrashRecovery& getRecovery() { return *m_recovery; }
    dbui::NodeBrowser* getBrowser() const { return m_browser; }
    /// The merge conflicts of the document; shown while there are any.
    ConflictsPanel* getConflictsPanel() const { return m_conflicts; }
    /// Opens the top-level nodes and selects the one with the most attributes to show.
    void selectRichestTopLevelNode();

    // Menu command ids beyond wxWidgets' standard ones and the browser tree's.
    enum
    {
        ID_SaveCopy = wxID_HIGHEST + 1,
        ID_DebugPanel,
        ID_AutosaveSettings,
        ID_FindNext,
        ID_FindPrevious,
        ID_Table,
        ID_CommandPalette,
        ID_KeyboardShortcuts,
        ID_Duplicate = dbui::NodeCommands::DuplicateId,
        ID_ExpandBranches = dbui::NodeCommands::ExpandAllId,
        ID_CollapseBranches = dbui::NodeCommands::CollapseAllId,
    };

    /// The commands of the Edit and View menus, the tool bar, the palette and the keys.
    dbui::NodeCommands& getCommands();
    /// What the commands act on now: the tree's selection, and the focused text box if any.
    dbui::NodeCommandContext commandContext() const;
    /// The palette (Ctrl+Shift+P), made when first asked for.
    dbui::CommandPalette& getCommandPalette();
    /// Gives the commands the keys the user chose, kept in wxConfig under "Shortcuts".
    void loadShortcuts();
    /// Keeps the commands' keys in wxConfig and shows them in the menus and accelerators.
    void applyShortcuts();

private:
    void buildMenus();
    wxMenu* buildFileMenu();
    /// The editor's commands beside the tree's own, in the one table.
    void addEditorCommands();
    void connectEvents();
    void connectCommands();
    void onUpdateCommand(wxUpdateUIEvent& event);
    void rememberGeometry();
    /// The inspector's pinned attributes, kept per node type in wxConfig.
    void restorePinnedAttributes();
    void rememberPinnedAttributes(const wxString& nodeType);

    void handleNew(wxCommandEvent&);
    void handleOpen(wxCommandEvent&);
    void handleOpenRecent(wxCommandEvent& event);
    void handleSave(wxCommandEvent&);
    void handleSaveAs(wxCommandEvent&);
    void handleSaveCopy(wxCommandEvent&);
    void handleRevert(wxCommandEvent&);
    void onUpdateRevert(wxUpdateUIEvent& event);
    void onActivate(wxActivateEvent& event);
    /// Tells the user of another program's changes to the document's file, offering to reload it.
    void checkFileOnDisk();
    void handleClose(wxCommandEvent&);
    void handleQuit(wxCommandEvent&);
    void handleUndo();
    void handleRedo();
    /// Edit > Keyboard Shortcuts: the dialog, then the keys it gives.
    void handleKeyboardShortcuts();
    void handleAbout(wxCommandEvent&);
    void handleAutosaveSettings(wxCommandEvent&);
    void onDropFiles(wxDropFilesEvent& event);
    void onCloseWindow(wxCloseEvent& event);
    void onSelectionChanged(wxUtils::TreeEvent& event);

    // Document and database notifications keep the title and status bar true.
    void onDocumentCreated() override { refreshTitleAndStatus(); }
    void onDocumentClosed() override { refreshTitleAndStatus(); }
    void onDocumentSaved() override { refreshTitleAndStatus(); }
    void onDocumentModified(bool transient) override;
    void postDatabaseChanged(db::Database* database, bool transient) override;

    void refreshTitleAndStatus();
    /// Shows the conflicts panel while the document carries conflicts; their count, "" for none.
    wxString refreshConflicts();
    /// Asks before a save that would keep unresolved conflicts; true to go on.
    bool confirmSaveWithConflicts();
    void showAutosaveStatus();
    void buildAutosaveGauge();
    void placeAutosaveGauge();
    /// A long autosave's progress, in the status bar's gauge.
    void showAutosaveProgress(double fraction, std::chrono::milliseconds running);

    /// Opens `fileName` by any path, offering recovery first; true on success, else the user is told why.
    bool openFile(const wxString& fileName);
    /// Tells the user why a save failed, if it did.
    void reportSave(int result);
    /// The save prompt, carried out: a failed save keeps the work in the
    /// recovery file and says where, and stops what asked when even that fails.
    int promptToKeepWork();
    /// Pending edits of focus-reliant windows (text or a script being typed)
    /// become undo steps before a command reads or changes the document.
    void applyPendingEdits();

    db::Database& m_database;
    std::unique_ptr<wxUtils::OrkFileHistory2> m_history;
    std::unique_ptr<dbui::Document> m_document;
    std::unique_ptr<dbui::CrashRecovery> m_recovery;
    dbui::NodeBrowser* m_browser = nullptr;
    ConflictsPanel* m_conflicts = nullptr;
    wxMenu* m_recentMenu = nullptr;
    wxGauge* m_autosaveGauge = nullptr;
    /// View > Table, beside the browser while shown.
    EditorTable* m_table = nullptr;
    dbui::CommandPalette* m_palette = nullptr;
};
