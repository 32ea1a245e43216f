#pragma once

#include <wxUtils/Export.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace wxUtils
{
namespace detail
{

struct RowBlock;

/// A member of a RowSequence: knows its block and slot so that finding its
/// position never scans the whole sequence. Its weight is the number of
/// display rows it stands for (itself plus its visible descendants; 0 for a
/// member a filter hides). Kept to sixteen bytes: a big tree has one per item.
struct DBUI_TOOLKIT_EXPORT RowNode
{
    RowNode() : m_selected(false), m_expanded(false), m_matched(false), m_expandedBeforeFilter(false) {}

    RowBlock* m_block = nullptr;
    std::uint32_t m_weight = 1;
    // Where in its block the member was last seen: a hint that the sequence
    // checks and corrects (see RowSequence::slotOf). Blocks hold a few
    // hundred members at most.
    mutable std::uint16_t m_slot = 0;
    bool m_selected : 1;
    // The rest is used by tree rows only, and kept here, where it costs no
    // room: whether the children show, whether the tree's filter accepts the
    // row, and whether its children showed before a filter was set.
    bool m_expanded : 1;
    bool m_matched : 1;
    bool m_expandedBeforeFilter : 1;
};

/// One run of consecutive members with the sum of their weights.
struct DBUI_TOOLKIT_EXPORT RowBlock
{
    std::vector<RowNode*> m_nodes;
    std::size_t m_weight = 0;
    std::size_t m_index = 0;
    // The node whose sequence this is (a tree item's parent), so that members
    // need no pointer to it of their own.
    RowNode* m_owner = nullptr;
};

/// An ordered sequence of RowNodes kept in blocks of bounded size, with the
/// weight sum of each block. Insertion, removal, position and weight look-ups
/// cost O(blocks + block size), about O(sqrt n), instead of the O(n) of a plain
/// vector with stored indices; that keeps one edit of a 300,000-row list as
/// cheap as one of a 1,000-row list. Members are not owned.
class DBUI_TOOLKIT_EXPORT RowSequence
{
public:
    /// `owner` is the node the members belong to (null for a flat list); members find it through their block.
    explicit RowSequence(RowNode* owner = nullptr) : m_owner(owner) {}
    RowSequence(const RowSequence&) = delete;
    RowSequence& operator=(const RowSequence&) = delete;

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    /// Sum of the members' weights.
    std::size_t weight() const { return m_weight; }

    /// Member at a position; null when out of range.
    RowNode* at(std::size_t index) const;
    /// Position of a member of this sequence.
    std::size_t indexOf(const RowNode* node) const;
    /// The node the members belong to, null for a flat list.
    RowNode* owner() const { return m_owner; }
    /// The owner of the sequence `node` is a member of; null when it is in none.
    static RowNode* ownerOf(const RowNode* node) { return node->m_block ? node->m_block->m_owner : nullptr; }
    /// Sum of the weights of the members before this one.
    std::size_t weightBefore(const RowNode* node) const;
    /// The member covering a weight offset; `offset` becomes the offset inside it.
    RowNode* findByWeight(std::size_t& offset) const;

    RowNode* first() const;
    RowNode* last() const;
    RowNode* next(const RowNode* node) const;
    RowNode* previous(const RowNode* node) const;
    ///@{
    /// The same, passing over members of weight 0 (rows a filter hides) a
    /// block at a time.
    RowNode* firstShown() const;
    RowNode* lastShown() const;
    RowNode* nextShown(const RowNode* node) const;
    RowNode* previousShown(const RowNode* node) const;
    ///@}

    /// Inserts before `before` (a member), or at the end when `before` is null.
    void insert(RowNode* node, RowNode* before);
    /// Takes a member out; the node itself is left alone.
    void erase(RowNode* node);
    /// Changes a member's weight and the sums that contain it.
    void setWeight(RowNode* node, std::size_t weight);
    /// Forgets every member without touching them.
    void clear();
    /// Replaces the contents, in the given order (used after sorting).
    void assign(const std::vector<RowNode*>& nodes);

    template <class F> void forEach(F f) const
    {
        for (const auto& block : m_blocks)
            for (RowNode* node : block->m_nodes)
                f(node);
    }

private:
    static constexpr std::size_t s_maxBlockSize = 512;

    enum Direction
    {
        Forward,
        Backward
    };
    /// The first member of weight above 0 from `slot` of block `blockIndex` on, in `direction`.
    RowNode* shownFrom(std::size_t blockIndex, long slot, Direction direction) const;

    /// The member's slot in its block. Inserting or erasing leaves the later
    /// members' slots as they were; a stale one is found by searching the
    /// block, a run of at most a block's size of pointers, rather than by
    /// writing to every later member on each edit.
    static std::size_t slotOf(const RowNode* node);
    void renumberBlocks(std::size_t from);
    void split(RowBlock* block);

    std::vector<std::unique_ptr<RowBlock>> m_blocks;
    RowNode* m_owner;
    std::size_t m_size = 0;
    std::size_t m_weight = 0;
};

} // namespace detail
} // namespace wxUtils
