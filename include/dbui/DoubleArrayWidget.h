#pragma once

#include <dbui/Export.h>
#include <dbui/ValueArrayWidget.h>

namespace dbui
{

extern template class DBUI_EXPORT ValueArrayWidget<db::DoubleArray, double>;

/// Edits an array of double values as a value column and an index column.
class DBUI_EXPORT DoubleArrayWidget : public ValueArrayWidget<db::DoubleArray, double>
{
public:
    using ValueArrayWidget::ValueArrayWidget;
};

} // namespace dbui
