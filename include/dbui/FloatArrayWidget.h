#pragma once

#include <dbui/ArrayWidgetBase.h>

namespace dbui {

/// Edits an array of float values as a value column and an index column.
class FloatArrayWidget : public ArrayWidgetBase
{
public:
    FloatArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);

protected:
    void fillListControl() override;
    void onContextMenu(wxUtils::OrkListEvent& event);
    void handleDelete(wxCommandEvent& event);
    /// Asks for a new element; on OK appends it to the first attribute.
    void handleAdd(wxCommandEvent& event);

private:
    int m_addId = 0;
    int m_deleteId = 0;
};

} // namespace dbui
