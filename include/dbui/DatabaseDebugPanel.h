#pragma once

#include <dbui/Export.h>

#include <db/DatabaseObserver.h>
#include <db/RegistryObserver.h>
#include <db/UndoObserver.h>

#include <wxUtils/OrkPanel.h>

#include <wx/timer.h>

#include <vector>

namespace db
{
class ChangeSet;
class Database;
class Node;
} // namespace db
namespace wxUtils
{
class OrkButton;
class OrkCheckBox;
class OrkCheckBoxEvent;
class OrkComboBox;
class OrkListControl;
class OrkSimpleTextCtrl;
} // namespace wxUtils

namespace dbui
{

class NodeBrowser;

/// A developer's view of every registered database: pick one to see its node
/// tree, statistics, memory figures and undo and redo stacks, step through its
/// history and change its undo limit. Follows the registry on its own.
class DBUI_EXPORT DatabaseDebugPanel : public wxUtils::OrkPanel,
                                       public db::DatabaseObserver,
                                       public db::RegistryObserver,
                                       public db::UndoObserver
{
public:
    /// Rows of the statistics list, top to bottom.
    enum StatRow
    {
        RowTotalNodes,
        RowAttributes,
        RowUndoSteps,
        RowRedoSteps,
        RowMaxUndoSteps,
        RowUndoMemory,
        RowObservers,
        RowRuntimeMemory,
        RowRuntimeBlocks,
        RowProcessMemory,
        StatRowCount
    };

    /// Lays the panel out, offers every registered database (selecting the first)
    /// and follows the registry from then on.
    DatabaseDebugPanel(wxWindow* parent, int id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                       const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "DatabaseDebugPanel");
    ~DatabaseDebugPanel() override;

    /// Offers `database` in the chooser (once); does not select it.
    void addDatabase(db::Database* database);
    /// Withdraws `database`, clearing the selection if it was selected.
    void removeDatabase(db::Database* database);
    /// Selects `database` (null for none) and follows its changes while shown.
    void setDatabase(db::Database* database);

    /// The selected database, or null.
    db::Database* getDatabase() const { return m_database; }
    /// The databases offered, in the order they were added.
    const std::vector<db::Database*>& getDatabases() const { return m_databases; }

    ///@{
    /// The panel's child windows, for hosts that adjust them and for tests.
    NodeBrowser* getBrowser() const { return m_browser; }
    wxUtils::OrkComboBox* getDatabaseChooser() const { return m_databaseChooser; }
    wxUtils::OrkListControl* getStatsList() const { return m_statsList; }
    wxUtils::OrkListControl* getUndoList() const { return m_undoList; }
    wxUtils::OrkListControl* getRedoList() const { return m_redoList; }
    wxUtils::OrkButton* getUndoButton() const { return m_undoButton; }
    wxUtils::OrkButton* getRedoButton() const { return m_redoButton; }
    wxUtils::OrkSimpleTextCtrl* getUndoLimitBox() const { return m_undoLimitBox; }
    wxUtils::OrkCheckBox* getDebugTraceBox() const { return m_debugTraceBox; }
    wxUtils::OrkCheckBox* getObserverTimingBox() const { return m_observerTimingBox; }
    ///@}
    /// True while the memory rows refresh on their timer.
    bool isRefreshingMemory() const { return m_timer.IsRunning(); }

    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient) override;
    void onDatabaseRegistered(db::Database* database) override;
    void onDatabaseUnregistered(db::Database* database) override;
    void onUndoStackPushed(db::Database* database) override;
    void onUndoStackPopped(db::Database* database) override;
    void onUndoStackPoppedFront(db::Database* database) override;
    void onRedoStackPushed(db::Database* database) override;
    void onRedoStackPopped(db::Database* database) override;

protected:
    /// Brings chooser, browser, statistics and both stacks up to date.
    void rebuild();
    /// Appends the ten statistics rows with their labels and empty values.
    void populateStatsList();
    /// Refreshes every figure of the selected database; empties the values without one.
    void updateStatsList();
    /// Refreshes the three memory rows; "n/a" for the block count when the
    /// program links no live-block counter (dbui::live_blocks).
    void updateProcessMemoryStats();
    /// Appends the next step of the stack `list` shows.
    void appendUndoItem(wxUtils::OrkListControl* list);
    /// Refills the stack `list` shows, one row per step.
    void rebuildUndoList(wxUtils::OrkListControl* list);
    /// Enables Undo and Redo as the selected database allows; refreshes the stack figures.
    void updateUndoUI();
    /// Refreshes the undo steps, redo steps and undo limit rows.
    void updateUndoStats();
    /// A renamed database gets its new name in the chooser.
    void doNodeRenamed(db::Node* node);

    /// Every 500 ms while shown: refreshes the memory rows.
    void onTimer(wxTimerEvent& event);
    ///@{
    /// The Undo (Redo) button: undoes (redoes) a step of the selected database.
    void onUndo(wxCommandEvent& event);
    void onRedo(wxCommandEvent& event);
    ///@}
    /// Enter in the undo limit box: sets the selected database's limit (text
    /// that is not a number gives 0).
    void onUndoLimitChanged(wxCommandEvent& event);
    ///@{
    /// The check boxes switch the database library's trace (observer timing) for every database.
    void onEnableDebugTrace(wxUtils::OrkCheckBoxEvent& event);
    void onEnableObserverTiming(wxUtils::OrkCheckBoxEvent& event);
    ///@}
    /// The user chose a database in the chooser: selects it.
    void onDatabaseSelected(wxCommandEvent& event);
    /// Shown: follows the selected database again and starts the timer; hidden: stops both.
    void onShown(wxShowEvent& event);

private:
    void buildLayout();
    void connectEvents();
    void observe(db::Database* database);
    void stopObserving(db::Database* database);
    void setStat(int row, const wxString& text);
    static wxString displayName(db::Database* database);

    std::vector<db::Database*> m_databases;
    db::Database* m_database = nullptr;
    NodeBrowser* m_browser = nullptr;
    wxUtils::OrkComboBox* m_databaseChooser = nullptr;
    wxUtils::OrkListControl* m_statsList = nullptr;
    wxUtils::OrkListControl* m_undoList = nullptr;
    wxUtils::OrkListControl* m_redoList = nullptr;
    wxUtils::OrkButton* m_undoButton = nullptr;
    wxUtils::OrkButton* m_redoButton = nullptr;
    wxUtils::OrkSimpleTextCtrl* m_undoLimitBox = nullptr;
    wxUtils::OrkCheckBox* m_debugTraceBox = nullptr;
    wxUtils::OrkCheckBox* m_observerTimingBox = nullptr;
    wxTimer m_timer;
};

} // namespace dbui
