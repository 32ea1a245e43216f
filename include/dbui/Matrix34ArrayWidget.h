#pragma once

#include <dbui/Export.h>
#include <dbui/ValueArrayWidget.h>

#include <OrkP/Matrix34.h>

namespace dbui
{

extern template class DBUI_EXPORT ValueArrayWidget<db::Matrix34Array, OrkP::Matrix34>;

/// Edits an array of matrices: three rows per element (matrix rows 0 to 2), three value columns and the index.
class DBUI_EXPORT Matrix34ArrayWidget : public ValueArrayWidget<db::Matrix34Array, OrkP::Matrix34>
{
public:
    using ValueArrayWidget::ValueArrayWidget;
};

} // namespace dbui
