#pragma once

// The data behind a NodeTable's grid: the nodes fed, the order they are
// shown in, and the columns. Cells are read from the nodes when painted.

#include "NodeTableColumn.h"

#include <wx/grid.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace db
{
class Node;
} // namespace db

namespace dbui
{

class NodeTableModel : public wxGridTableBase
{
public:
    static constexpr unsigned int s_noRow = ~0u;
    /// The frozen columns at the left: name and type.
    static constexpr int s_fixedColumns = 2;

    NodeTableModel();

    // --- rows ---
    /// Shows `nodes` in their order; returns the number of rows before.
    int setNodes(const std::vector<db::Node*>& nodes);
    const std::vector<db::Node*>& fedNodes() const { return m_nodes; }
    /// The most derived type that every fed node is of, or null.
    const db::NodeDef* sharedType() const;
    std::size_t rowCount() const { return m_order.size(); }
    /// The node of a shown row (which must exist).
    db::Node& nodeAt(int row) const { return *m_nodes[m_order[static_cast<std::size_t>(row)]]; }
    /// The row showing `node`, or -1: fed nodes removed from the database have none.
    int rowOf(const db::Node* node) const;
    /// Takes the rows of `nodes` out; returns the rows they had, highest first.
    std::vector<int> hideNodes(const std::vector<db::Node*>& nodes);
    /// Shows again the fed nodes among `nodes` that were hidden; returns how many came back.
    std::size_t showNodes(const std::vector<db::Node*>& nodes);
    /// Forgets the hidden nodes: no undo can bring them back any more, and
    /// their memory may come back as other nodes.
    void forgetHiddenNodes();
    /// Orders the rows by `col`, ties kept in the order they were fed.
    void sortBy(int col, bool ascending);

    // --- columns ---
    /// The name and type columns, then these paths as far as every row's type has them.
    void setColumns(const std::vector<std::wstring>& paths);
    const detail::TableColumn& column(int col) const { return m_columns[static_cast<std::size_t>(col)]; }
    std::size_t columnCount() const { return m_columns.size(); }
    /// The paths every row's type offers, of one type each, in the first type's order.
    std::vector<std::wstring> sharedPaths() const;

    // --- wxGridTableBase ---
    int GetNumberRows() override { return static_cast<int>(m_order.size()); }
    int GetNumberCols() override { return static_cast<int>(m_columns.size()); }
    wxString GetValue(int row, int col) override;
    /// Edits reach the database through the table's own handlers; the grid never writes.
    void SetValue(int, int, const wxString&) override {}
    bool IsEmptyCell(int row, int col) override { return GetValue(row, col).empty(); }
    wxString GetColLabelValue(int col) override { return wxString(column(col).path()); }

private:
    /// The index of fed nodes by address, built when a change first asks.
    void buildIndex() const;
    int fedIndexOf(const db::Node* node) const;
    void renumberRows();
    bool rowsBefore(unsigned int a, unsigned int b) const;
    void insertRow(unsigned int index);

    std::vector<db::Node*> m_nodes;
    /// The distinct types of the fed nodes, in order of first appearance.
    std::vector<const db::NodeDef*> m_types;
    /// Row to index in m_nodes.
    std::vector<unsigned int> m_order;
    /// Index in m_nodes to row, s_noRow for nodes hidden since removed.
    std::vector<unsigned int> m_rowOf;
    mutable std::vector<std::pair<const db::Node*, unsigned int>> m_byAddress;
    mutable bool m_indexed = false;
    std::vector<detail::TableColumn> m_columns;
    int m_sortColumn = -1;
    bool m_ascending = true;
};

} // namespace dbui
