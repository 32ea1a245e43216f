#include <dbui/CompoundAttributeWidget.h>

#include "widgets/WidgetDispatcher.h"

#include <db/Attribute.h>
#include <wxUtils/PanelBuilder.h>
#include <wxUtils/WindowUtils.h>

#include <utility>

namespace dbui
{

CompoundAttributeWidget::CompoundAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name,
                                                 AttributeWidgetCreator makeMember)
    : AttributeWidget(parent, size, style, name), db::Visitor(0), m_makeMember(std::move(makeMember)),
      m_widgetDispatcher(std::make_unique<WidgetDispatcher>(*this))
{
    wxASSERT_MSG(m_makeMember, "give the widget a creator of its members' widgets");
}

CompoundAttributeWidget::~CompoundAttributeWidget()
{
    delete m_builder;
}

void CompoundAttributeWidget::clearWindow()
{
    // The grid belongs to the attributes it was built for; member widgets of
    // attributes no longer bound must not outlive the binding. One of them
    // may be inside its own handler, whose edit brought this rebinding.
    SetSizer(nullptr);
    for (wxWindow* child : GetChildren())
        wxUtils::destroyWhenIdle(child);
}

void CompoundAttributeWidget::populateFromData(bool /*immediate*/)
{
    getAttributes().front()->accept(this);
}

void CompoundAttributeWidget::onDataChanged(const db::ChangeSet& /*changes*/, bool /*immediate*/)
{
}

bool CompoundAttributeWidget::visitAttributeEnter(db::Attribute* attribute)
{
    if (attribute == getAttributes().front())
    {
        delete m_builder;
        m_builder = new wxUtils::PanelBuilder(this, 0);
        m_builder->beginFlexGridSizer(0, 2, 0, 0, 12, 1);
        m_builder->columnExpands(1, 0);
        return true;
    }
    if (!m_builder)
        return true;

    if (attribute->isArray())
        skipChildren(true);
    // A nested compound lends its members to this grid instead of a row of its own.
    if (attribute->isCompound())
        return true;

    AttributeWidget* child = m_makeMember(attribute->getDef(), this);
    if (!child)
        return true;
    // Bound as the inspector binds its rows, so that the member's edits are
    // undoable steps of their own and undo, redo and other views show in it.
    child->setAttribute(attribute);
    m_builder->addStaticText(wxString(attribute->getName()), 0, 0, wxDefaultSize, 0, 0);
    m_builder->addWindow(child, 0, wxEXPAND);
    return true;
}

bool CompoundAttributeWidget::visitAttributeExit(db::Attribute* attribute)
{
    if (attribute == getAttributes().front() && m_builder)
    {
        m_builder->endSizer();
        delete m_builder;
        m_builder = nullptr;
    }
    return true;
}

} // namespace dbui
