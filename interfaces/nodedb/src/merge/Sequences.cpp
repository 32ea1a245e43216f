#include "merge/Sequences.h"

#include <algorithm>

namespace db::detail
{

std::vector<bool> outOfOrder(const std::vector<int>& sequence)
{
    std::vector<int> tails;
    std::vector<int> tailAt;
    std::vector<int> previous(sequence.size(), -1);
    for (std::size_t i = 0; i < sequence.size(); ++i)
    {
        const auto place = std::lower_bound(tails.begin(), tails.end(), sequence[i]) - tails.begin();
        if (place > 0)
            previous[i] = tailAt[static_cast<std::size_t>(place - 1)];
        if (static_cast<std::size_t>(place) == tails.size())
        {
            tails.push_back(sequence[i]);
            tailAt.push_back(static_cast<int>(i));
        }
        else
        {
            tails[static_cast<std::size_t>(place)] = sequence[i];
            tailAt[static_cast<std::size_t>(place)] = static_cast<int>(i);
        }
    }
    std::vector<bool> moved(sequence.size(), true);
    for (int i = tailAt.empty() ? -1 : tailAt.back(); i >= 0; i = previous[static_cast<std::size_t>(i)])
        moved[static_cast<std::size_t>(i)] = false;
    return moved;
}

bool mergeSequence(const std::vector<std::wstring>& base, const std::vector<std::wstring>& ours,
                   const std::vector<std::wstring>& theirs, std::vector<Pick>& picks)
{
    struct Change
    {
        std::size_t begin, end, insertEnd; // base [begin, end) became side [begin, insertEnd)
    };
    auto changeOf = [&base](const std::vector<std::wstring>& side)
    {
        std::size_t prefix = 0;
        while (prefix < base.size() && prefix < side.size() && base[prefix] == side[prefix])
            ++prefix;
        std::size_t suffix = 0;
        while (suffix < base.size() - prefix && suffix < side.size() - prefix &&
               base[base.size() - 1 - suffix] == side[side.size() - 1 - suffix])
            ++suffix;
        return Change{prefix, base.size() - suffix, side.size() - suffix};
    };
    const Change o = changeOf(ours);
    const Change t = changeOf(theirs);
    const long long shift = static_cast<long long>(ours.size()) - static_cast<long long>(base.size());
    auto oursRun = [&picks](std::size_t from, std::size_t to)
    {
        for (std::size_t i = from; i < to; ++i)
            picks.push_back({false, i});
    };
    auto theirsRun = [&picks](std::size_t from, std::size_t to)
    {
        for (std::size_t i = from; i < to; ++i)
            picks.push_back({true, i});
    };
    const bool sameInsertion = o.begin == o.end && t.begin == t.end && o.begin == t.begin;
    if (sameInsertion)
    {
        const std::vector<std::wstring> a(ours.begin() + static_cast<long>(o.begin),
                                          ours.begin() + static_cast<long>(o.insertEnd));
        const std::vector<std::wstring> b(theirs.begin() + static_cast<long>(t.begin),
                                          theirs.begin() + static_cast<long>(t.insertEnd));
        oursRun(0, o.begin);
        if (a == b)
            oursRun(o.begin, o.insertEnd);
        else if (a < b)
        {
            oursRun(o.begin, o.insertEnd);
            theirsRun(t.begin, t.insertEnd);
        }
        else
        {
            theirsRun(t.begin, t.insertEnd);
            oursRun(o.begin, o.insertEnd);
        }
        oursRun(o.insertEnd, ours.size());
        return true;
    }
    if (o.end <= t.begin && !(o.begin == o.end && o.begin == t.begin))
    {
        oursRun(0, static_cast<std::size_t>(static_cast<long long>(t.begin) + shift));
        theirsRun(t.begin, t.insertEnd);
        oursRun(static_cast<std::size_t>(static_cast<long long>(t.end) + shift), ours.size());
        return true;
    }
    if (t.end <= o.begin && !(t.begin == t.end && t.begin == o.begin))
    {
        oursRun(0, t.begin);
        theirsRun(t.begin, t.insertEnd);
        oursRun(t.end, ours.size());
        return true;
    }
    if (o.begin == t.begin && o.end == t.end &&
        std::equal(ours.begin() + static_cast<long>(o.begin), ours.begin() + static_cast<long>(o.insertEnd),
                   theirs.begin() + static_cast<long>(t.begin), theirs.begin() + static_cast<long>(t.insertEnd)) &&
        o.insertEnd - o.begin == t.insertEnd - t.begin)
    {
        oursRun(0, ours.size());
        return true;
    }
    return false;
}

} // namespace db::detail
