#include <wxUtils/OrkListControl.h>

#include <wxUtils/OrkListItemCompareStrategy.h>

#include <algorithm>

wxDEFINE_EVENT(wxUTILS_EVT_LC_KEY_DOWN, wxUtils::OrkListEvent);
wxDEFINE_EVENT(wxUTILS_EVT_LC_ITEM_CONTEXT_MENU, wxUtils::OrkListEvent);
wxDEFINE_EVENT(wxUTILS_EVT_LC_SELECTION_CHANGED, wxUtils::OrkListEvent);
wxDEFINE_EVENT(wxUTILS_EVT_LC_ITEM_ACTIVATED, wxUtils::OrkListEvent);

namespace wxUtils
{

using detail::RowNode;

OrkListEvent::OrkListEvent(wxEventType type, int id) : wxNotifyEvent(type, id)
{
}

OrkListItem_::OrkListItem_(const wxString& label, void* userData) : m_texts{label}, m_userData(userData)
{
}

const wxString& OrkListItem_::getText(unsigned int column) const
{
    static const wxString s_empty;
    return column < m_texts.size() ? m_texts[column] : s_empty;
}

OrkListControl::OrkListControl() = default;

OrkListControl::OrkListControl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                               const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

OrkListControl::~OrkListControl()
{
    destroyAll();
}

bool OrkListControl::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                            const wxString& name)
{
    return OrkColumnWindow::Create(parent, id, pos, size, style, name);
}

// ---------------------------------------------------------------------------
// Rows
// ---------------------------------------------------------------------------

OrkListItem_* OrkListControl::appendItem(const wxString& label, void* userData, bool selectAndShow)
{
    auto* item = new OrkListItem_(label, userData);
    m_rows.insert(nodeOf(item), nullptr);
    if (selectAndShow)
    {
        clearSelectionSilently();
        selectNode(nodeOf(item), true);
        setFocusNode(nodeOf(item));
    }
    rowsChanged();
    return item;
}

OrkListItem_* OrkListControl::insertItem(std::size_t index, const wxString& label, void* userData)
{
    auto* item = new OrkListItem_(label, userData);
    m_rows.insert(nodeOf(item), m_rows.at(index));
    rowsChanged();
    return item;
}

void OrkListControl::setItemText(OrkListItem_* item, unsigned int column, const wxString& text)
{
    wxCHECK_RET(item, "setItemText on a null row");
    if (column >= item->m_texts.size())
        item->m_texts.resize(column + 1);
    item->m_texts[column] = text;
    std::size_t row = 0;
    if (!isRefreshPending() && rowOfNode(nodeOf(item), row) && row >= getFirstVisibleRow() &&
        row < getFirstVisibleRow() + getVisibleRowCapacity() + 1)
        RefreshRect(getRowRect(row));
}

wxString OrkListControl::getItemText(const OrkListItem_* item, unsigned int column) const
{
    wxCHECK_MSG(item, wxString(), "getItemText on a null row");
    return item->getText(column);
}

void* OrkListControl::getItemUserData(const OrkListItem_* item) const
{
    wxCHECK_MSG(item, nullptr, "getItemUserData on a null row");
    return item->m_userData;
}

void OrkListControl::setItemUserData(OrkListItem_* item, void* data)
{
    wxCHECK_RET(item, "setItemUserData on a null row");
    item->m_userData = data;
}

void OrkListControl::deleteItem(OrkListItem_* item)
{
    wxCHECK_RET(item, "deleteItem on a null row");
    const bool selectionChanged = forgetNode(nodeOf(item));
    m_rows.erase(nodeOf(item));
    delete item;
    rowsChanged();
    (void)selectionChanged; // a row that goes is not a user's selection change
}

void OrkListControl::deleteAllItems()
{
    forgetAllNodes();
    destroyAll();
    rowsChanged();
}

void OrkListControl::destroyAll()
{
    m_rows.forEach([](RowNode* node) { delete itemOf(node); });
    m_rows.clear();
}

OrkListItem_* OrkListControl::getItem(std::size_t index) const
{
    RowNode* node = m_rows.at(index);
    return node ? itemOf(node) : nullptr;
}

int OrkListControl::getItemIndex(const OrkListItem_* item) const
{
    if (!item)
        return -1;
    return static_cast<int>(m_rows.indexOf(nodeOf(item)));
}

// ---------------------------------------------------------------------------
// Selection and order
// ---------------------------------------------------------------------------

