#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>

namespace wxUtils
{
class OrkCheckBox;
class OrkCheckBoxEvent;
} // namespace wxUtils

namespace dbui
{

/// Edits bool attributes with one check box; differing values show the mixed state.
class DBUI_EXPORT BoolWidget : public AttributeWidget
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    BoolWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~BoolWidget() override;

    /// The check box, for hosts and tests.
    wxUtils::OrkCheckBox* getCheckBox() const { return m_checkBox; }

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    /// The user ticked or cleared the box: one undo step sets every bound attribute.
    void onCheck(wxUtils::OrkCheckBoxEvent& event);

private:
    wxUtils::OrkCheckBox* m_checkBox = nullptr;
};

} // namespace dbui
