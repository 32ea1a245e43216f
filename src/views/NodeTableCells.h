#pragma once

// How the cells of a NodeTable's columns are drawn and edited.

#include <functional>
#include <vector>

class wxGridCellAttr;
class wxGridCellEditor;

namespace db
{
class Attribute;
class AttributeDef;
class Node;
class NodeDef;
} // namespace db

namespace dbui::detail
{

class TableColumn;

/// The look and editor of `column`'s cells: check boxes for bools, a choice
/// of the options of `sample`'s enum (null: no rows), text for the rest,
/// read-only where the column cannot be edited. The caller owns the result.
wxGridCellAttr* makeCellAttr(const TableColumn& column, db::Node* sample);

/// The attributes an edit opened on a cell acts on.
using CellAttributes = std::function<std::vector<db::Attribute*>(int row, int col)>;

/// An editor that hosts the widget makeAttributeWidget makes for `def` on
/// rows of `nodeType`, bound when an edit opens to what `attributesOf` gives.
/// The widget writes each user action as one undo step; the grid never writes.
wxGridCellEditor* makeWidgetEditor(db::AttributeDef& def, const db::NodeDef* nodeType, CellAttributes attributesOf);

} // namespace dbui::detail
