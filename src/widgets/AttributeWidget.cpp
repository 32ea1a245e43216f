#include <dbui/AttributeWidget.h>

#include "widgets/WidgetDispatcher.h"

#include <db/Attribute.h>
#include <db/ChangeSet.h>
#include <db/Database.h>
#include <wxUtils/FocusReliantWindow.h>

#include <algorithm>
#include <utility>

namespace dbui
{

wxDEFINE_EVENT(EVT_ATTRIBUTE_INPUT_REFUSED, wxCommandEvent);

namespace
{

// Removed attributes stay alive for undo, so the former parent is still there
// to walk to; what tells them apart is the removed mark on the way up.
bool wasRemoved(const db::Attribute* attribute)
{
    for (const db::Attribute* a = attribute; a; a = a->getParentAttribute())
        if (a->isDetached() && a->getParentAttribute())
            return true;
    return false;
}

} // namespace

AttributeWidget::AttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : wxUtils::OrkPanel(parent, wxID_ANY, wxDefaultPosition, size, style, name)
{
    if (size != wxDefaultSize)
        SetMinSize(size);
}

AttributeWidget::~AttributeWidget()
{
    synchWithDatabase(nullptr);
}

int AttributeWidget::getInputOptions() const
{
    for (const wxWindow* window = this; window; window = window->GetParent())
        if (const auto* widget = dynamic_cast<const AttributeWidget*>(window); widget && widget->m_inputOptions >= 0)
            return widget->m_inputOptions;
    return 0;
}

void AttributeWidget::setAttributes(const std::vector<db::Attribute*>& attributes)
{
    if (attributes != m_attributes)
    {
        applyPendingEdits();
        synchWithDatabase(nullptr);
        replaceBoundList(attributes);
        if (!m_attributes.empty())
            synchWithDatabase(m_attributes.front()->getDatabase());
        rebuild();
    }
    Enable(!m_attributes.empty());
}

void AttributeWidget::setAttribute(db::Attribute* attribute)
{
    if (attribute)
        setAttributes({attribute});
    else
        setAttributes({});
}

void AttributeWidget::setAttribute(db::Attribute& attribute)
{
    setAttribute(&attribute);
}

void AttributeWidget::clearAttributes()
{
    setAttributes({});
}

void AttributeWidget::addAttribute(db::Attribute* attribute)
{
    if (!attribute || std::find(m_attributes.begin(), m_attributes.end(), attribute) != m_attributes.end())
        return;
    applyPendingEdits();
    std::vector<db::Attribute*> attributes = m_attributes;
    attributes.push_back(attribute);
    replaceBoundList(std::move(attributes));
    rebuild();
}

void AttributeWidget::addAttribute(db::Attribute& attribute)
{
    addAttribute(&attribute);
}

void AttributeWidget::removeAttribute(db::Attribute* attribute)
{
    const auto it = std::find(m_attributes.begin(), m_attributes.end(), attribute);
    if (it == m_attributes.end())
        return;
    applyPendingEdits();
    std::vector<db::Attribute*> attributes = m_attributes;
    attributes.erase(attributes.begin() + (it - m_attributes.begin()));
    replaceBoundList(std::move(attributes));
    rebuild();
}

void AttributeWidget::removeAttribute(db::Attribute& attribute)
{
    removeAttribute(&attribute);
}

bool AttributeWidget::isValueCommon() const
{
    wxASSERT_MSG(!m_attributes.empty(), "isValueCommon needs at least one bound attribute");
    if (m_attributes.size() <= 1)
        return true;
    const db::Attribute& first = *m_attributes.front();
    for (std::size_t i = 1; i < m_attributes.size(); ++i)
    {
        if (!m_attributes[i]->hasSameValue(first))
            return false;
    }
    return true;
}

bool AttributeWidget::isBoundToLiveAttributes() const
{
    if (m_attributes.empty() || (m_database && m_database->isBeingDestroyed()))
        return false;
    return std::none_of(m_attributes.begin(), m_attributes.end(), wasRemoved);
}

void AttributeWidget::onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool immediate)
{
    if (!changes.hasChangedAny(m_attributes, false))
        return;
    onDataChanged(changes, immediate);
    if (immediate)
        Update();
}

void AttributeWidget::onDatabaseDestroyed(db::Database* database)
{
    if (database != m_database)
        return;
    // Hosts often tear down a document's database before the windows showing
    // it: nothing of it may be touched afterwards, not even on the way out.
    synchWithDatabase(nullptr);
    replaceBoundList({});
    rebuild();
}

void AttributeWidget::synchWithDatabase(db::Database* database)
{
    // Removal is immediate so that a widget rebinding or dying inside a
    // notification gets no further call in it; addition waits for the next one.
    if (m_database && m_dispatcher)
        m_dispatcher->remove(*this, *m_database);
    else if (m_database)
        m_database->getObservers().remove(this, ObserverMode::Immediate);
    m_database = database;
    m_dispatcher = m_database ? WidgetDispatcher::outermostAbove(*this) : nullptr;
    if (m_dispatcher)
        m_dispatcher->add(*this, *m_database);
    else if (m_database)
        m_database->getObservers().add(this, ObserverMode::Deferred);
}

void AttributeWidget::replaceBoundList(std::vector<db::Attribute*> attributes)
{
    // The dispatcher finds the widget by its attributes, so it hears of every change to them.
    if (m_dispatcher)
        m_dispatcher->forgetAttributes(*this, *m_database);
    m_attributes = std::move(attributes);
    if (m_dispatcher)
        m_dispatcher->learnAttributes(*this, *m_database);
}

void AttributeWidget::applyPendingEdits()
{
    // A widget that was never bound holds nothing typed for anything.
    if (!m_attributes.empty())
        wxUtils::FocusReliantWindow::ensureChangesAppliedWithin(this);
}

void AttributeWidget::rebuild()
{
    clearWindow();
    if (!m_attributes.empty())
        populateFromData(false);
    Enable(!m_attributes.empty());
}

} // namespace dbui
