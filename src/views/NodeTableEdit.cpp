// Editing in a NodeTable: typing into a cell or a range of one column,
// fill down, reset, and the clipboard, each one undo step or nothing at all.

#include <dbui/NodeTable.h>

#include "NodeTableModel.h"

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/Node.h>

#include <wx/clipbrd.h>
#include <wx/textentry.h>

#include <algorithm>

namespace dbui
{

using detail::TableColumn;

namespace
{

/// Lines of tab-separated values, as spreadsheets put them on the clipboard.
std::vector<std::vector<std::wstring>> splitBlock(const wxString& text)
{
    std::vector<std::vector<std::wstring>> lines;
    wxString all = text;
    all.Replace("\r\n", "\n");
    // A spreadsheet ends its last line too; that is no empty line more.
    if (all.EndsWith("\n"))
        all.RemoveLast();
    for (const wxString& line : wxSplit(all, '\n', '\0'))
    {
        std::vector<std::wstring> cells;
        for (const wxString& cell : wxSplit(line, '\t', '\0'))
            cells.push_back(cell.ToStdWstring());
        lines.push_back(std::move(cells));
    }
    return lines;
}

} // namespace

std::vector<NodeTable::Cell> NodeTable::selectedCells() const
{
    std::vector<Cell> cells;
    for (const wxGridBlockCoords& block : GetSelectedBlocks())
        for (int col = block.GetLeftCol(); col <= block.GetRightCol(); ++col)
            for (int row = block.GetTopRow(); row <= block.GetBottomRow(); ++row)
                cells.push_back({row, col});
    if (cells.empty() && GetGridCursorRow() >= 0 && GetGridCursorRow() < GetNumberRows())
        cells.push_back({GetGridCursorRow(), GetGridCursorCol()});
    return cells;
}

void NodeTable::refuse(const wxString& reason)
{
    wxCommandEvent event(EVT_NODE_TABLE_REFUSED, GetId());
    event.SetEventObject(this);
    event.SetString(reason);
    ProcessWindowEvent(event);
}

bool NodeTable::editInOneStep(const wchar_t* description, const std::function<bool(std::wstring& why)>& edit)
{
    if (!m_database)
        return false;
    std::wstring why;
    m_database->beginChangeBlock();
    if (edit(why))
    {
        m_database->endChangeBlock(description);
        return true;
    }
    // Nothing half-applied: the cells set before the refused one go back too.
    m_database->cancelChangeBlock();
    refuse(why);
    return false;
}

bool NodeTable::applyText(const std::vector<Cell>& cells, const std::wstring& text, const wchar_t* description)
{
    return editInOneStep(description,
                         [&](std::wstring& why)
                         {
                             // The text is read into the first cell of each column and copied from
                             // there: 10,000 cells need not parse it 10,000 times.
                             std::vector<db::Node*> readInto(m_model->columnCount(), nullptr);
                             std::vector<const db::Attribute*> readValue(m_model->columnCount(), nullptr);
                             for (const Cell& cell : cells)
                             {
                                 const std::size_t col = static_cast<std::size_t>(cell.col);
                                 const TableColumn& column = m_model->column(cell.col);
                                 db::Node& node = m_model->nodeAt(cell.row);
                                 if (readValue[col] ? column.copyValue(*readValue[col], node)
                                                    : readInto[col] && column.copyCell(*readInto[col], node))
                                     continue;
                                 if (!column.setText(node, text, why))
                                     return false;
                                 readInto[col] = &node;
                                 readValue[col] = column.resolve(node);
                             }
                             return true;
                         });
}

bool NodeTable::applyTexts(const std::vector<std::pair<Cell, std::wstring>>& texts, const wchar_t* description)
{
    return editInOneStep(description,
                         [&](std::wstring& why)
                         {
                             for (const auto& [cell, text] : texts)
                                 if (!m_model->column(cell.col).setText(m_model->nodeAt(cell.row), text, why))
                                     return false;
                             return true;
                         });
}

std::vector<NodeTable::Cell> NodeTable::editedCells(int row, int col) const
{
    std::vector<Cell> cells;
    if (IsInSelection(row, col))
        for (const Cell& cell : selectedCells())
            if (cell.col == col)
                cells.push_back(cell);
    if (cells.empty())
        cells.push_back({row, col});
    return cells;
}

std::vector<db::Attribute*> NodeTable::cellAttributes(int row, int col) const
{
    std::vector<db::Attribute*> attributes;
    for (const Cell& cell : editedCells(row, col))
        if (db::Attribute* attribute = m_model->column(col).resolve(m_model->nodeAt(cell.row)))
            attributes.push_back(attribute);
    return attributes;
}

void NodeTable::onCellChanging(wxGridEvent& event)
{
    // The grid never writes into the model: the edit goes to the database
    // here, and the change set repaints the cells.
    event.Veto();
    const int row = event.GetRow();
    const int col = event.GetCol();
    if (m_droppingEdit)
        return;
    const std::wstring text = event.GetString().ToStdWstring();
    const std::vector<Cell> cells = editedCells(row, col);
    // Enter on an untouched cell is no edit: its text is rounded for showing.
    if (cells.size() == 1 && text == m_model->column(col).shownText(m_model->nodeAt(row)))
        return;
    if (!applyText(cells, text, cells.size() == 1 ? L"Set table cell" : L"Set table cells"))
        reopenRefusedEdit({row, col}, cells, text);
}

void NodeTable::reopenRefusedEdit(Cell typedIn, const std::vector<Cell>& cells, const std::wstring& text)
{
    // What was typed stays to be put right: once the grid has closed the
    // editor, it opens again on the same cells, holding the text.
    db::Node* node = getRowNode(typedIn.row);
    CallAfter(
        [this, typedIn, cells, text, node]
        {
            if (getRowNode(typedIn.row) != node || typedIn.col >= GetNumberCols() || IsCellEditControlEnabled())
                return;
            SetGridCursor(typedIn.row, typedIn.col);
            if (cells.size() > 1)
            {
                ClearSelection();
                // The cells come in runs of rows, one block each.
                for (std::size_t top = 0, end = 0; top < cells.size(); top = end)
                {
                    for (end = top + 1; end < cells.size() && cells[end].row == cells[end - 1].row + 1; ++end)
                        ;
                    SelectBlock(cells[top].row, typedIn.col, cells[end - 1].row, typedIn.col, true);
                }
            }
            EnableCellEditControl();
            wxGridCellEditor* editor = GetCellEditor(typedIn.row, typedIn.col);
            if (auto* box = dynamic_cast<wxTextEntry*>(editor->GetWindow()))
            {
                box->ChangeValue(text);
                box->SetInsertionPointEnd();
            }
            editor->DecRef();
        });
}

void NodeTable::dropOpenEdit()
{
    if (!IsCellEditControlEnabled())
        return;
    m_droppingEdit = true;
    DisableCellEditControl();
    m_droppingEdit = false;
}

bool NodeTable::fillDown()
{
    if (!m_database)
        return false;
    db::ChangeBlock block(m_database, L"Fill down table cells");
    bool filled = false;
    wxGridBlocks blocks = GetSelectedBlocks();
    std::vector<wxGridBlockCoords> ranges(blocks.begin(), blocks.end());
    if (ranges.empty() && GetGridCursorRow() >= 0)
        ranges.emplace_back(GetGridCursorRow(), GetGridCursorCol(), GetGridCursorRow(), GetGridCursorCol());
    for (const wxGridBlockCoords& range : ranges)
    {
        // One row fills from the row above it, as in a spreadsheet.
        const int from = range.GetTopRow() == range.GetBottomRow() ? range.GetTopRow() - 1 : range.GetTopRow();
        if (from < 0)
            continue;
        for (int col = range.GetLeftCol(); col <= range.GetRightCol(); ++col)
            for (int row = from + 1; row <= range.GetBottomRow(); ++row)
                filled = m_model->column(col).copyCell(m_model->nodeAt(from), m_model->nodeAt(row)) || filled;
    }
    return filled;
}

bool NodeTable::resetSelection()
{
    if (!m_database)
        return false;
    db::ChangeBlock block(m_database, L"Reset table cells");
    bool reset = false;
    for (const Cell& cell : selectedCells())
        reset = m_model->column(cell.col).resetCell(m_model->nodeAt(cell.row)) || reset;
    return reset;
}

wxString NodeTable::copySelection() const
{
    wxGridBlocks blocks = GetSelectedBlocks();
    wxGridBlockCoords range(GetGridCursorRow(), GetGridCursorCol(), GetGridCursorRow(), GetGridCursorCol());
    if (blocks.begin() != blocks.end())
        range = *blocks.begin();
    if (range.GetTopRow() < 0 || range.GetBottomRow() >= GetNumberRows())
        return wxString();
    wxString text;
    for (int row = range.GetTopRow(); row <= range.GetBottomRow(); ++row)
    {
        for (int col = range.GetLeftCol(); col <= range.GetRightCol(); ++col)
        {
            if (col > range.GetLeftCol())
                text += '\t';
            text += wxString(m_model->column(col).exactText(m_model->nodeAt(row)));
        }
        text += '\n';
    }
    return text;
}

bool NodeTable::pasteText(const wxString& text)
{
    const std::vector<std::vector<std::wstring>> lines = splitBlock(text);
    const std::vector<Cell> selected = selectedCells();
    if (lines.empty() || selected.empty())
        return false;
    if (lines.size() == 1 && lines.front().size() == 1)
        return applyText(selected, lines.front().front(), L"Paste table cells");
    std::vector<std::pair<Cell, std::wstring>> texts;
    // A block goes in at the selection's top-left corner, whole or not at all.
    Cell corner = selected.front();
    for (const Cell& cell : selected)
        corner = {std::min(corner.row, cell.row), std::min(corner.col, cell.col)};
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (std::size_t j = 0; j < lines[i].size(); ++j)
        {
            const Cell cell{corner.row + static_cast<int>(i), corner.col + static_cast<int>(j)};
            if (cell.row >= GetNumberRows() || cell.col >= GetNumberCols())
            {
                refuse(wxString::Format("The pasted block of %zu rows does not fit: it reaches past the table's "
                                        "last row or column.",
                                        lines.size()));
                return false;
            }
            texts.emplace_back(cell, lines[i][j]);
        }
    return applyTexts(texts, L"Paste table cells");
}

void NodeTable::onKeyDown(wxKeyEvent& event)
{
    if (IsCellEditControlShown())
    {
        event.Skip();
        return;
    }
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    if (modifiers == wxMOD_CONTROL && key == 'D')
        fillDown();
    else if (modifiers == wxMOD_NONE && key == WXK_DELETE)
        resetSelection();
    else if (modifiers == wxMOD_CONTROL && key == 'C')
    {
        wxClipboardLocker locker;
        if (!locker || !wxTheClipboard->SetData(new wxTextDataObject(copySelection())))
            refuse("The clipboard could not be used.");
    }
    else if (modifiers == wxMOD_CONTROL && key == 'V')
    {
        wxTextDataObject data;
        {
            wxClipboardLocker locker;
            if (!locker || !wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || !wxTheClipboard->GetData(data))
            {
                refuse("Nothing was pasted: the clipboard holds no text.");
                return;
            }
        }
        pasteText(data.GetText());
    }
    else
        event.Skip();
}

} // namespace dbui
