#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>

#include <initializer_list>

namespace wxUtils
{
class OrkListControl;
class OrkListEvent;
} // namespace wxUtils

namespace dbui
{

/// Base of the list editors of array attributes: one list row per element of the
/// first bound attribute, in element order. The list is rebuilt on every change
/// that touches a bound attribute; Delete removes the selected rows' elements.
class DBUI_EXPORT ArrayWidgetBase : public AttributeWidget
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    ArrayWidgetBase(wxWindow* parent, const wxSize& size, long style, const wxString& name);

    /// The list of elements, for hosts that adjust it and for tests.
    wxUtils::OrkListControl* getListControl() const { return m_list; }

protected:
    void clearWindow() override;
    /// Attributes whose arrays differ show an empty list.
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;
    /// Appends one row per element of the first attribute.
    virtual void fillListControl() = 0;

    /// Removes the selected rows' elements of the first attribute in one undo step.
    void deleteSelectedItems();
    /// The Delete key deletes the selected elements; other keys go on to the list.
    void onKeyDown(wxUtils::OrkListEvent& event);

    /// The element a list row stands for; subclasses that show several rows per
    /// element map rows back here.
    virtual int elementOfRow(int row) const { return row; }

    /// "Delete" on a row, "Add Value" elsewhere.
    void onContextMenu(wxUtils::OrkListEvent& event);
    /// The context menu's "Delete": deletes the selected elements.
    void handleDelete(wxCommandEvent& event);
    /// Asks for a new element; on OK appends it to the first attribute.
    virtual void handleAdd(wxCommandEvent& event) = 0;

    /// Gives the list one column per title, in order.
    void addColumns(std::initializer_list<const char*> titles);
    /// Sets the column texts of a freshly appended row.
    void appendRow(std::initializer_list<wxString> texts);

private:
    wxUtils::OrkListControl* m_list = nullptr;
    int m_addId = 0;
    int m_deleteId = 0;
};

} // namespace dbui
