#include <wxUtils/detail/RowSequence.h>

#include <wx/debug.h>

#include <algorithm>

namespace wxUtils
{
namespace detail
{

RowNode* RowSequence::at(std::size_t index) const
{
    if (index >= m_size)
        return nullptr;
    for (const auto& block : m_blocks)
    {
        if (index < block->m_nodes.size())
            return block->m_nodes[index];
        index -= block->m_nodes.size();
    }
    return nullptr;
}

std::size_t RowSequence::indexOf(const RowNode* node) const
{
    wxASSERT_MSG(node->m_block && node->m_block->m_index < m_blocks.size() &&
                     m_blocks[node->m_block->m_index].get() == node->m_block,
                 "asked for the position of a node that is not in this sequence");
    std::size_t index = slotOf(node);
    for (std::size_t b = 0; b < node->m_block->m_index; ++b)
        index += m_blocks[b]->m_nodes.size();
    return index;
}

std::size_t RowSequence::weightBefore(const RowNode* node) const
{
    const RowBlock* block = node->m_block;
    std::size_t sum = 0;
    for (std::size_t b = 0; b < block->m_index; ++b)
        sum += m_blocks[b]->m_weight;
    const std::size_t slot = slotOf(node);
    for (std::size_t s = 0; s < slot; ++s)
        sum += block->m_nodes[s]->m_weight;
    return sum;
}

RowNode* RowSequence::findByWeight(std::size_t& offset) const
{
    if (offset >= m_weight)
        return nullptr;
    for (const auto& block : m_blocks)
    {
        if (offset >= block->m_weight)
        {
            offset -= block->m_weight;
            continue;
        }
        for (RowNode* node : block->m_nodes)
        {
            if (offset < node->m_weight)
                return node;
            offset -= node->m_weight;
        }
    }
    return nullptr;
}

RowNode* RowSequence::first() const
{
    return m_blocks.empty() ? nullptr : m_blocks.front()->m_nodes.front();
}

RowNode* RowSequence::last() const
{
    return m_blocks.empty() ? nullptr : m_blocks.back()->m_nodes.back();
}

RowNode* RowSequence::next(const RowNode* node) const
{
    const RowBlock* block = node->m_block;
    const std::size_t slot = slotOf(node);
    if (slot + 1 < block->m_nodes.size())
        return block->m_nodes[slot + 1];
    if (block->m_index + 1 < m_blocks.size())
        return m_blocks[block->m_index + 1]->m_nodes.front();
    return nullptr;
}

RowNode* RowSequence::previous(const RowNode* node) const
{
    const RowBlock* block = node->m_block;
    const std::size_t slot = slotOf(node);
    if (slot > 0)
        return block->m_nodes[slot - 1];
    if (block->m_index > 0)
        return m_blocks[block->m_index - 1]->m_nodes.back();
    return nullptr;
}

RowNode* RowSequence::firstShown() const
{
    return m_blocks.empty() ? nullptr : shownFrom(0, 0, Forward);
}

RowNode* RowSequence::lastShown() const
{
    if (m_blocks.empty())
        return nullptr;
    return shownFrom(m_blocks.size() - 1, static_cast<long>(m_blocks.back()->m_nodes.size()) - 1, Backward);
}

RowNode* RowSequence::nextShown(const RowNode* node) const
{
    return shownFrom(node->m_block->m_index, static_cast<long>(slotOf(node)) + 1, Forward);
}

RowNode* RowSequence::previousShown(const RowNode* node) const
{
    return shownFrom(node->m_block->m_index, static_cast<long>(slotOf(node)) - 1, Backward);
}

RowNode* RowSequence::shownFrom(std::size_t blockIndex, long slot, Direction direction) const
{
    // Blocks that weigh nothing hold only hidden members: skipped whole.
    const long step = direction == Forward ? 1 : -1;
    for (long b = static_cast<long>(blockIndex); b >= 0 && b < static_cast<long>(m_blocks.size()); b += step)
    {
        const RowBlock& block = *m_blocks[static_cast<std::size_t>(b)];
        const long size = static_cast<long>(block.m_nodes.size());
        if (b != static_cast<long>(blockIndex))
            slot = direction == Forward ? 0 : size - 1;
        if (block.m_weight == 0)
            continue;
        for (; slot >= 0 && slot < size; slot += step)
            if (block.m_nodes[static_cast<std::size_t>(slot)]->m_weight > 0)
                return block.m_nodes[static_cast<std::size_t>(slot)];
    }
    return nullptr;
}

void RowSequence::insert(RowNode* node, RowNode* before)
{
    RowBlock* block = nullptr;
    std::size_t slot = 0;
    if (before)
    {
        block = before->m_block;
        slot = slotOf(before);
    }
    else
    {
        if (m_blocks.empty() || m_blocks.back()->m_nodes.size() >= s_maxBlockSize)
        {
            m_blocks.push_back(std::make_unique<RowBlock>());
            m_blocks.back()->m_index = m_blocks.size() - 1;
            m_blocks.back()->m_owner = m_owner;
        }
        block = m_blocks.back().get();
        slot = block->m_nodes.size();
    }
    block->m_nodes.insert(block->m_nodes.begin() + static_cast<std::ptrdiff_t>(slot), node);
    node->m_block = block;
    node->m_slot = static_cast<std::uint16_t>(slot);
    block->m_weight += node->m_weight;
    m_weight += node->m_weight;
    ++m_size;
    if (block->m_nodes.size() > s_maxBlockSize)
        split(block);
}

void RowSequence::erase(RowNode* node)
{
    RowBlock* block = node->m_block;
    wxASSERT_MSG(block && block->m_index < m_blocks.size() && m_blocks[block->m_index].get() == block,
                 "erasing a node that is not in this sequence");
    block->m_nodes.erase(block->m_nodes.begin() + static_cast<std::ptrdiff_t>(slotOf(node)));
    block->m_weight -= node->m_weight;
    m_weight -= node->m_weight;
    --m_size;
    node->m_block = nullptr;
    node->m_slot = 0;
    if (block->m_nodes.empty())
    {
        const std::size_t index = block->m_index;
        m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(index));
        renumberBlocks(index);
    }
}

void RowSequence::setWeight(RowNode* node, std::size_t weight)
{
    wxASSERT_MSG(weight <= UINT32_MAX, "a row sequence shows at most 2^32 rows");
    if (node->m_block)
    {
        node->m_block->m_weight = node->m_block->m_weight - node->m_weight + weight;
        m_weight = m_weight - node->m_weight + weight;
    }
    node->m_weight = static_cast<std::uint32_t>(weight);
}

void RowSequence::clear()
{
    m_blocks.clear();
    m_size = 0;
    m_weight = 0;
}

void RowSequence::assign(const std::vector<RowNode*>& nodes)
{
    clear();
    for (RowNode* node : nodes)
        insert(node, nullptr);
}

std::size_t RowSequence::slotOf(const RowNode* node)
{
    const std::vector<RowNode*>& nodes = node->m_block->m_nodes;
    const std::size_t size = nodes.size();
    const std::size_t guess = std::min<std::size_t>(node->m_slot, size - 1);
    // Each edit of the block since the slot was right moved the member by at
    // most one: usually it is near its old slot.
    constexpr std::size_t nearby = 8;
    for (std::size_t distance = 0; distance < nearby; ++distance)
    {
        if (guess >= distance && nodes[guess - distance] == node)
            return node->m_slot = static_cast<std::uint16_t>(guess - distance);
        if (guess + distance < size && nodes[guess + distance] == node)
            return node->m_slot = static_cast<std::uint16_t>(guess + distance);
    }
    // Far off after a run of edits before it (removing a thousand selected
    // siblings front to back): a straight scan of the block is quickest.
    const auto found = std::find(nodes.begin(), nodes.end(), node);
    if (found == nodes.end())
    {
        wxFAIL_MSG("a row is missing from its block");
        return 0;
    }
    return node->m_slot = static_cast<std::uint16_t>(found - nodes.begin());
}

void RowSequence::renumberBlocks(std::size_t from)
{
    for (std::size_t b = from; b < m_blocks.size(); ++b)
        m_blocks[b]->m_index = b;
}

void RowSequence::split(RowBlock* block)
{
    auto tail = std::make_unique<RowBlock>();
    tail->m_owner = m_owner;
    const std::size_t half = block->m_nodes.size() / 2;
    tail->m_nodes.assign(block->m_nodes.begin() + static_cast<std::ptrdiff_t>(half), block->m_nodes.end());
    block->m_nodes.resize(half);
    for (std::size_t s = 0; s < tail->m_nodes.size(); ++s)
    {
        RowNode* node = tail->m_nodes[s];
        node->m_block = tail.get();
        node->m_slot = static_cast<std::uint16_t>(s);
        tail->m_weight += node->m_weight;
    }
    block->m_weight -= tail->m_weight;
    const std::size_t index = block->m_index + 1;
    m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(index), std::move(tail));
    renumberBlocks(index);
}

} // namespace detail
} // namespace wxUtils
