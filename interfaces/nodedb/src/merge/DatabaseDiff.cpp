#include <db/DatabaseDiff.h>

#include "merge/Sequences.h"
#include "merge/TreeIndex.h"
#include "merge/Values.h"

#include <db/Database.h>
#include <db/NodeContainer.h>
#include <db/NodeDef.h>

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace db
{

namespace
{

using detail::Identity;
using detail::Match;
using detail::outOfOrder;
using detail::TreeIndex;

const wchar_t* s_arrow = L" \u2192 ";

std::wstring nodePath(const Node& node)
{
    std::wstring path;
    node.toDatabasePath(path);
    return path;
}

class Differ
{
public:
    Differ(const Database& older, const Database& newer)
        : m_old(older), m_new(newer), m_match(detail::matchTrees(m_old, m_new, detail::TypeRule::AnyType)),
          m_oldIds(m_old, nullptr, 0), m_newIds(m_new, &m_match, 1)
    {
    }

    std::vector<DatabaseDiff::Entry> run()
    {
        std::wstring root = L"/";
        auto rootPath = [&root]() -> const std::wstring& { return root; };
        compareMembers(0, *m_old.nodes[0], *m_new.nodes[0], rootPath);
        for (std::size_t n = 1; n < m_new.size(); ++n)
            visitNew(static_cast<int>(n));
        for (std::size_t o = 1; o < m_old.size(); ++o)
            visitOld(static_cast<int>(o));
        for (std::size_t n = 0; n < m_new.size(); ++n)
            if (m_match.toBase[n] >= 0)
                findReordered(static_cast<int>(n));
        std::stable_sort(m_found.begin(), m_found.end(), [](const Found& a, const Found& b) { return a.key < b.key; });
        std::vector<DatabaseDiff::Entry> entries;
        entries.reserve(m_found.size());
        for (Found& found : m_found)
            entries.push_back(std::move(found.entry));
        return entries;
    }

private:
    struct Found
    {
        std::tuple<int, int, int> key;
        DatabaseDiff::Entry entry;
    };

    void add(int newIndex, int sub, DatabaseDiff::Kind kind, std::wstring path, std::wstring detail)
    {
        const int rank = m_new.preorder[static_cast<std::size_t>(newIndex)];
        m_found.push_back({{rank, sub, static_cast<int>(m_found.size())}, {kind, std::move(path), std::move(detail)}});
    }

    void visitNew(int n)
    {
        const Node& node = *m_new.nodes[static_cast<std::size_t>(n)];
        const int o = m_match.toBase[static_cast<std::size_t>(n)];
        const int parent = m_new.parent[static_cast<std::size_t>(n)];
        if (o < 0)
        {
            if (m_match.toBase[static_cast<std::size_t>(parent)] >= 0)
                add(n, 0, DatabaseDiff::Kind::Added, nodePath(node), L"(" + node.getClassID() + L")");
            return;
        }
        const Node& was = *m_old.nodes[static_cast<std::size_t>(o)];
        // Paths cost a walk over siblings: made only for nodes with something to report.
        std::wstring path;
        auto pathOf = [&]() -> const std::wstring&
        {
            if (path.empty())
                path = nodePath(node);
            return path;
        };
        if (was.getTypeId() != node.getTypeId())
            add(n, 0, DatabaseDiff::Kind::Retyped, pathOf(), was.getClassID() + s_arrow + node.getClassID());
        if (was.getName() != node.getName())
            add(n, 0, DatabaseDiff::Kind::Renamed, pathOf(), L"from \"" + was.getName() + L"\"");
        const int oldParent = m_old.parent[static_cast<std::size_t>(o)];
        if (m_match.toBase[static_cast<std::size_t>(parent)] != oldParent)
            add(n, 0, DatabaseDiff::Kind::Moved, pathOf(),
                L"from " + nodePath(*m_old.nodes[static_cast<std::size_t>(oldParent)]));
        else if (m_old.container[static_cast<std::size_t>(o)]->getName() !=
                 m_new.container[static_cast<std::size_t>(n)]->getName())
            add(n, 0, DatabaseDiff::Kind::Moved, pathOf(),
                L"from container " + m_old.container[static_cast<std::size_t>(o)]->getName());
        compareMembers(n, was, node, pathOf);
    }

    void visitOld(int o)
    {
        if (m_match.toSide[static_cast<std::size_t>(o)] >= 0)
            return;
        // Below the nearest node that is still there, after that node's own lines.
        int anchor = m_old.parent[static_cast<std::size_t>(o)];
        if (m_match.toSide[static_cast<std::size_t>(anchor)] < 0)
            return;
        const Node& node = *m_old.nodes[static_cast<std::size_t>(o)];
        add(m_match.toSide[static_cast<std::size_t>(anchor)], 1, DatabaseDiff::Kind::Removed, nodePath(node),
            L"(" + node.getClassID() + L")");
    }

    void findReordered(int n)
    {
        const int first = m_new.firstChild[static_cast<std::size_t>(n)];
        const int count = m_new.childCount[static_cast<std::size_t>(n)];
        const int o = m_match.toBase[static_cast<std::size_t>(n)];
        std::vector<int> oldPlaces;
        std::vector<int> who;
        for (int c = first; c < first + count; ++c)
        {
            const int was = m_match.toBase[static_cast<std::size_t>(c)];
            if (was >= 0 && m_old.parent[static_cast<std::size_t>(was)] == o)
            {
                oldPlaces.push_back(was);
                who.push_back(c);
            }
        }
        const std::vector<bool> moved = outOfOrder(oldPlaces);
        for (std::size_t i = 0; i < moved.size(); ++i)
            if (moved[i])
                add(who[i], 0, DatabaseDiff::Kind::Reordered, nodePath(*m_new.nodes[static_cast<std::size_t>(who[i])]),
                    L"to place " + std::to_wstring(who[i] - first));
    }

    template <class Path> void compareMembers(int n, const Node& was, const Node& node, Path& pathOf)
    {
        const bool sameType = was.getTypeId() == node.getTypeId();
        for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
        {
            const Attribute& now = *node.getAttribute(i);
            if (now.isNodeContainer())
                continue;
            const Attribute* before =
                sameType && !now.isDynamic() ? was.getAttribute(i) : was.findAttribute(now.getName());
            if (!before || before->getAttributeType() != now.getAttributeType())
                add(n, 0, DatabaseDiff::Kind::Changed, pathOf() + L"." + now.getName(),
                    L"added = " + detail::valueText(now));
            else if (!detail::sameValue(*before, m_oldIds, now, m_newIds))
                compareValue(n, *before, now, pathOf() + L"." + now.getName());
        }
        for (unsigned int i = sameType ? node.getNodeDef().getAttributeDefCount() : 0; i < was.getAttributeCount(); ++i)
        {
            const Attribute& before = *was.getAttribute(i);
            const Attribute* now = node.findAttribute(before.getName());
            if (!before.isNodeContainer() && (!now || now->getAttributeType() != before.getAttributeType()))
                add(n, 0, DatabaseDiff::Kind::Changed, pathOf() + L"." + before.getName(), L"removed");
        }
    }

    void compareValue(int n, const Attribute& before, const Attribute& now, const std::wstring& path)
    {
        if (detail::sameValue(before, m_oldIds, now, m_newIds))
            return;
        const AttributeType type = now.getAttributeType();
        if (type == Compound)
        {
            const CompositeAttribute& a = *before.asCompositeAttribute();
            const CompositeAttribute& b = *now.asCompositeAttribute();
            for (unsigned int i = 0; i < b.getAttributeCount(); ++i)
                compareValue(n, *a.getAttribute(i), *b.getAttribute(i), path + L"." + b.getAttribute(i)->getName());
            return;
        }
        if (type == AttributeArrayType && before.getSize() == now.getSize())
        {
            const CompositeAttribute& a = *before.asCompositeAttribute();
            const CompositeAttribute& b = *now.asCompositeAttribute();
            for (unsigned int i = 0; i < b.getAttributeCount(); ++i)
                compareValue(n, *a.getAttribute(i), *b.getAttribute(i), path + L"[" + std::to_wstring(i) + L"]");
            return;
        }
        if (isArrayType(type) || type == AttributeArrayType)
        {
            compareElements(n, before, now, path);
            return;
        }
        add(n, 0, DatabaseDiff::Kind::Changed, path, detail::valueText(before) + s_arrow + detail::valueText(now));
    }

    /// Arrays by element: what the common start and end leave between them
    /// changed place by place, then inserted or removed.
    void compareElements(int n, const Attribute& before, const Attribute& now, const std::wstring& path)
    {
        const std::vector<std::wstring> a = detail::elementTexts(before, &m_oldIds);
        const std::vector<std::wstring> b = detail::elementTexts(now, &m_newIds);
        std::size_t prefix = 0;
        while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
            ++prefix;
        std::size_t suffix = 0;
        while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
               a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
            ++suffix;
        const std::vector<std::wstring> shownA =
            before.getAttributeType() == PointerArray ? detail::elementTexts(before) : a;
        const std::vector<std::wstring> shownB = now.getAttributeType() == PointerArray ? detail::elementTexts(now) : b;
        auto at = [&](std::size_t i) { return path + L"[" + std::to_wstring(i) + L"]"; };
        // Runs between elements the two share: paired up as changes, the rest inserted or removed.
        auto gap = [&](std::size_t fromA, std::size_t toA, std::size_t fromB, std::size_t toB)
        {
            const std::size_t paired = std::min(toA - fromA, toB - fromB);
            for (std::size_t i = 0; i < paired; ++i)
                add(n, 0, DatabaseDiff::Kind::Changed, at(fromB + i), shownA[fromA + i] + s_arrow + shownB[fromB + i]);
            for (std::size_t i = fromB + paired; i < toB; ++i)
                add(n, 0, DatabaseDiff::Kind::Changed, at(i), L"inserted " + shownB[i]);
            for (std::size_t i = fromA + paired; i < toA; ++i)
                add(n, 0, DatabaseDiff::Kind::Changed, at(i), L"removed " + shownA[i]);
        };
        const std::size_t endA = a.size() - suffix;
        const std::size_t endB = b.size() - suffix;
        const std::size_t midA = endA - prefix;
        const std::size_t midB = endB - prefix;
        if (midA * midB > s_maxAligned)
        {
            gap(prefix, endA, prefix, endB);
            return;
        }
        // Longest common subsequence of the middles, table from the end.
        std::vector<std::uint32_t> table((midA + 1) * (midB + 1), 0);
        auto cell = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return table[i * (midB + 1) + j]; };
        for (std::size_t i = midA; i-- > 0;)
            for (std::size_t j = midB; j-- > 0;)
                cell(i, j) =
                    a[prefix + i] == b[prefix + j] ? cell(i + 1, j + 1) + 1 : std::max(cell(i + 1, j), cell(i, j + 1));
        std::size_t i = 0;
        std::size_t j = 0;
        std::size_t runA = 0;
        std::size_t runB = 0;
        while (i < midA || j < midB)
        {
            if (i < midA && j < midB && a[prefix + i] == b[prefix + j])
            {
                gap(prefix + runA, prefix + i, prefix + runB, prefix + j);
                runA = ++i;
                runB = ++j;
            }
            else if (j < midB && (i == midA || cell(i, j + 1) >= cell(i + 1, j)))
                ++j;
            else
                ++i;
        }
        gap(prefix + runA, endA, prefix + runB, endB);
    }

    /// Elements of two array versions aligned one by one at most; longer arrays
    /// that changed in the middle are compared place by place.
    static constexpr std::size_t s_maxAligned = std::size_t(1) << 22;

    TreeIndex m_old;
    TreeIndex m_new;
    Match m_match;
    Identity m_oldIds;
    Identity m_newIds;
    std::vector<Found> m_found;
};

} // namespace

