#pragma once

#include <dbui/Export.h>
#include <dbui/ValueArrayWidget.h>

namespace dbui
{

extern template class DBUI_EXPORT ValueArrayWidget<db::IntArray, int>;

/// Edits an array of int values as a value column and an index column.
class DBUI_EXPORT IntArrayWidget : public ValueArrayWidget<db::IntArray, int>
{
public:
    using ValueArrayWidget::ValueArrayWidget;
};

} // namespace dbui
