#pragma once

#include <dbui/ArrayWidgetBase.h>
#include <dbui/Export.h>

#include <db/AttributeType.h>

namespace dbui
{

/// The list editor of an array of plain values, one template over the array
/// types as the database's typed arrays are (`db::ValueArrayAttribute`): the
/// element type `T` gives the columns, the texts of an element's rows and the
/// add dialog. `IntArrayWidget`, `FloatArrayWidget` and the others are its
/// instances under their own names. Instantiated in the library for those
/// types only.
template <db::AttributeType Type, class T> class DBUI_EXPORT ValueArrayWidget : public ArrayWidgetBase
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    ValueArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);

protected:
    /// Appends each element's rows, its index in the last column.
    void fillListControl() override;
    /// The element of a row: a matrix takes three rows, other elements one.
    int elementOfRow(int row) const override;
    /// Asks for a new element; on OK appends it to the first attribute.
    void handleAdd(wxCommandEvent& event) override;
};

} // namespace dbui
