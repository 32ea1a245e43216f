#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkListItemCompareStrategy.h>

namespace wxUtils
{

/// Orders rows by the text of one column the way people read it: ignoring
/// case first, and numbers inside the text by value ("item2" before "item10").
class DBUI_TOOLKIT_EXPORT OrkListItemCompareStrategyAlphabetical : public OrkListItemCompareStrategy
{
public:
    /// `column` is the column whose text is compared; `descending` reverses the order.
    explicit OrkListItemCompareStrategyAlphabetical(unsigned int column = 0, bool descending = false);

    int compare(const OrkListItem_& a, const OrkListItem_& b) const override;

private:
    unsigned int m_column;
    bool m_descending;
};

} // namespace wxUtils
