#include <dbui/AttributeArrayWidget.h>

#include "widgets/WidgetDispatcher.h"

#include <db/Attribute.h>
#include <db/AttributeArray.h>
#include <db/ChangeSet.h>
#include <wxUtils/OrkButton.h>
#include <wxUtils/PanelBuilder.h>
#include <wxUtils/WindowFreezer.h>
#include <wxUtils/WindowUtils.h>

#include <wx/sizer.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace dbui
{

namespace
{

const wxString s_removeLabel = "Remove";

} // namespace

AttributeArrayWidget::AttributeArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name,
                                           AttributeWidgetCreator makeMember)
    : AttributeWidget(parent, size, style, name), db::Visitor(0), m_makeMember(std::move(makeMember)),
      m_widgetDispatcher(std::make_unique<WidgetDispatcher>(*this))
{
    wxASSERT_MSG(m_makeMember, "give the widget a creator of its members' widgets");
    Connect(wxID_ANY, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(AttributeArrayWidget::onRemoveAttribute));
}

AttributeArrayWidget::~AttributeArrayWidget()
{
    delete m_builder;
}

void AttributeArrayWidget::clearWindow()
{
    // The grid belongs to the attributes it was built for; element widgets of
    // attributes no longer bound must not outlive the binding.
    if (m_addButton)
        Disconnect(m_addButton->GetId(), wxEVT_COMMAND_BUTTON_CLICKED,
                   wxCommandEventHandler(AttributeArrayWidget::onAddAttribute));
    SetSizer(nullptr);
    // An element or a button may be inside its own handler, whose edit
    // brought this rebinding.
    for (wxWindow* child : GetChildren())
        wxUtils::destroyWhenIdle(child);
    m_grid = nullptr;
    m_addButton = nullptr;
}

void AttributeArrayWidget::populateFromData(bool /*immediate*/)
{
    getAttributes().front()->accept(this);
}

AttributeWidget* AttributeArrayWidget::makeWidget(db::Attribute* element)
{
    AttributeWidget* child = m_makeMember(element->getDef(), this);
    // Bound as the inspector binds its rows, so that the element's edits are
    // undoable steps of their own and undo, redo and other views show in it.
    if (child)
        child->setAttribute(element);
    return child;
}

bool AttributeArrayWidget::visitAttributeEnter(db::Attribute* attribute)
{
    if (attribute == getAttributes().front())
    {
        delete m_builder;
        m_builder = new wxUtils::PanelBuilder(this, 0);
        m_grid = m_builder->beginFlexGridSizer(0, 2, 0, 0, 12, 1);
        m_builder->columnExpands(0, 0);
        return true;
    }
    if (!m_builder)
        return true;

    if (attribute->isCompound())
        skipChildren(true);
    if (AttributeWidget* child = makeWidget(attribute))
    {
        m_builder->addWindow(child, 1, wxEXPAND);
        m_builder->addButton(s_removeLabel, wxEmptyString, 0, 0, wxDefaultSize, 0)->setUserData(attribute);
    }
    return true;
}

bool AttributeArrayWidget::visitAttributeExit(db::Attribute* attribute)
{
    if (attribute != getAttributes().front() || !m_builder)
        return true;
    m_builder->addStretchSpacer(1);
    m_addButton = m_builder->addButton("Add", wxEmptyString, 0, 0, wxDefaultSize, 0);
    m_builder->endSizer();
    delete m_builder;
    m_builder = nullptr;
    Connect(m_addButton->GetId(), wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(AttributeArrayWidget::onAddAttribute));
    return true;
}

void AttributeArrayWidget::onDataChanged(const db::ChangeSet& changes, bool /*immediate*/)
{
    if (!m_grid)
        return;
    db::Attribute* array = getAttributes().front();
    bool changed = false;

    // Removals first, each row found by its button: what remains is then in the
    // array's current order, and additions go in at their current positions
    // (undo puts an element back in the middle, not at the end).
    for (db::Attribute* element : changes.RemovedAttributes())
    {
        if (element->getParentAttribute() != array)
            continue;
        for (size_t cell = 1; cell < m_grid->GetItemCount(); cell += 2)
        {
            wxWindow* button = m_grid->GetItem(cell)->GetWindow();
            auto* removeButton = dynamic_cast<wxUtils::OrkButton*>(button);
            if (!removeButton || removeButton == m_addButton || removeButton->getUserData() != element)
                continue;
            wxWindow* widget = m_grid->GetItem(cell - 1)->GetWindow();
            m_grid->Detach(static_cast<int>(cell));
            m_grid->Detach(static_cast<int>(cell - 1));
            // The click that removed the element may still be running in this
            // button, so the windows go once the event is over.
            for (wxWindow* window : {widget, button})
            {
                if (!window)
                    continue;
                if (auto* elementWidget = dynamic_cast<AttributeWidget*>(window))
                    elementWidget->clearAttributes();
                wxUtils::destroyWhenIdle(window);
            }
            changed = true;
            break;
        }
    }

    std::vector<db::Attribute*> added;
    for (db::Attribute* element : changes.AddedAttributes())
        if (element->getParentAttribute() == array && !element->isDetached())
            added.push_back(element);
    std::sort(added.begin(), added.end(),
              [](const db::Attribute* a, const db::Attribute* b) { return a->getIndex() < b->getIndex(); });
    for (db::Attribute* element : added)
    {
        AttributeWidget* child = makeWidget(element);
        if (!child)
            continue;
        auto* button = new wxUtils::OrkButton(this, -1, s_removeLabel, wxDefaultPosition, wxDefaultSize, 0);
        button->setUserData(element);
        const size_t last = m_grid->GetItemCount() - 2;
        const size_t cell = std::min<size_t>(2 * static_cast<size_t>(element->getIndex()), last);
        m_grid->Insert(cell, button, 0, 0, 0, nullptr);
        m_grid->Insert(cell, child, 1, wxEXPAND, 0, nullptr);
        changed = true;
    }

    if (changed)
    {
        wxUtils::WindowFreezer freezer(this);
        forceLayout();
    }
}

void AttributeArrayWidget::forceLayout()
{
    wxUtils::layoutParentsRecursively(this);
}

void AttributeArrayWidget::onAddAttribute(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    if (db::AttributeArray* array = getAttributes().front()->asAttributeArray())
        array->add(false);
}

void AttributeArrayWidget::onRemoveAttribute(wxCommandEvent& event)
{
    auto* button = dynamic_cast<wxUtils::OrkButton*>(event.GetEventObject());
    if (!button || button->getLabel() != s_removeLabel || getAttributes().empty())
    {
        // Not ours: other handlers of the click still get it.
        event.Skip();
        return;
    }
    auto* element = static_cast<db::Attribute*>(button->getUserData());
    if (db::AttributeArray* array = getAttributes().front()->asAttributeArray())
        array->removeAttribute(element);
}

} // namespace dbui
