#pragma once

#include <db/Export.h>

#include <string>

namespace db
{

/// One thing a three-way merge could not decide: where it is, what kind of
/// disagreement it is, and the three versions of it as text. The merged
/// document holds our side's version; the record keeps the other two.
struct DBUI_NODEDB_EXPORT MergeConflict
{
    /// A short kind: "value", "removed/changed", "both added", "move", ...
    std::wstring what;
    /// The path of the node or attribute in the merged document.
    std::wstring where;
    std::wstring base;   ///< the common ancestor's version
    std::wstring ours;   ///< our side's version: the one the document holds
    std::wstring theirs; ///< their side's version

    /// True when the conflict is about one value, which its texts can set.
    bool isValue() const { return what == L"value"; }
    /// True when all five texts are equal.
    bool operator==(const MergeConflict& other) const
    {
        return what == other.what && where == other.where && base == other.base && ours == other.ours &&
               theirs == other.theirs;
    }
};

} // namespace db
