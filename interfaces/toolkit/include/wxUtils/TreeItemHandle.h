#pragma once

#include <wxUtils/OrkColumnWindow.h>

namespace wxUtils
{

class TreeItem;

/// Holds an item of a tree across events that may destroy it (a handler, a
/// popup menu, a modal dialog): reads null once the item, one of its
/// ancestors or the tree is destroyed. Holds only items that are in a tree.
class TreeItemHandle
{
public:
    TreeItemHandle() = default;
    explicit TreeItemHandle(TreeItem* item) { reset(item); }

    /// Holds `item` instead (null: nothing).
    void reset(TreeItem* item = nullptr);
    TreeItem* get() const;
    explicit operator bool() const { return get() != nullptr; }

private:
    detail::RowHandle m_row;
};

} // namespace wxUtils