void OrkListControl::getSelectionInViewOrder(Orkutils::Vector<OrkListItem_*>& selection) const
{
    std::vector<std::pair<std::size_t, OrkListItem_*>> rows;
    for (RowNode* node : selectedNodes())
        rows.emplace_back(m_rows.indexOf(node), itemOf(node));
    std::sort(rows.begin(), rows.end());
    selection.clear();
    for (const auto& row : rows)
        selection.push_back(row.second);
}

bool OrkListControl::isItemSelected(const OrkListItem_* item) const
{
    return item && isNodeSelected(nodeOf(item));
}

void OrkListControl::selectItem(OrkListItem_* item, bool select)
{
    wxCHECK_RET(item, "selectItem on a null row");
    if (select && !hasOrkStyle(MultipleSelection))
        clearSelectionSilently();
    selectNode(nodeOf(item), select);
    if (select)
        setFocusNode(nodeOf(item));
}

void OrkListControl::clearSelection()
{
    clearSelectionSilently();
}

void OrkListControl::ensureItemVisible(const OrkListItem_* item)
{
    if (item)
        ensureRowVisible(m_rows.indexOf(nodeOf(item)));
}

void OrkListControl::sort(const OrkListItemCompareStrategy& strategy)
{
    std::vector<RowNode*> nodes;
    nodes.reserve(m_rows.size());
    m_rows.forEach([&nodes](RowNode* node) { nodes.push_back(node); });
    std::stable_sort(nodes.begin(), nodes.end(),
                     [&strategy](RowNode* a, RowNode* b) { return strategy.compare(*itemOf(a), *itemOf(b)) < 0; });
    m_rows.assign(nodes);
    rowsChanged();
}

// ---------------------------------------------------------------------------
// The row model for the engine
// ---------------------------------------------------------------------------

RowNode* OrkListControl::nodeAtRow(std::size_t row) const
{
    return m_rows.at(row);
}

RowNode* OrkListControl::nodeAfter(RowNode* node) const
{
    return m_rows.next(node);
}

bool OrkListControl::rowOfNode(const RowNode* node, std::size_t& row) const
{
    row = m_rows.indexOf(node);
    return true;
}

void OrkListControl::paintRow(wxDC& dc, RowNode* node, std::size_t, const wxRect& rect)
{
    const OrkListItem_* item = itemOf(node);
    const auto columns = std::min<std::size_t>(item->m_texts.size(), getColumnCount());
    for (std::size_t c = 0; c < columns; ++c)
        drawCellText(dc, static_cast<unsigned int>(c), rect, item->m_texts[c]);
}

// ---------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------

void OrkListControl::sendEvent(wxEventType type, OrkListItem_* item, const wxPoint& point)
{
    OrkListEvent event(type, GetId());
    event.SetEventObject(this);
    event.setItem(item);
    event.setIndex(getItemIndex(item));
    event.setPoint(point);
    ProcessWindowEvent(event);
}

void OrkListControl::onSelectionChanged()
{
    RowNode* focus = getFocusNode();
    sendEvent(wxUTILS_EVT_LC_SELECTION_CHANGED, focus ? itemOf(focus) : nullptr, wxDefaultPosition);
}

bool OrkListControl::previewKey(wxKeyEvent& key)
{
    RowNode* focus = getFocusNode();
    OrkListEvent event(wxUTILS_EVT_LC_KEY_DOWN, GetId());
    event.SetEventObject(this);
    event.setItem(focus ? itemOf(focus) : nullptr);
    event.setIndex(getItemIndex(event.getItem()));
    event.setKeyEvent(key);
    if (ProcessWindowEvent(event))
        return true;
    if ((key.GetKeyCode() == WXK_RETURN || key.GetKeyCode() == WXK_NUMPAD_ENTER) && focus)
    {
        sendEvent(wxUTILS_EVT_LC_ITEM_ACTIVATED, itemOf(focus), wxDefaultPosition);
        return true;
    }
    return false;
}

void OrkListControl::onRowDoubleClicked(RowNode* node)
{
    sendEvent(wxUTILS_EVT_LC_ITEM_ACTIVATED, itemOf(node), wxDefaultPosition);
}

void OrkListControl::onRowContextMenu(RowNode* node, const wxPoint& point)
{
    sendEvent(wxUTILS_EVT_LC_ITEM_CONTEXT_MENU, node ? itemOf(node) : nullptr, point);
}

} // namespace wxUtils
