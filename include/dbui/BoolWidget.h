#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>

namespace wxUtils {
class OrkCheckBox;
class OrkCheckBoxEvent;
} // namespace wxUtils

namespace dbui {

/// Edits bool attributes with one check box; differing values show the mixed state.
class DBUI_EXPORT BoolWidget : public AttributeWidget
{
public:
    BoolWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~BoolWidget() override;

    wxUtils::OrkCheckBox* getCheckBox() const { return m_checkBox; }

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    void onCheck(wxUtils::OrkCheckBoxEvent& event);

private:
    wxUtils::OrkCheckBox* m_checkBox = nullptr;
};

} // namespace dbui