void DatabaseDiff::compare(const Database& older, const Database& newer)
{
    m_entries = Differ(older, newer).run();
}

std::size_t DatabaseDiff::count(Kind kind) const
{
    return static_cast<std::size_t>(
        std::count_if(m_entries.begin(), m_entries.end(), [kind](const Entry& entry) { return entry.kind == kind; }));
}

std::wstring DatabaseDiff::getStat() const
{
    const std::pair<Kind, const wchar_t*> kinds[] = {
        {Kind::Added, L"added"},
        {Kind::Removed, L"removed"},
        {Kind::Renamed, L"renamed"},
        {Kind::Moved, L"moved"},
        {Kind::Reordered, L"reordered"},
        {Kind::Retyped, L"retyped"},
        {Kind::Changed, L"values changed"},
    };
    std::wstring line;
    for (const auto& [kind, name] : kinds)
        line += (line.empty() ? L"" : L", ") + std::to_wstring(count(kind)) + L" " + name;
    return line;
}

std::wstring DatabaseDiff::format(const Entry& entry)
{
    switch (entry.kind)
    {
    case Kind::Added:
        return L"+ " + entry.path + L" " + entry.detail;
    case Kind::Removed:
        return L"- " + entry.path + L" " + entry.detail;
    case Kind::Renamed:
        return L"R " + entry.path + L": renamed " + entry.detail;
    case Kind::Moved:
        return L"M " + entry.path + L": moved " + entry.detail;
    case Kind::Reordered:
        return L"M " + entry.path + L": reordered " + entry.detail;
    case Kind::Retyped:
        return L"T " + entry.path + L": retyped " + entry.detail;
    case Kind::Changed:
        break;
    }
    return L"~ " + entry.path + L": " + entry.detail;
}

} // namespace db
