#pragma once

#include <dbui/Export.h>
#include <dbui/ValueArrayWidget.h>

#include <OrkP/Vector3.h>

namespace dbui
{

extern template class DBUI_EXPORT ValueArrayWidget<db::Vector3Array, OrkP::Vector3>;

/// Edits an array of vectors: X, Y and Z columns and the index.
class DBUI_EXPORT Vector3ArrayWidget : public ValueArrayWidget<db::Vector3Array, OrkP::Vector3>
{
public:
    using ValueArrayWidget::ValueArrayWidget;
};

} // namespace dbui
