#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkColumnWindow.h>

namespace wxUtils
{

class TreeItem;

/// Holds an item of a tree across events that may destroy it (a handler, a
/// popup menu, a modal dialog): reads null once the item, one of its
/// ancestors or the tree is destroyed. Holds only items that are in a tree.
class DBUI_TOOLKIT_EXPORT TreeItemHandle
{
public:
    /// Holds nothing.
    TreeItemHandle() = default;
    /// Holds `item`.
    explicit TreeItemHandle(TreeItem* item) { reset(item); }

    /// Holds `item` instead (null: nothing).
    void reset(TreeItem* item = nullptr);
    /// The item held, or null once it is gone.
    TreeItem* get() const;
    /// True while the item held is alive.
    explicit operator bool() const { return get() != nullptr; }

private:
    detail::RowHandle m_row;
};

} // namespace wxUtils
