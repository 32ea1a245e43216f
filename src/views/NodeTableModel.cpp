#include "NodeTableModel.h"

#include <db/Node.h>
#include <db/NodeDef.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_set>
#include <utility>

namespace dbui
{

using detail::TableColumn;

namespace
{

using Keyed = std::pair<std::uint64_t, unsigned int>;

/// A number as an unsigned key of the same order: -0 as 0, NaN after infinity.
std::uint64_t orderedKey(double value)
{
    if (value == 0.0)
        value = 0.0;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t(1) << 63);
}

/// Sorts by key, keeping equal keys in the order given: four passes over
/// 16-bit digits, where comparing 100,000 numbers took as long as painting them.
void radixSort(std::vector<Keyed>& keys)
{
    if (keys.empty())
        return;
    std::vector<Keyed> buffer(keys.size());
    std::vector<std::size_t> starts(std::size_t(1) << 16);
    for (int shift = 0; shift < 64; shift += 16)
    {
        const auto digit = [shift](const Keyed& key)
        { return static_cast<std::size_t>((key.first >> shift) & 0xffff); };
        std::fill(starts.begin(), starts.end(), 0);
        for (const Keyed& key : keys)
            ++starts[digit(key)];
        if (starts[digit(keys.front())] == keys.size())
            continue;
        std::size_t total = 0;
        for (std::size_t& start : starts)
            total += std::exchange(start, total);
        for (const Keyed& key : keys)
            buffer[starts[digit(key)]++] = key;
        keys.swap(buffer);
    }
}

} // namespace

NodeTableModel::NodeTableModel()
{
    m_columns.emplace_back(TableColumn::Kind::Name);
    m_columns.emplace_back(TableColumn::Kind::Type);
}

// ---------------------------------------------------------------------------
// Rows
// ---------------------------------------------------------------------------

int NodeTableModel::setNodes(const std::vector<db::Node*>& nodes)
{
    const int before = GetNumberRows();
    m_nodes = nodes;
    m_types.clear();
    std::unordered_set<const db::NodeDef*> seen;
    const db::NodeDef* last = nullptr;
    for (const db::Node* node : m_nodes)
    {
        const db::NodeDef* def = &node->getNodeDef();
        if (def != last && seen.insert(def).second)
            m_types.push_back(def);
        last = def;
    }
    m_order.resize(m_nodes.size());
    std::iota(m_order.begin(), m_order.end(), 0u);
    m_rowOf = m_order;
    m_byAddress.clear();
    m_indexed = false;
    m_sortColumn = -1;
    return before;
}

const db::NodeDef* NodeTableModel::sharedType() const
{
    const db::NodeDef* shared = m_types.empty() ? nullptr : m_types.front();
    for (const db::NodeDef* type : m_types)
        while (shared && !type->isKindOf(shared))
            shared = shared->getBaseDef();
    return shared;
}

void NodeTableModel::buildIndex() const
{
    if (m_indexed)
        return;
    // Built at the first change set rather than when fed: showing 100,000
    // rows need not wait for it, and a table that is only looked at never pays.
    m_byAddress.resize(m_nodes.size());
    for (unsigned int i = 0; i < m_nodes.size(); ++i)
        m_byAddress[i] = {m_nodes[i], i};
    std::sort(m_byAddress.begin(), m_byAddress.end());
    m_indexed = true;
}

int NodeTableModel::fedIndexOf(const db::Node* node) const
{
    buildIndex();
    const auto at = std::lower_bound(m_byAddress.begin(), m_byAddress.end(), std::make_pair(node, 0u));
    return at != m_byAddress.end() && at->first == node ? static_cast<int>(at->second) : -1;
}

int NodeTableModel::rowOf(const db::Node* node) const
{
    const int index = fedIndexOf(node);
    if (index < 0 || m_rowOf[static_cast<std::size_t>(index)] == s_noRow)
        return -1;
    return static_cast<int>(m_rowOf[static_cast<std::size_t>(index)]);
}

void NodeTableModel::renumberRows()
{
    std::fill(m_rowOf.begin(), m_rowOf.end(), s_noRow);
    for (unsigned int row = 0; row < m_order.size(); ++row)
        m_rowOf[m_order[row]] = row;
}

std::vector<int> NodeTableModel::hideNodes(const std::vector<db::Node*>& nodes)
{
    std::vector<int> rows;
    for (const db::Node* node : nodes)
        if (const int row = rowOf(node); row >= 0)
            rows.push_back(row);
    if (rows.empty())
        return rows;
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows)
        m_rowOf[m_order[static_cast<std::size_t>(row)]] = s_noRow;
    m_order.erase(std::remove_if(m_order.begin(), m_order.end(),
                                 [this](unsigned int index) { return m_rowOf[index] == s_noRow; }),
                  m_order.end());
    renumberRows();
    return rows;
}

