#pragma once

#include <dbui/Export.h>

#include <db/DatabaseObserver.h>
#include <db/UndoObserver.h>

#include <wx/grid.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace db
{
class Attribute;
class Node;
} // namespace db

namespace dbui
{

class NodeTableModel;

/// Sent by a NodeTable (it travels up the parents) when an edit was refused:
/// GetString() says why, for the host's status bar. Nothing of the edit was made.
wxDECLARE_EXPORTED_EVENT(DBUI_EXPORT, EVT_NODE_TABLE_REFUSED, wxCommandEvent);
/// Sent by a NodeTable (it travels up the parents) when the user added or
/// removed a column; getColumns() gives the new list, for a host that remembers it.
wxDECLARE_EXPORTED_EVENT(DBUI_EXPORT, EVT_NODE_TABLE_COLUMNS_CHANGED, wxCommandEvent);

/// One row per node, one column per attribute (or member of one) that the
/// rows' types share, the node's name and type frozen at the left. The grid
/// reads the database only for the cells it paints: it keeps the nodes and
/// their order, nothing per row besides. Each edit (typing into a cell or a
/// range of one column, Ctrl+D fill down, Delete to the default, Ctrl+V
/// tab-separated paste) is one undo step, and Ctrl+C copies the selection
/// out in the same form. Sorting reorders the rows, never the database; the
/// table follows change sets row by row. A column of whole values that an
/// AttributeWidgetRegistry registration takes is edited with that widget.
class DBUI_EXPORT NodeTable : public wxGrid, public db::DatabaseObserver, public db::UndoObserver
{
public:
    /// Two-step creation: call Create next.
    NodeTable();
    /// Creates the window at once; see Create.
    NodeTable(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
              long style = wxWANTS_CHARS, const wxString& name = "NodeTable");
    ~NodeTable() override;

    /// Two-step creation; false (and nothing connected) when the window could not be made.
    bool Create(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = wxWANTS_CHARS, const wxString& name = "NodeTable");

    /// Observes `database` (null for none) and empties the table; the same database again does nothing.
    void setDatabase(db::Database* database);
    /// The database observed, or null.
    db::Database* getDatabase() const { return m_database; }

    /// Shows one row per node of `nodes` (of the current database), in their
    /// order, with the columns last chosen that the nodes share, or every
    /// single-valued attribute they share when they share none of those.
    void setNodes(const std::vector<db::Node*>& nodes);
    /// The nodes fed, as given to setNodes, less those removed since.
    std::vector<db::Node*> getNodes() const;
    /// The node of a shown row, or null out of range.
    db::Node* getRowNode(int row) const;

    /// The attribute columns shown, as paths from the node: "intensity",
    /// "colour.x", "attenuation.linear", "vertices.length".
    std::vector<std::wstring> getColumns() const;
    /// Shows these columns, in order, leaving out those the rows do not share;
    /// the choice holds for the nodes fed later too.
    void setColumns(const std::vector<std::wstring>& paths);
    /// Every column the rows could show, in the order of their types' members.
    std::vector<std::wstring> getAvailableColumns() const;

    /// Orders the rows by the values of grid column `col` (0 is the name); the database stays as it is.
    void sortByColumn(int col, bool ascending);

    /// The cells' texts of the selection (else the cursor's cell) as lines of
    /// tab-separated values, values in their full precision.
    wxString copySelection() const;
    /// Sets the cells from tab-separated lines at the selection's top-left:
    /// one value fills every selected cell. One undo step, or nothing and
    /// EVT_NODE_TABLE_REFUSED when any value is refused or the block does not fit.
    bool pasteText(const wxString& text);
    /// Ctrl+D: each selected column's top cell copied into the cells below it
    /// (a one-row selection takes the row above). One undo step.
    bool fillDown();
    /// Delete: the selected cells back to their defaults. One undo step.
    bool resetSelection();

protected:
    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient) override;
    void onDatabaseDestroyed(db::Database* database) override;
    /// The oldest undo steps go with the nodes they removed: their rows cannot come back.
    void onUndoStackPoppedFront(db::Database* database) override;

private:
    friend class NodeTableModel;
    struct Cell
    {
        int row;
        int col;
    };

    // Building (NodeTable.cpp)
    void showColumns(const std::vector<std::wstring>& paths);
    void applyColumns();
    void sizeColumnsToVisibleRows();
    void onLabelRightClick(wxGridEvent& event);
    void onColumnSort(wxGridEvent& event);
    void handleHeaderCommand(wxCommandEvent& event);
    void toggleColumn(const std::wstring& path);
    void refreshRows(const std::vector<int>& rows);

    // Editing (NodeTableEdit.cpp)
    void onCellChanging(wxGridEvent& event);
    void onKeyDown(wxKeyEvent& event);
    /// The cells that an edit of the selection acts on, column by column; the cursor's cell without a selection.
    std::vector<Cell> selectedCells() const;
    /// The cells an edit opened on (row, col) acts on: the selected ones of
    /// that column when the cell is among them, else the cell alone.
    std::vector<Cell> editedCells(int row, int col) const;
    /// The attributes of editedCells, for a registered widget editing them.
    std::vector<db::Attribute*> cellAttributes(int row, int col) const;
    /// Runs `edit` in one undo step named `description`; when it fails, nothing
    /// of it stays and the reason it gives is sent.
    bool editInOneStep(const wchar_t* description, const std::function<bool(std::wstring& why)>& edit);
    /// Sets `cells` from one text, read once per column. One undo step, or nothing.
    bool applyText(const std::vector<Cell>& cells, const std::wstring& text, const wchar_t* description);
    /// Sets each cell from its own text. One undo step, or nothing.
    bool applyTexts(const std::vector<std::pair<Cell, std::wstring>>& texts, const wchar_t* description);
    void refuse(const wxString& reason);
    /// Opens the editor again in the cell typed in, over `cells`, holding the refused `text`.
    void reopenRefusedEdit(Cell typedIn, const std::vector<Cell>& cells, const std::wstring& text);
    /// Closes the cell editor without writing: the row it was opened on moved or went.
    void dropOpenEdit();

    db::Database* m_database = nullptr;
    NodeTableModel* m_model = nullptr;
    /// The columns last chosen, shown as far as the rows share them.
    std::vector<std::wstring> m_chosenColumns;
    /// The width each column path had when last shown.
    std::unordered_map<std::wstring, int> m_widths;
    /// Ids of the header menu: sort up, sort down, remove, and the first of the column toggles.
    std::array<int, 3> m_headerIds{};
    int m_firstToggleId = 0;
    std::vector<std::wstring> m_toggleChoices;
    int m_menuColumn = -1;
    bool m_droppingEdit = false;
};

} // namespace dbui
