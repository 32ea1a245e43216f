#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkColumnWindow.h>
#include <wxUtils/OrkListEvent.h>
#include <wxUtils/OrkListItem.h>

#include <Orkutils/Vector.h>

#include <cstddef>

namespace wxUtils
{

class OrkListItemCompareStrategy;

/// A list of rows with column texts and user data, drawn by the column-window
/// engine so that it stays fast with hundreds of thousands of rows. Rows are
/// addressed by the OrkListItem_ pointers the list hands out; a row's position
/// is asked with getItemIndex and changes as rows come and go.
///
/// Toolkit styles: MultipleSelection (0x2000) lets the user select several rows.
/// Events (sent to the list, then up to its parents): wxUTILS_EVT_LC_KEY_DOWN,
/// wxUTILS_EVT_LC_ITEM_CONTEXT_MENU, wxUTILS_EVT_LC_SELECTION_CHANGED,
/// wxUTILS_EVT_LC_ITEM_ACTIVATED. Filling the list never sends events.
class DBUI_TOOLKIT_EXPORT OrkListControl : public OrkColumnWindow
{
public:
    OrkListControl();
    /// Creates the list at once; see Create.
    OrkListControl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                   const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "OrkListControl");
    ~OrkListControl() override;

    /// Two-step creation; false when the window could not be made.
    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "OrkListControl");

    /// Appends a row whose column 0 shows `label`; `selectAndShow` makes it the
    /// selection and scrolls to it.
    OrkListItem_* appendItem(const wxString& label, void* userData = nullptr, bool selectAndShow = false);
    /// Inserts a row at a position (clamped to the end).
    OrkListItem_* insertItem(std::size_t index, const wxString& label, void* userData = nullptr);
    /// Sets the text of a row's column (the column need not have a title).
    void setItemText(OrkListItem_* item, unsigned int column, const wxString& text);
    /// Sets column 0.
    void setItemText(OrkListItem_* item, const wxString& text) { setItemText(item, 0, text); }
    /// The text of a row's column; empty for a column never set.
    wxString getItemText(const OrkListItem_* item, unsigned int column = 0) const;
    ///@{
    /// A row's data of the caller's own, not owned.
    void* getItemUserData(const OrkListItem_* item) const;
    void setItemUserData(OrkListItem_* item, void* data);
    ///@}
    /// Removes and destroys a row.
    void deleteItem(OrkListItem_* item);
    /// Removes and destroys every row.
    void deleteAllItems();

    /// How many rows there are.
    std::size_t getItemCount() const { return m_rows.size(); }
    /// The row at a position; null when out of range.
    OrkListItem_* getItem(std::size_t index) const;
    /// Current position of a row; -1 for null.
    int getItemIndex(const OrkListItem_* item) const;

    /// Fills `selection` with the selected rows, top to bottom.
    void getSelectionInViewOrder(Orkutils::Vector<OrkListItem_*>& selection) const;
    /// How many rows are selected.
    std::size_t getSelectedItemCount() const { return getSelectedCount(); }
    /// True when the row is selected.
    bool isItemSelected(const OrkListItem_* item) const;
    /// Selects or deselects a row without sending events.
    void selectItem(OrkListItem_* item, bool select = true);
    /// Deselects every row without sending events.
    void clearSelection();
    /// Scrolls just enough for the row to be fully visible.
    void ensureItemVisible(const OrkListItem_* item);

    /// Reorders the rows; rows that compare equal keep their order.
    void sort(const OrkListItemCompareStrategy& strategy);

protected:
    std::size_t getRowCount() const override { return m_rows.size(); }
    detail::RowNode* nodeAtRow(std::size_t row) const override;
    detail::RowNode* nodeAfter(detail::RowNode* node) const override;
    bool rowOfNode(const detail::RowNode* node, std::size_t& row) const override;
    void paintRow(wxDC& dc, detail::RowNode* node, std::size_t row, const wxRect& rect) override;
    void onSelectionChanged() override;
    bool previewKey(wxKeyEvent& event) override;
    void onRowDoubleClicked(detail::RowNode* node) override;
    void onRowContextMenu(detail::RowNode* node, const wxPoint& point) override;

private:
    static OrkListItem_* itemOf(detail::RowNode* node) { return static_cast<OrkListItem_*>(node); }
    static detail::RowNode* nodeOf(const OrkListItem_* item)
    {
        return static_cast<detail::RowNode*>(const_cast<OrkListItem_*>(item));
    }
    void sendEvent(wxEventType type, OrkListItem_* item, const wxPoint& point);
    void destroyAll();

    detail::RowSequence m_rows;
};

} // namespace wxUtils
