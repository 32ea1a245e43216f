#pragma once

#include <dbui/ArrayWidgetBase.h>
#include <dbui/Export.h>

namespace dbui
{

/// Edits an array of vectors: X, Y and Z columns and the index.
class DBUI_EXPORT Vector3ArrayWidget : public ArrayWidgetBase
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    Vector3ArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);

protected:
    void fillListControl() override;
    /// Asks for a new element; on OK appends it to the first attribute.
    void handleAdd(wxCommandEvent& event) override;
};

} // namespace dbui
