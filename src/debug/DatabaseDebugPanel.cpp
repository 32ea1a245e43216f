#include <dbui/DatabaseDebugPanel.h>

#include <dbui/NodeBrowser.h>

#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/Registry.h>
#include <db/StringAttribute.h>

#include <Orkutils/MemoryTracker.h>
#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkListControl.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/PanelBuilder.h>
#include <wxUtils/WindowUtils.h>

#include <algorithm>
#include <cwchar>

namespace dbui
{

namespace
{

const wxString s_statLabels[DatabaseDebugPanel::StatRowCount] = {
    "Total nodes",
    "Attributes",
    "Undo steps",
    "Redo steps",
    "Max undo steps",
    "Undo memory usage",
    "Database observers",
    "C Runtime memory usage",
    "C Runtime memory block count",
    "Total process memory usage",
};

const int s_memoryRefreshMilliseconds = 500;

} // namespace

DatabaseDebugPanel::DatabaseDebugPanel(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                                       const wxString& name)
    : OrkPanel(parent, id, pos, size, style, name)
{
    buildLayout();
    connectEvents();

    db::Registry& registry = db::Registry::getInstance();
    // Copied: adding cannot change the registry, but a copy keeps that no concern of ours.
    const std::vector<db::Database*> registered = registry.getRegisteredDatabases();
    for (db::Database* database : registered)
        addDatabase(database);
    if (!registered.empty())
        setDatabase(registered.front());
    registry.getObservers().add(this, ObserverMode::Deferred);

    // A child window starts out shown without ever being told so, so the
    // memory rows would otherwise wait for a hide and show to start ticking.
    if (IsShown())
        m_timer.Start(s_memoryRefreshMilliseconds, wxTIMER_CONTINUOUS);
}

DatabaseDebugPanel::~DatabaseDebugPanel()
{
    m_timer.Stop();
    db::Registry::getInstance().getObservers().remove(this, ObserverMode::Immediate);
    setDatabase(nullptr);
}

// ---------------------------------------------------------------------------
// Layout and wiring

void DatabaseDebugPanel::buildLayout()
{
    wxUtils::PanelBuilder builder(this, 2);
    builder.beginVSizer(1, wxEXPAND);
    builder.beginVSplitter(1, wxEXPAND, wxDefaultSize, 0, 0.5);

    m_browser = new NodeBrowser(builder.getParentWindow(), -1, wxDefaultPosition, wxDefaultSize, 0, "NodeBrowser");
    builder.addWindow(m_browser, 1, wxEXPAND);

    builder.beginPanel(0, 0, wxDefaultSize, 0);
    builder.beginVSizer(1, wxEXPAND);
    m_databaseChooser = builder.addComboBox(0, wxEXPAND, wxDefaultSize, 0);

    m_statsList = builder.addListControl(0, wxEXPAND, wxDefaultSize, 0x200000, -1);
    m_statsList->addColumn(0, "stat");
    m_statsList->addColumn(1, "value");
    m_statsList->setStretchColumn(0);
    // The list sits in a sizer slot that does not grow, so it must ask for
    // the height of all its rows itself.
    m_statsList->SetMinSize(
        wxSize(-1, m_statsList->getHeaderHeight() + m_statsList->getRowHeight() * (StatRowCount + 1)));
    m_statsList->setColumnWidth(1, 110);
    populateStatsList();

    m_debugTraceBox = builder.addCheckBox("Enable debug trace", 0, 0);
    m_observerTimingBox = builder.addCheckBox("Observer timing", 0, 0);

    builder.beginHSizer(1, wxEXPAND);
    m_undoList = builder.addListControl(1, wxEXPAND, wxDefaultSize, 0, -1);
    m_undoList->addColumn(0, "Undo stack");
    m_redoList = builder.addListControl(1, wxEXPAND, wxDefaultSize, 0, -1);
    m_redoList->addColumn(0, "Redo stack");
    builder.endSizer();

    builder.beginHSizer(0, wxEXPAND);
    m_undoButton = builder.addButton("Undo");
    m_redoButton = builder.addButton("Redo");
    builder.addStretchSpacer(1);
    builder.addStaticText("Undo limit");
    m_undoLimitBox = builder.addTextBox();
    builder.endSizer();

    builder.endSizer();
    builder.endPanel();
    builder.endSizer(); // splitter
    builder.endSizer();
}

void DatabaseDebugPanel::connectEvents()
{
    m_timer.SetOwner(this, -1);
    Connect(wxEVT_TIMER, wxTimerEventHandler(DatabaseDebugPanel::onTimer));
    m_undoButton->Connect(wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(DatabaseDebugPanel::onUndo), nullptr,
                          this);
    m_redoButton->Connect(wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(DatabaseDebugPanel::onRedo), nullptr,
                          this);
    m_undoLimitBox->Connect(wxEVT_COMMAND_TEXT_ENTER, wxCommandEventHandler(DatabaseDebugPanel::onUndoLimitChanged),
                            nullptr, this);
    m_debugTraceBox->Connect(wxUTILS_EVT_CHECKBOX_CHANGED,
                             wxUTILS_CHECKBOX_EVENT_HANDLER(DatabaseDebugPanel::onEnableDebugTrace), nullptr, this);
    m_observerTimingBox->Connect(wxUTILS_EVT_CHECKBOX_CHANGED,
                                 wxUTILS_CHECKBOX_EVENT_HANDLER(DatabaseDebugPanel::onEnableObserverTiming), nullptr,
                                 this);
    m_databaseChooser->Connect(wxUTILS_EVT_CB_CHANGED, wxCommandEventHandler(DatabaseDebugPanel::onDatabaseSelected),
                               nullptr, this);
    Connect(wxEVT_SHOW, wxShowEventHandler(DatabaseDebugPanel::onShown));
}

// ---------------------------------------------------------------------------
// Databases and selection

wxString DatabaseDebugPanel::displayName(db::Database* database)
{
    return database ? wxString(database->name()) : wxString();
}

void DatabaseDebugPanel::addDatabase(db::Database* database)
{
    if (!database || std::find(m_databases.begin(), m_databases.end(), database) != m_databases.end())
        return;
    m_databases.push_back(database);
    m_databaseChooser->addString(displayName(database), database, -1);
}

void DatabaseDebugPanel::removeDatabase(db::Database* database)
{
    const auto it = std::find(m_databases.begin(), m_databases.end(), database);
    if (it != m_databases.end())
    {
        m_databases.erase(it);
        // By client data rather than by name: two databases may share a name.
        const int index = m_databaseChooser->findClientData(database);
        if (index >= 0)
            m_databaseChooser->deleteString(index);
    }
    if (database && database == m_database)
        setDatabase(nullptr);
}

void DatabaseDebugPanel::observe(db::Database* database)
{
    database->getObservers().add(this, ObserverMode::Deferred);
    database->getUndoObservers().add(this, ObserverMode::Deferred);
}

void DatabaseDebugPanel::stopObserving(db::Database* database)
{
    // While hidden the panel is already off the lists; removing it again
    // would be reported as a misuse of the observer list.
    if (database->getObservers().contains(this))
        database->getObservers().remove(this, ObserverMode::Immediate);
    if (database->getUndoObservers().contains(this))
        database->getUndoObservers().remove(this, ObserverMode::Immediate);
}

void DatabaseDebugPanel::setDatabase(db::Database* database)
{
    if (m_database)
        stopObserving(m_database);
    m_database = database;
    if (m_database && IsShown())
        observe(m_database);
    if (IsShown())
        rebuild();
    else if (!m_database)
        m_browser->setDatabase(nullptr);
}

void DatabaseDebugPanel::rebuild()
{
    const int index = m_database ? m_databaseChooser->findClientData(m_database) : -1;
    m_databaseChooser->setSelection(index);
    m_browser->setDatabase(m_database);
    updateStatsList();
    rebuildUndoList(m_undoList);
    rebuildUndoList(m_redoList);
    updateUndoUI();
}

// ---------------------------------------------------------------------------
// Statistics

void DatabaseDebugPanel::setStat(int row, const wxString& text)
{
    if (wxUtils::OrkListItem_* item = m_statsList->getItem(static_cast<std::size_t>(row)))
        m_statsList->setItemText(item, 1, text);
}

void DatabaseDebugPanel::populateStatsList()
{
    for (const wxString& label : s_statLabels)
        m_statsList->appendItem(label, nullptr);
}

void DatabaseDebugPanel::updateStatsList()
{
    if (!m_database)
    {
        for (int row = 0; row < StatRowCount; ++row)
            setStat(row, wxString());
        return;
    }
    setStat(RowTotalNodes, wxString::Format("%d", static_cast<int>(m_database->getTotalNodeCount())));
    setStat(RowAttributes, wxString::Format("%d", static_cast<int>(m_database->getTotalAttributeCount())));
    const float undoKilobytes = static_cast<float>(static_cast<double>(m_database->getUndoMemoryUsage()) / 1024.0);
    setStat(RowUndoMemory, wxString::Format("%.2f KB", undoKilobytes));
    setStat(RowObservers, wxString::Format("%d", static_cast<int>(m_database->getObservers().count())));
    updateUndoStats();
    updateProcessMemoryStats();
}

void DatabaseDebugPanel::updateUndoStats()
{
    if (!m_database)
        return;
    setStat(RowUndoSteps, wxString::Format("%d", static_cast<int>(m_database->getUndoStackSize())));
    setStat(RowRedoSteps, wxString::Format("%d", static_cast<int>(m_database->getRedoStackSize())));
    const int limit = m_database->getMaxUndoItems();
    setStat(RowMaxUndoSteps, limit == -1 ? wxString("Unlimited") : wxString::Format("%d", limit));
}

void DatabaseDebugPanel::updateProcessMemoryStats()
{
    Orkutils::MemoryTracker* tracker = Orkutils::MemoryTracker::getInstance();
    if (!tracker)
        return;
    setStat(RowRuntimeMemory, wxString::Format("%ld KB", static_cast<long>(tracker->getCurrentBytesUsed() / 1024)));
    // Counting blocks takes the program's opt-in counter; a 0 would look like a figure.
    setStat(RowRuntimeBlocks, tracker->countsAllocations()
                                  ? wxString::Format("%ld", static_cast<long>(tracker->getCurrentAllocationCount()))
                                  : wxString("n/a"));
    setStat(RowProcessMemory, wxString::Format("%ld KB", static_cast<long>(wxUtils::GetProcessMemoryUsage() >> 10)));
}

// ---------------------------------------------------------------------------
// Undo and redo stacks

void DatabaseDebugPanel::appendUndoItem(wxUtils::OrkListControl* list)
{
    if (!m_database)
        return;
    const auto index = static_cast<unsigned int>(list->getItemCount());
    const std::wstring& description =
        list == m_undoList ? m_database->getUndoDescription(index) : m_database->getRedoDescription(index);
    list->appendItem(description.empty() ? wxString("*** Description Missing ***") : wxString(description), nullptr);
}

void DatabaseDebugPanel::rebuildUndoList(wxUtils::OrkListControl* list)
{
    list->deleteAllItems();
    if (!m_database)
        return;
    const unsigned int size = list == m_undoList ? m_database->getUndoStackSize() : m_database->getRedoStackSize();
    for (unsigned int i = 0; i < size; ++i)
        appendUndoItem(list);
}

void DatabaseDebugPanel::updateUndoUI()
{
    if (!m_database)
        return;
    m_undoButton->Enable(m_database->canUndo());
    m_redoButton->Enable(m_database->canRedo());
    updateUndoStats();
}

namespace
{

void deleteRow(wxUtils::OrkListControl* list, bool last)
{
    const std::size_t count = list->getItemCount();
    if (count > 0)
        list->deleteItem(list->getItem(last ? count - 1 : 0));
}

} // namespace

void DatabaseDebugPanel::onUndoStackPushed(db::Database*)
{
    appendUndoItem(m_undoList);
    updateUndoUI();
}

void DatabaseDebugPanel::onUndoStackPopped(db::Database*)
{
    deleteRow(m_undoList, true);
    updateUndoUI();
}

void DatabaseDebugPanel::onUndoStackPoppedFront(db::Database*)
{
    deleteRow(m_undoList, false);
    updateUndoUI();
}

void DatabaseDebugPanel::onRedoStackPushed(db::Database*)
{
    appendUndoItem(m_redoList);
    updateUndoUI();
}

void DatabaseDebugPanel::onRedoStackPopped(db::Database*)
{
    deleteRow(m_redoList, true);
    updateUndoUI();
}

// ---------------------------------------------------------------------------
// Database and registry notifications

void DatabaseDebugPanel::onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool transient)
{
    // Drags report at every step; the figures follow once the drag ends.
    if (!transient)
        updateStatsList();
    for (db::Node* node : changes.RenamedNodes())
        doNodeRenamed(node);
}

