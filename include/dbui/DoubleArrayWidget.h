#pragma once

#include <dbui/ArrayWidgetBase.h>
#include <dbui/Export.h>

namespace dbui
{

/// Edits an array of double values as a value column and an index column.
class DBUI_EXPORT DoubleArrayWidget : public ArrayWidgetBase
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    DoubleArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);

protected:
    void fillListControl() override;
    /// Asks for a new element; on OK appends it to the first attribute.
    void handleAdd(wxCommandEvent& event) override;
};

} // namespace dbui
