// Editing in a NodeTable: typing into a cell or a range of one column,
// fill down, reset, and the clipboard, each one undo step or nothing at all.

#include <dbui/NodeTable.h>

#include "NodeTableModel.h"

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/Node.h>

#include <wx/clipbrd.h>

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

bool NodeTable::applyTexts(const std::vector<std::pair<Cell, std::wstring>>& texts, const wchar_t* description)
{
    if (!m_database || texts.empty())
        return false;
    std::wstring why;
    bool applied = true;
    // A text that fills many cells of a column is read once, into the first,
    // and copied from there: 10,000 cells need not parse it 10,000 times.
    const bool oneText = std::all_of(texts.begin(), texts.end(),
                                     [&texts](const auto& cell) { return cell.second == texts.front().second; });
    std::vector<db::Node*> parsedIn(oneText ? m_model->columnCount() : 0, nullptr);
    m_database->beginChangeBlock();
    for (const auto& [cell, text] : texts)
    {
        const TableColumn& column = m_model->column(cell.col);
        db::Node& node = m_model->nodeAt(cell.row);
        db::Node* source = oneText ? parsedIn[static_cast<std::size_t>(cell.col)] : nullptr;
        if (source && column.copyCell(*source, node))
            continue;
        if (!column.setText(node, text, why))
        {
            applied = false;
            break;
        }
        if (oneText)
            parsedIn[static_cast<std::size_t>(cell.col)] = &node;
    }
    if (applied)
        m_database->endChangeBlock(description);
    else
    {
        // Nothing half-applied: the cells set before the refused one go back too.
        m_database->cancelChangeBlock();
        refuse(why);
    }
    return applied;
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
    std::vector<std::pair<Cell, std::wstring>> texts;
    if (IsInSelection(row, col))
        for (const Cell& cell : selectedCells())
            if (cell.col == col)
                texts.emplace_back(cell, text);
    if (texts.empty())
        texts.emplace_back(Cell{row, col}, text);
    // Enter on an untouched cell is no edit: its text is rounded for showing.
    if (texts.size() == 1 && text == m_model->column(col).shownText(m_model->nodeAt(row)))
        return;
    applyTexts(texts, texts.size() == 1 ? L"Set table cell" : L"Set table cells");
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
    std::vector<std::pair<Cell, std::wstring>> texts;
    if (lines.size() == 1 && lines.front().size() == 1)
    {
        for (const Cell& cell : selected)
            texts.emplace_back(cell, lines.front().front());
        return applyTexts(texts, L"Paste table cells");
    }
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
