#pragma once

#include <dbui/Export.h>
#include <dbui/ValueArrayWidget.h>

#include <string>

namespace dbui
{

extern template class DBUI_EXPORT ValueArrayWidget<db::StringArray, std::wstring>;

/// Edits an array of strings as a value column and an index column.
class DBUI_EXPORT StringArrayWidget : public ValueArrayWidget<db::StringArray, std::wstring>
{
public:
    using ValueArrayWidget::ValueArrayWidget;
};

} // namespace dbui
