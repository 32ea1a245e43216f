#pragma once

#include <dbui/Export.h>
#include <dbui/ValueArrayWidget.h>

namespace dbui
{

extern template class DBUI_EXPORT ValueArrayWidget<db::BoolArray, bool>;

/// Edits an array of bool values as a value column and an index column.
class DBUI_EXPORT BoolArrayWidget : public ValueArrayWidget<db::BoolArray, bool>
{
public:
    using ValueArrayWidget::ValueArrayWidget;
};

} // namespace dbui
