#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetCreator.h>
#include <dbui/Export.h>

#include <db/Visitor.h>

#include <memory>

namespace wxUtils
{
class PanelBuilder;
}

namespace dbui
{

class WidgetDispatcher;

/// Edits a compound attribute as a grid of member names and member widgets.
/// Members that are compounds themselves are flattened into the same grid.
class DBUI_EXPORT CompoundAttributeWidget : public AttributeWidget, public db::Visitor
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    /// Its members' widgets come from makeAttributeWidget.
    CompoundAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    /// The same, its members' widgets made by `makeMember`.
    CompoundAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name,
                            AttributeWidgetCreator makeMember);
    ~CompoundAttributeWidget() override;

protected:
    /// Takes the grid down, so that binding other attributes builds a fresh one.
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    /// Member widgets follow their own attributes; the members themselves never change.
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;
    bool visitAttributeEnter(db::Attribute* attribute) override;
    bool visitAttributeExit(db::Attribute* attribute) override;

private:
    /// Makes the widget of each member.
    AttributeWidgetCreator m_makeMember;
    wxUtils::PanelBuilder* m_builder = nullptr;
    /// Tells the widgets inside of their changes, unless an inspector around does.
    std::unique_ptr<WidgetDispatcher> m_widgetDispatcher;
};

} // namespace dbui
