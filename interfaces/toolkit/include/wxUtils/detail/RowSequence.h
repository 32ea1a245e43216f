#pragma once

#include <wxUtils/Export.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace wxUtils
{
namespace detail
{

struct RowBlock;

/// A member of a RowSequence: knows its block and slot so that finding its
/// position never scans the whole sequence. Its weight is the number of
/// display rows it stands for (itself plus its visible descendants).
struct DBUI_TOOLKIT_EXPORT RowNode
{
    RowBlock* m_block = nullptr;
    // Where in its block the member was last seen: a hint that the sequence
    // checks and corrects (see RowSequence::slotOf).
    mutable std::size_t m_slot = 0;
    std::size_t m_weight = 1;
    // Selection links: selected nodes form a list in the order they were selected.
    RowNode* m_selPrev = nullptr;
    RowNode* m_selNext = nullptr;
    bool m_selected = false;
};

/// One run of consecutive members with the sum of their weights.
struct DBUI_TOOLKIT_EXPORT RowBlock
{
    std::vector<RowNode*> m_nodes;
    std::size_t m_weight = 0;
    std::size_t m_index = 0;
};

/// An ordered sequence of RowNodes kept in blocks of bounded size, with the
/// weight sum of each block. Insertion, removal, position and weight look-ups
/// cost O(blocks + block size), about O(sqrt n), instead of the O(n) of a plain
/// vector with stored indices; that keeps one edit of a 300,000-row list as
/// cheap as one of a 1,000-row list. Members are not owned.
class DBUI_TOOLKIT_EXPORT RowSequence
{
public:
    RowSequence() = default;
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
    /// Sum of the weights of the members before this one.
    std::size_t weightBefore(const RowNode* node) const;
    /// The member covering a weight offset; `offset` becomes the offset inside it.
    RowNode* findByWeight(std::size_t& offset) const;

    RowNode* first() const;
    RowNode* last() const;
    RowNode* next(const RowNode* node) const;
    RowNode* previous(const RowNode* node) const;

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

    template <class F>
    void forEach(F f) const
    {
        for (const auto& block : m_blocks)
            for (RowNode* node : block->m_nodes)
                f(node);
    }

private:
    static constexpr std::size_t s_maxBlockSize = 512;

    /// The member's slot in its block. Inserting or erasing leaves the later
    /// members' slots as they were; a stale one is found by searching the
    /// block, a run of at most a block's size of pointers, rather than by
    /// writing to every later member on each edit.
    static std::size_t slotOf(const RowNode* node);
    void renumberBlocks(std::size_t from);
    void split(RowBlock* block);

    std::vector<std::unique_ptr<RowBlock>> m_blocks;
    std::size_t m_size = 0;
    std::size_t m_weight = 0;
};

} // namespace detail
} // namespace wxUtils
