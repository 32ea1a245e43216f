#pragma once

#include <dbui/Export.h>
#include <dbui/TextBoxBasedAttributeWidget.h>

namespace dbui
{

/// Edits pointer attributes as the database path of their target; an empty
/// box stands for no target.
class DBUI_EXPORT PointerWidget : public TextBoxBasedAttributeWidget
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    PointerWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~PointerWidget() override;

protected:
    void setCommonValue() override;
    void setTextBoxValue() override;
};

} // namespace dbui