void DatabaseDebugPanel::doNodeRenamed(db::Node* node)
{
    db::Database* database = node ? node->asDatabase() : nullptr;
    if (!database)
        return;
    const int index = m_databaseChooser->findClientData(database);
    if (index < 0)
        return;
    const bool selected = m_databaseChooser->getSelection() == index;
    m_databaseChooser->setString(index, displayName(database));
    if (selected)
        m_databaseChooser->setSelection(index);
}

void DatabaseDebugPanel::onDatabaseRegistered(db::Database* database)
{
    addDatabase(database);
}

void DatabaseDebugPanel::onDatabaseUnregistered(db::Database* database)
{
    removeDatabase(database);
}

// ---------------------------------------------------------------------------
// User events

void DatabaseDebugPanel::onTimer(wxTimerEvent&)
{
    updateProcessMemoryStats();
}

void DatabaseDebugPanel::onUndo(wxCommandEvent&)
{
    if (m_database)
        m_database->undo();
}

void DatabaseDebugPanel::onRedo(wxCommandEvent&)
{
    if (m_database)
        m_database->redo();
}

void DatabaseDebugPanel::onUndoLimitChanged(wxCommandEvent&)
{
    // Deliberately unchecked, as the C library reads numbers: "abc" is 0 and
    // "12abc" is 12.
    const wxString text = m_undoLimitBox->getText();
    const int limit = static_cast<int>(std::wcstol(text.wc_str(), nullptr, 10));
    if (!m_database)
        return;
    m_database->setMaxUndoItems(limit);
    updateUndoStats();
}

void DatabaseDebugPanel::onEnableDebugTrace(wxUtils::OrkCheckBoxEvent& event)
{
    db::Database::enableTrace(event.isChecked());
}

void DatabaseDebugPanel::onEnableObserverTiming(wxUtils::OrkCheckBoxEvent& event)
{
    db::Database::enableObserverTiming(event.isChecked());
}

void DatabaseDebugPanel::onDatabaseSelected(wxCommandEvent&)
{
    setDatabase(static_cast<db::Database*>(m_databaseChooser->getSelectedClientData()));
}

void DatabaseDebugPanel::onShown(wxShowEvent& event)
{
    if (event.IsShown())
    {
        if (m_database)
            observe(m_database);
        rebuild();
        m_timer.Start(s_memoryRefreshMilliseconds, wxTIMER_CONTINUOUS);
    }
    else
    {
        m_timer.Stop();
        if (m_database)
        {
            stopObserving(m_database);
            m_browser->setDatabase(nullptr);
        }
    }
}

} // namespace dbui
