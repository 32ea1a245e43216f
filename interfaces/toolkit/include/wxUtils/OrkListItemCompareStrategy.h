#pragma once

#include <wxUtils/Export.h>

namespace wxUtils
{

class OrkListItem_;

/// How OrkListControl::sort orders rows.
class DBUI_TOOLKIT_EXPORT OrkListItemCompareStrategy
{
public:
    virtual ~OrkListItemCompareStrategy() = default;

    /// Negative when `a` goes before `b`, positive when after, 0 when equal
    /// (equal rows keep their order).
    virtual int compare(const OrkListItem_& a, const OrkListItem_& b) const = 0;
};

} // namespace wxUtils
