#pragma once

#include <dbui/Export.h>

#include <string>
#include <vector>

namespace db
{
class Attribute;
class AttributeDef;
} // namespace db

namespace dbui
{

/// One inspector row: like attributes, one per inspected node, in node order.
/// The first one supplies the row's definition and label.
class DBUI_EXPORT CommonAttributeHolder
{
public:
    /// The like attributes of the row, one per selected node, in the nodes' order.
    std::vector<db::Attribute*> m_attributes;

    /// The definition of the row; the holder must not be empty.
    db::AttributeDef& getDef() const;
    /// The label of the row; the holder must not be empty.
    const std::wstring& getName() const;
};

} // namespace dbui