void NodeTableModel::forgetHiddenNodes()
{
    std::vector<unsigned int> kept(m_nodes.size(), s_noRow);
    std::vector<db::Node*> nodes;
    for (unsigned int index = 0; index < m_nodes.size(); ++index)
        if (m_rowOf[index] != s_noRow)
        {
            kept[index] = static_cast<unsigned int>(nodes.size());
            nodes.push_back(m_nodes[index]);
        }
    if (nodes.size() == m_nodes.size())
        return;
    m_nodes = std::move(nodes);
    for (unsigned int& index : m_order)
        index = kept[index];
    m_rowOf.resize(m_nodes.size());
    renumberRows();
    m_byAddress.clear();
    m_indexed = false;
}

std::size_t NodeTableModel::showNodes(const std::vector<db::Node*>& nodes)
{
    std::size_t shown = 0;
    for (const db::Node* node : nodes)
    {
        const int index = fedIndexOf(node);
        if (index < 0 || m_rowOf[static_cast<std::size_t>(index)] != s_noRow)
            continue;
        insertRow(static_cast<unsigned int>(index));
        ++shown;
    }
    if (shown > 0)
        renumberRows();
    return shown;
}

bool NodeTableModel::rowsBefore(unsigned int a, unsigned int b) const
{
    if (m_sortColumn < 0)
        return a < b;
    const TableColumn& by = column(m_sortColumn);
    db::Node& first = *m_nodes[m_ascending ? a : b];
    db::Node& second = *m_nodes[m_ascending ? b : a];
    if (by.isNumeric())
    {
        const std::uint64_t x = orderedKey(by.number(first));
        const std::uint64_t y = orderedKey(by.number(second));
        if (x != y)
            return x < y;
    }
    else if (int order = by.shownText(first).compare(by.shownText(second)); order != 0)
        return order < 0;
    return a < b;
}

void NodeTableModel::insertRow(unsigned int index)
{
    // A node brought back by an undo goes where the order in force puts it.
    m_rowOf[index] = 0;
    const auto at = std::lower_bound(m_order.begin(), m_order.end(), index,
                                     [this](unsigned int a, unsigned int b) { return rowsBefore(a, b); });
    m_order.insert(at, index);
}

void NodeTableModel::sortBy(int col, bool ascending)
{
    m_sortColumn = col;
    m_ascending = ascending;
    const TableColumn& by = column(col);
    // Each value is read once, not at every comparison, and in the order fed,
    // which ties keep and in which the nodes mostly lie in memory.
    if (by.isNumeric())
    {
        std::vector<Keyed> keys;
        keys.reserve(m_order.size());
        for (unsigned int index = 0; index < m_nodes.size(); ++index)
            if (m_rowOf[index] != s_noRow)
            {
                const std::uint64_t key = orderedKey(by.number(*m_nodes[index]));
                keys.emplace_back(ascending ? key : ~key, index);
            }
        radixSort(keys);
        for (std::size_t row = 0; row < keys.size(); ++row)
            m_order[row] = keys[row].second;
    }
    else
    {
        std::vector<std::pair<std::wstring, unsigned int>> keys;
        keys.reserve(m_order.size());
        for (unsigned int index = 0; index < m_nodes.size(); ++index)
            if (m_rowOf[index] != s_noRow)
                keys.emplace_back(by.shownText(*m_nodes[index]), index);
        const auto before = [ascending](const auto& a, const auto& b)
        {
            if (const int order = a.first.compare(b.first); order != 0)
                return ascending ? order < 0 : order > 0;
            return a.second < b.second;
        };
        std::sort(keys.begin(), keys.end(), before);
        for (std::size_t row = 0; row < keys.size(); ++row)
            m_order[row] = keys[row].second;
    }
    renumberRows();
}

// ---------------------------------------------------------------------------
// Columns
// ---------------------------------------------------------------------------

std::vector<std::wstring> NodeTableModel::sharedPaths() const
{
    const std::vector<const db::NodeDef*>& types = m_types;
    if (types.empty())
        return {};
    std::vector<std::wstring> paths = TableColumn::pathsOf(*types.front());
    paths.erase(std::remove_if(paths.begin(), paths.end(),
                               [&types](const std::wstring& path)
                               {
                                   const db::AttributeType type = TableColumn(path, *types.front()).type();
                                   return std::any_of(types.begin() + 1, types.end(),
                                                      [&](const db::NodeDef* def)
                                                      { return !TableColumn::isSharedBy(path, type, *def); });
                               }),
                paths.end());
    return paths;
}

void NodeTableModel::setColumns(const std::vector<std::wstring>& paths)
{
    m_columns.erase(m_columns.begin() + s_fixedColumns, m_columns.end());
    const std::vector<std::wstring> shared = sharedPaths();
    if (shared.empty())
        return;
    // A type, not the first node: that one may be gone from the database.
    const db::NodeDef& first = *m_types.front();
    for (const std::wstring& path : paths)
        if (std::find(shared.begin(), shared.end(), path) != shared.end())
            m_columns.emplace_back(path, first);
    // The rows keep their order; what it was sorted by may have gone or moved.
    m_sortColumn = -1;
}

wxString NodeTableModel::GetValue(int row, int col)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_order.size() || col < 0 ||
        static_cast<std::size_t>(col) >= m_columns.size())
        return wxString();
    return wxString(column(col).shownText(nodeAt(row)));
}

} // namespace dbui
