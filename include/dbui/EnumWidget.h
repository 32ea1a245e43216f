#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>

namespace wxUtils
{
class OrkComboBox;
}

namespace dbui
{

/// Edits enum attributes with a combo box of the first attribute's names.
class DBUI_EXPORT EnumWidget : public AttributeWidget
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    EnumWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~EnumWidget() override;

    /// The drop-down list, for hosts and tests.
    wxUtils::OrkComboBox* getComboBox() const { return m_comboBox; }

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    /// The user chose an option: one undo step sets every bound attribute to its value.
    void onComboChanged(wxCommandEvent& event);

private:
    wxUtils::OrkComboBox* m_comboBox = nullptr;
};

} // namespace dbui
