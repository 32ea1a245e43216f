#pragma once

#include <dbui/ArrayWidgetBase.h>
#include <dbui/Export.h>

namespace dbui
{

/// Edits an array of matrices: three rows per element (matrix rows 0 to 2), three value columns and the index.
class DBUI_EXPORT Matrix34ArrayWidget : public ArrayWidgetBase
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    Matrix34ArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);

protected:
    void fillListControl() override;
    int elementOfRow(int row) const override { return row / 3; }
    /// Asks for a new element; on OK appends it to the first attribute.
    void handleAdd(wxCommandEvent& event) override;
};

} // namespace dbui
