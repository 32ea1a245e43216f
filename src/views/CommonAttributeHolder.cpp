#include <dbui/CommonAttributeHolder.h>

#include <db/Attribute.h>

#include <wx/debug.h>

namespace dbui
{

db::AttributeDef& CommonAttributeHolder::getDef() const
{
    wxASSERT_MSG(!m_attributes.empty(), "an inspector row needs at least one attribute");
    return m_attributes.front()->getDef();
}

const std::wstring& CommonAttributeHolder::getName() const
{
    wxASSERT_MSG(!m_attributes.empty(), "an inspector row needs at least one attribute");
    return m_attributes.front()->getName();
}

} // namespace dbui
