#pragma once

// How the cells of a NodeTable's columns are drawn and edited.

class wxGridCellAttr;

namespace db
{
class Node;
} // namespace db

namespace dbui::detail
{

class TableColumn;

/// The look and editor of `column`'s cells: check boxes for bools, a choice
/// of the options of `sample`'s enum (null: no rows), text for the rest,
/// read-only where the column cannot be edited. The caller owns the result.
wxGridCellAttr* makeCellAttr(const TableColumn& column, db::Node* sample);

} // namespace dbui::detail
