#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>

namespace wxUtils {
class OrkComboBox;
}

namespace dbui {

/// Edits enum attributes with a combo box of the first attribute's names.
class DBUI_EXPORT EnumWidget : public AttributeWidget
{
public:
    EnumWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~EnumWidget() override;

    wxUtils::OrkComboBox* getComboBox() const { return m_comboBox; }

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    void onComboChanged(wxCommandEvent& event);

private:
    wxUtils::OrkComboBox* m_comboBox = nullptr;
};

} // namespace dbui
