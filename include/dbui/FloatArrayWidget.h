#pragma once

#include <dbui/Export.h>
#include <dbui/ValueArrayWidget.h>

namespace dbui
{

extern template class DBUI_EXPORT ValueArrayWidget<db::FloatArray, float>;

/// Edits an array of float values as a value column and an index column.
class DBUI_EXPORT FloatArrayWidget : public ValueArrayWidget<db::FloatArray, float>
{
public:
    using ValueArrayWidget::ValueArrayWidget;
};

} // namespace dbui
