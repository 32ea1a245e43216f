#include <dbui/NodeTable.h>

#include "NodeTableCells.h"
#include "NodeTableModel.h"

#include <dbui/AttributeWidgetRegistry.h>

#include <db/Attribute.h>
#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMenuItem.h>
#include <wxUtils/OrkPopupMenu.h>

#include <wx/dcclient.h>

#include <algorithm>

namespace dbui
{

wxDEFINE_EVENT(EVT_NODE_TABLE_REFUSED, wxCommandEvent);
wxDEFINE_EVENT(EVT_NODE_TABLE_COLUMNS_CHANGED, wxCommandEvent);

using detail::TableColumn;

namespace
{

enum HeaderCommand
{
    SortAscending,
    SortDescending,
    RemoveColumn,
};

/// More columns than a type could sensibly offer in one menu.
constexpr int s_toggleIdCount = 256;
/// Rows measured for a column's width at most: those a window shows, never all of them.
constexpr int s_measuredRows = 60;
/// Beyond this many rows a change repaints the whole grid rather than row by row.
constexpr std::size_t s_rowsRefreshedApart = 40;

} // namespace

NodeTable::NodeTable() : m_model(new NodeTableModel)
{
    for (int& id : m_headerIds)
        id = wxWindow::NewControlId();
    m_firstToggleId = wxWindow::NewControlId(s_toggleIdCount);
}

NodeTable::NodeTable(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style, const wxString& name)
    : NodeTable()
{
    Create(parent, id, pos, size, style, name);
}

NodeTable::~NodeTable()
{
    setDatabase(nullptr);
    for (int id : m_headerIds)
        wxWindow::UnreserveControlId(id);
    wxWindow::UnreserveControlId(m_firstToggleId, s_toggleIdCount);
}

bool NodeTable::Create(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                       const wxString& name)
{
    if (!wxGrid::Create(parent, id, pos, size, style, name))
        return false;
    // The grid owns the model from here on.
    SetTable(m_model, true);
    HideRowLabels();
    DisableDragRowSize();
    // A long text would make the grid look at the cells to its right on every paint.
    SetDefaultCellOverflow(false);
    SetColLabelAlignment(wxALIGN_LEFT, wxALIGN_CENTRE);
    FreezeTo(0, NodeTableModel::s_fixedColumns);
    applyColumns();
    Connect(wxEVT_GRID_LABEL_RIGHT_CLICK, wxGridEventHandler(NodeTable::onLabelRightClick));
    Connect(wxEVT_GRID_COL_SORT, wxGridEventHandler(NodeTable::onColumnSort));
    Connect(wxEVT_GRID_CELL_CHANGING, wxGridEventHandler(NodeTable::onCellChanging));
    Connect(wxEVT_KEY_DOWN, wxKeyEventHandler(NodeTable::onKeyDown));
    for (int commandId : m_headerIds)
        Connect(commandId, wxEVT_MENU, wxCommandEventHandler(NodeTable::handleHeaderCommand));
    Connect(m_firstToggleId, m_firstToggleId + s_toggleIdCount - 1, wxEVT_MENU,
            wxCommandEventHandler(NodeTable::handleHeaderCommand));
    return true;
}

// ---------------------------------------------------------------------------
// Database and rows
// ---------------------------------------------------------------------------

void NodeTable::setDatabase(db::Database* database)
{
    if (database == m_database)
        return;
    if (m_database)
    {
        m_database->getObservers().remove(this, ObserverMode::Immediate);
        m_database->getUndoObservers().remove(this, ObserverMode::Immediate);
    }
    m_database = database;
    if (m_database)
    {
        m_database->getObservers().add(this, ObserverMode::Deferred);
        m_database->getUndoObservers().add(this, ObserverMode::Deferred);
    }
    setNodes({});
}

void NodeTable::onDatabaseDestroyed(db::Database* database)
{
    if (database == m_database)
        setDatabase(nullptr);
}

void NodeTable::onUndoStackPoppedFront(db::Database*)
{
    m_model->forgetHiddenNodes();
}

void NodeTable::setNodes(const std::vector<db::Node*>& nodes)
{
    dropOpenEdit();
    // One layout and one repaint for the rows and the columns together.
    wxGridUpdateLocker batch(this);
    const int rowsBefore = m_model->setNodes(nodes);
    if (rowsBefore > 0)
    {
        wxGridTableMessage message(m_model, wxGRIDTABLE_NOTIFY_ROWS_DELETED, 0, rowsBefore);
        ProcessTableMessage(message);
    }
    if (!nodes.empty())
    {
        wxGridTableMessage message(m_model, wxGRIDTABLE_NOTIFY_ROWS_APPENDED, static_cast<int>(nodes.size()));
        ProcessTableMessage(message);
    }
    // The columns last chosen, or when the nodes share none of them, their single values.
    const std::vector<std::wstring> shared = m_model->sharedPaths();
    const bool anyChosen = std::any_of(m_chosenColumns.begin(), m_chosenColumns.end(),
                                       [&shared](const auto& path)
                                       { return std::find(shared.begin(), shared.end(), path) != shared.end(); });
    std::vector<std::wstring> defaults;
    for (const std::wstring& path : anyChosen ? std::vector<std::wstring>() : shared)
        if (TableColumn(path, nodes.front()->getNodeDef()).isShownByDefault())
            defaults.push_back(path);
    showColumns(anyChosen ? m_chosenColumns : defaults);
}

std::vector<db::Node*> NodeTable::getNodes() const
{
    std::vector<db::Node*> nodes;
    for (db::Node* node : m_model->fedNodes())
        if (m_model->rowOf(node) >= 0)
            nodes.push_back(node);
    return nodes;
}

db::Node* NodeTable::getRowNode(int row) const
{
    return row >= 0 && static_cast<std::size_t>(row) < m_model->rowCount() ? &m_model->nodeAt(row) : nullptr;
}

// ---------------------------------------------------------------------------
// Columns
// ---------------------------------------------------------------------------

std::vector<std::wstring> NodeTable::getColumns() const
{
    std::vector<std::wstring> paths;
    for (std::size_t col = NodeTableModel::s_fixedColumns; col < m_model->columnCount(); ++col)
        paths.push_back(m_model->column(static_cast<int>(col)).path());
    return paths;
}

std::vector<std::wstring> NodeTable::getAvailableColumns() const
{
    return m_model->sharedPaths();
}

void NodeTable::setColumns(const std::vector<std::wstring>& paths)
{
    m_chosenColumns = paths;
    showColumns(paths);
}

void NodeTable::showColumns(const std::vector<std::wstring>& paths)
{
    const int colsBefore = GetNumberCols();
    for (int col = 0; col < colsBefore; ++col)
        m_widths[m_model->column(col).path()] = GetColSize(col);
    m_model->setColumns(paths);
    const int cols = static_cast<int>(m_model->columnCount());
    if (cols < colsBefore)
    {
        wxGridTableMessage message(m_model, wxGRIDTABLE_NOTIFY_COLS_DELETED, cols, colsBefore - cols);
        ProcessTableMessage(message);
    }
    else if (cols > colsBefore)
    {
        wxGridTableMessage message(m_model, wxGRIDTABLE_NOTIFY_COLS_APPENDED, cols - colsBefore);
        ProcessTableMessage(message);
    }
    UnsetSortingColumn();
    applyColumns();
}

void NodeTable::applyColumns()
{
    // A host's registrations are asked here, as the columns are shown: one
    // added or removed later serves the next nodes or columns shown.
    db::Node* sample = m_model->rowCount() > 0 ? &m_model->nodeAt(0) : nullptr;
    const db::NodeDef* rowsType = m_model->sharedType();
    for (int col = 0; col < GetNumberCols(); ++col)
    {
        const TableColumn& column = m_model->column(col);
        wxGridCellAttr* attr = detail::makeCellAttr(column, sample);
        db::Attribute* attribute =
            sample && column.kind() == TableColumn::Kind::Value ? column.resolve(*sample) : nullptr;
        if (attribute && AttributeWidgetRegistry::serves(attribute->getDef(), rowsType))
            attr->SetEditor(detail::makeWidgetEditor(attribute->getDef(), rowsType,
                                                     [this](int row, int at) { return cellAttributes(row, at); }));
        SetColAttr(col, attr);
    }
    sizeColumnsToVisibleRows();
    ForceRefresh();
}

void NodeTable::sizeColumnsToVisibleRows()
{
    // AutoSizeColumn would read every row: a 100,000-row table would wait
    // seconds for widths that the rows on screen already give. A column
    // keeps the width it had (measured, or dragged by the user) when the
    // table shows it again: columns that jump at every selection are hard to read.
    wxClientDC dc(GetGridWindow());
    dc.SetFont(GetDefaultCellFont());
    wxClientDC labelDc(GetGridColLabelWindow());
    labelDc.SetFont(GetLabelFont());
    const int first = std::max(0, GetFirstFullyVisibleRow());
    const int shown = GetGridWindow()->GetClientSize().y / std::max(1, GetDefaultRowSize()) + 1;
    const int last = std::min(GetNumberRows(), first + std::min(shown, s_measuredRows));
    const int padding = FromDIP(12);
    for (int col = 0; col < GetNumberCols(); ++col)
    {
        if (const auto known = m_widths.find(m_model->column(col).path()); known != m_widths.end())
        {
            SetColSize(col, known->second);
            continue;
        }
        int width = labelDc.GetTextExtent(GetColLabelValue(col)).x + padding + FromDIP(12);
        for (int row = first; row < last; ++row)
            width = std::max(width, dc.GetTextExtent(m_model->GetValue(row, col)).x + padding);
        SetColSize(col, std::min(width, FromDIP(320)));
    }
}

void NodeTable::toggleColumn(const std::wstring& path)
{
    std::vector<std::wstring> paths = getColumns();
    const auto at = std::find(paths.begin(), paths.end(), path);
    if (at != paths.end())
        paths.erase(at);
    else
        paths.push_back(path);
    setColumns(paths);
    wxCommandEvent event(EVT_NODE_TABLE_COLUMNS_CHANGED, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

// ---------------------------------------------------------------------------
// The header's menu and sorting
// ---------------------------------------------------------------------------

void NodeTable::onLabelRightClick(wxGridEvent& event)
{
    const int col = event.GetCol();
    m_menuColumn = col;
    m_toggleChoices = m_model->sharedPaths();
    const std::vector<std::wstring> shown = getColumns();
    wxUtils::OrkMenu menu(-1);
    if (col >= 0)
    {
        menu.add(m_headerIds[SortAscending], "Sort &Ascending");
        menu.add(m_headerIds[SortDescending], "Sort &Descending");
        menu.add(m_headerIds[RemoveColumn], "&Remove Column")->setEnabled(col >= NodeTableModel::s_fixedColumns);
        menu.addSeparator();
    }
    auto columns = std::make_unique<wxUtils::OrkMenu>(-1);
    for (std::size_t i = 0; i < m_toggleChoices.size() && i < static_cast<std::size_t>(s_toggleIdCount); ++i)
    {
        const bool checked = std::find(shown.begin(), shown.end(), m_toggleChoices[i]) != shown.end();
        columns->add(m_firstToggleId + static_cast<int>(i), m_toggleChoices[i], true, checked);
    }
    menu.addSubMenu(std::move(columns), "&Columns");
    wxUtils::popupMenu(this, menu, ScreenToClient(wxGetMousePosition()));
    m_menuColumn = -1;
}

void NodeTable::handleHeaderCommand(wxCommandEvent& event)
{
    const int id = event.GetId();
    const int col = m_menuColumn;
    if (id == m_headerIds[SortAscending] || id == m_headerIds[SortDescending])
    {
        if (col >= 0)
            sortByColumn(col, id == m_headerIds[SortAscending]);
    }
    else if (id == m_headerIds[RemoveColumn])
    {
        if (col >= NodeTableModel::s_fixedColumns)
            toggleColumn(m_model->column(col).path());
    }
    else if (const std::size_t choice = static_cast<std::size_t>(id - m_firstToggleId); choice < m_toggleChoices.size())
        toggleColumn(m_toggleChoices[choice]);
}

void NodeTable::onColumnSort(wxGridEvent& event)
{
    // The grid shows the arrow itself once this returns unvetoed.
    const int col = event.GetCol();
    m_model->sortBy(col, IsSortingBy(col) ? !IsSortOrderAscending() : true);
    // The same rows in another order: a repaint, no new layout.
    Refresh();
}

void NodeTable::sortByColumn(int col, bool ascending)
{
    if (col < 0 || col >= GetNumberCols())
        return;
    dropOpenEdit();
    m_model->sortBy(col, ascending);
    SetSortingColumn(col, ascending);
    Refresh();
}

// ---------------------------------------------------------------------------
// Following the database
// ---------------------------------------------------------------------------

void NodeTable::onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool)
{
    if (m_model->fedNodes().empty())
        return;
    if (!changes.RemovedNodes().empty())
    {
        const std::vector<int> gone = m_model->hideNodes(changes.RemovedNodes());
        if (!gone.empty())
            dropOpenEdit();
        // Row by row, so that the selection below them moves up with them.
        const bool apart = gone.size() <= s_rowsRefreshedApart;
        for (std::size_t i = 0; i < (apart ? gone.size() : 1); ++i)
        {
            wxGridTableMessage message(m_model, wxGRIDTABLE_NOTIFY_ROWS_DELETED,
                                       apart ? gone[i] : GetNumberRows() - static_cast<int>(gone.size()),
                                       apart ? 1 : static_cast<int>(gone.size()));
            ProcessTableMessage(message);
        }
    }
    // Only an undo or redo brings back the very nodes that went: a new node
    // may have the address of one long destroyed.
    const bool replay =
        changes.getOrigin() == db::ChangeSet::Origin::Undo || changes.getOrigin() == db::ChangeSet::Origin::Redo;
    if (replay && !changes.AddedNodes().empty())
    {
        if (const std::size_t back = m_model->showNodes(changes.AddedNodes()); back > 0)
        {
            dropOpenEdit();
            wxGridTableMessage message(m_model, wxGRIDTABLE_NOTIFY_ROWS_APPENDED, static_cast<int>(back));
            ProcessTableMessage(message);
            Refresh();
        }
    }
    // Past a screenful of rows the whole grid is repainted: the others need not be looked for.
    std::vector<int> rows;
    const auto note = [&](const auto& attributes)
    {
        for (const db::Attribute* attribute : attributes)
        {
            if (rows.size() > s_rowsRefreshedApart)
                return;
            if (const db::Node* node = attribute->getOwnerNode(); node)
                if (const int row = m_model->rowOf(node); row >= 0)
                    rows.push_back(row);
        }
    };
    note(changes.RenamedNodes());
    note(changes.ChangedAttributes());
    note(changes.AddedAttributes());
    note(changes.RemovedAttributes());
    // Paths shown in pointer columns name nodes anywhere in the database.
    const bool pathsMoved = !changes.RenamedNodes().empty() || !changes.ReparentedNodes().empty();
    bool pointers = false;
    for (std::size_t col = NodeTableModel::s_fixedColumns; col < m_model->columnCount() && pathsMoved; ++col)
        pointers = pointers || m_model->column(static_cast<int>(col)).type() == db::Pointer;
    if (pointers || rows.size() > s_rowsRefreshedApart)
        Refresh();
    else
        refreshRows(rows);
}

void NodeTable::refreshRows(const std::vector<int>& rows)
{
    const int lastCol = GetNumberCols() - 1;
    for (int row : rows)
        RefreshBlock(row, 0, row, lastCol);
}

} // namespace dbui
