#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetCreator.h>
#include <dbui/Export.h>

#include <db/Visitor.h>

#include <memory>

class wxFlexGridSizer;

namespace wxUtils
{
class OrkButton;
class PanelBuilder;
} // namespace wxUtils

namespace dbui
{

class WidgetDispatcher;

/// Edits an array of compound elements: one row per element (its widget and a
/// "Remove" button) closed by an "Add" button. Added and removed elements are
/// patched into the grid in place.
class DBUI_EXPORT AttributeArrayWidget : public AttributeWidget, public db::Visitor
{
public:
    /// An unbound widget, created in one step; bind attributes with setAttributes.
    /// Its members' widgets come from makeAttributeWidget.
    AttributeArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    /// The same, its members' widgets made by `makeMember`.
    AttributeArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name,
                         AttributeWidgetCreator makeMember);
    ~AttributeArrayWidget() override;

    ///@{
    /// The "Add" button and the grid of element rows; null while nothing is bound.
    wxUtils::OrkButton* getAddButton() const { return m_addButton; }
    wxFlexGridSizer* getGridSizer() const { return m_grid; }
    ///@}

protected:
    /// Takes the grid down, so that binding other attributes builds a fresh one.
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;
    bool visitAttributeEnter(db::Attribute* attribute) override;
    bool visitAttributeExit(db::Attribute* attribute) override;

    /// The element's widget, bound to it; null when its kind has no widget.
    AttributeWidget* makeWidget(db::Attribute* element);
    /// Lays out the windows that contain this one again, for its new height.
    void forceLayout();
    /// "Add": appends an element to every bound array in one undo step.
    void onAddAttribute(wxCommandEvent& event);
    /// A row's "Remove": removes that element in one undo step.
    void onRemoveAttribute(wxCommandEvent& event);

private:
    /// Makes the widget of each member.
    AttributeWidgetCreator m_makeMember;
    wxUtils::PanelBuilder* m_builder = nullptr;
    /// Tells the widgets inside of their changes, unless an inspector around does.
    std::unique_ptr<WidgetDispatcher> m_widgetDispatcher;
    wxFlexGridSizer* m_grid = nullptr;
    wxUtils::OrkButton* m_addButton = nullptr;
};

} // namespace dbui
