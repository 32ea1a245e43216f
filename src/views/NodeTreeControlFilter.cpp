// The node tree's filter: which nodes a text finds, by name, type or path.

#include <dbui/NodeTreeControl.h>

#include "NodeFilterHistory.h"
#include "NodeItemMap.h"

#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <db/TypeRegistry.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

namespace dbui
{

wxDEFINE_EVENT(EVT_NODE_FILTER_CHANGED, wxCommandEvent);

namespace
{

const wxString s_typePrefix = "type:";

wchar_t folded(wchar_t c)
{
    // Names are mostly ASCII: towlower's locale look-up would be most of a keystroke's filtering time.
    if (c < 128)
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

std::wstring foldedText(const wxString& text)
{
    std::wstring result = text.ToStdWstring();
    std::transform(result.begin(), result.end(), result.begin(), folded);
    return result;
}

bool holdsFolded(const std::wstring& text, const std::wstring& part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](wchar_t a, wchar_t b) { return folded(a) == b; }) != text.end();
}

bool beginsFolded(const std::wstring& text, const std::wstring& part)
{
    return text.size() >= part.size() &&
           std::equal(part.begin(), part.end(), text.begin(), [](wchar_t a, wchar_t b) { return a == folded(b); });
}

bool isNameQuery(const wxString& text)
{
    return !text.empty() && !text.StartsWith("/") && !text.Lower().StartsWith(s_typePrefix);
}

/// What a filter text finds: a name part, a type and its subtypes, or the start of a path.
class NodeMatcher
{
public:
    NodeMatcher(const wxString& text, const db::Database* database)
    {
        if (text.StartsWith("/"))
        {
            m_kind = Path;
            m_text = foldedText(text);
            m_steps = separatorsIn(m_text);
        }
        else if (text.Lower().StartsWith(s_typePrefix))
        {
            m_kind = Type;
            const std::wstring name = foldedText(text.Mid(s_typePrefix.size()).Strip(wxString::both));
            // Type names are matched ignoring case, as names are: look the type up by walking the registry's names.
            if (database)
                for (const db::NodeDef* def : database->getTypeRegistry().getNodeDefs())
                    if (foldedText(wxString(def->getName())) == name)
                        m_type = def;
        }
        else
            m_text = foldedText(text);
    }

    bool operator()(const db::Node& node) const
    {
        switch (m_kind)
        {
        case Name:
            return holdsFolded(node.getName(), m_text);
        case Type:
            return m_type && node.getNodeDef().isKindOf(m_type);
        case Path:
            return pathMatches(node);
        }
        return false;
    }

private:
    enum Kind
    {
        Name,
        Type,
        Path
    };

    /// The unescaped slashes of a path: one a step down from the database.
    static std::size_t separatorsIn(const std::wstring& path)
    {
        std::size_t count = 0;
        for (std::size_t i = 0; i < path.size(); ++i)
        {
            if (path[i] == L'\\')
                ++i;
            else if (path[i] == L'/')
                ++count;
        }
        return count;
    }

    /// The slashes of the node's path, found without writing it: "/" for the database, one a level below it.
    static std::size_t stepsOf(const db::Node& node)
    {
        std::size_t steps = 0;
        for (const db::Node* above = node.getParentNode(); above; above = above->getParentNode())
            ++steps;
        return std::max<std::size_t>(steps, 1);
    }

    bool pathMatches(const db::Node& node) const
    {
        // The rest of a matching path holds no slash, so the text holds them all:
        // nodes at other depths are passed over without writing their paths,
        // each of which costs a walk over the siblings of every step.
        if (stepsOf(node) != m_steps)
            return false;
        node.toDatabasePath(m_path);
        // Found up to the last step: the rest of the path is within the node's own name.
        return beginsFolded(m_path, m_text) && m_path.find(L'/', m_text.size()) == std::wstring::npos;
    }

    Kind m_kind = Name;
    std::wstring m_text;
    const db::NodeDef* m_type = nullptr;
    std::size_t m_steps = 0;
    // Kept from node to node: a path filter over a big tree should not allocate per node.
    mutable std::wstring m_path;
};

/// How the filter pass of a new text decides, for that pass only.
struct TypedTextPass
{
    /// What the text found when it was typed earlier in this run.
    const NodeFilterHistory::NodeSet* known = nullptr;
    /// Only the items the previous text found can match.
    bool narrowing = false;
    /// Where the matches go, to be known when the user comes back to this text.
    NodeFilterHistory::NodeSet* found = nullptr;
};

/// The nodes one of two sets of found nodes holds and the other does not.
std::vector<const db::Node*> foundByOneOnly(const NodeFilterHistory::NodeSet& one,
                                            const NodeFilterHistory::NodeSet& other)
{
    std::vector<const db::Node*> nodes;
    auto addOnlyIn = [&nodes](const NodeFilterHistory::NodeSet& set, const NodeFilterHistory::NodeSet& without)
    {
        for (const db::Node* node : set)
            if (!without.contains(node))
                nodes.push_back(node);
    };
    addOnlyIn(one, other);
    addOnlyIn(other, one);
    return nodes;
}

} // namespace

std::size_t NodeTreeControl::setFilterText(const wxString& text)
{
    const wxString previous = m_filterText;
    m_filterText = text;
    if (text.empty())
    {
        m_filterHistory->clear();
        ClearFilter();
    }
    else
    {
        const bool nameQuery = isNameQuery(text);
        const std::wstring folded = foldedText(text);
        auto pass = std::make_shared<TypedTextPass>();
        if (nameQuery)
            pass->known = m_filterHistory->find(folded);
        // Going back to a known text from another known one (a backspace)
        // touches only the items of the nodes one of the two found and the
        // other did not. (Typing on reads the shown items in the tree's order
        // instead: their nodes come in the order they lie in memory, quicker
        // than looking up the item of each node.)
        const NodeFilterHistory::NodeSet* shown = pass->known && IsFiltered() && isNameQuery(previous)
                                                      ? m_filterHistory->find(foldedText(previous))
                                                      : nullptr;
        // A name that holds the new text holds the old one it contains: typing
        // on needs to read only the nodes found so far, while the items tell
        // what the old text found (their verdicts change after the new test).
        pass->narrowing = !pass->known && IsFiltered() && nameQuery && isNameQuery(previous) &&
                          text.Lower().Contains(previous.Lower());
        if (nameQuery && !pass->known)
            pass->found = &m_filterHistory->record(folded);
        auto test = [this, pass, matcher = NodeMatcher(text, m_database)](const wxUtils::TreeItem& item)
        {
            const db::Node* node = m_database ? getNodeOfItem(&item) : nullptr;
            if (!node)
                return false;
            if (pass->known)
                return pass->known->contains(node);
            if (pass->narrowing && !IsFilterMatch(&item))
                return false;
            const bool matches = matcher(*node);
            if (matches && pass->found)
                pass->found->insert(node);
            return matches;
        };
        if (shown)
            SetFilter(std::move(test), m_nodeItemMap->getItems(foundByOneOnly(*pass->known, *shown)));
        else
            SetFilter(std::move(test), pass->narrowing ? WithinMatches : AnyItem);
        // Later tests (nodes added or renamed) read the node itself; the history follows them on its own.
        *pass = TypedTextPass{};
        // Only now: the shown text's set served the pass.
        m_filterHistory->keepTextsWithin(folded);
    }
    // A new text is news even when the count stays.
    m_filterMatchesSent = GetFilterMatchCount() + 1;
    sendFilterChanged();
    return GetFilterMatchCount();
}

void NodeTreeControl::refilterNode(const db::Node* node)
{
    if (!IsFiltered())
        return;
    if (wxUtils::TreeItem* item = getItemOfNode(node))
        RefilterItem(item);
}

void NodeTreeControl::sendFilterChanged()
{
    if (m_filterMatchesSent == GetFilterMatchCount())
        return;
    m_filterMatchesSent = GetFilterMatchCount();
    wxCommandEvent event(EVT_NODE_FILTER_CHANGED, GetId());
    event.SetEventObject(this);
    event.SetInt(static_cast<int>(m_filterMatchesSent));
    event.SetString(m_filterText);
    ProcessWindowEvent(event);
}

// ---------------------------------------------------------------------------
// What the texts of a run of typing found
// ---------------------------------------------------------------------------

void NodeFilterHistory::keepTextsWithin(const std::wstring& folded)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [&folded](const Entry& entry)
                                   { return folded.find(entry.folded) == std::wstring::npos; }),
                    m_entries.end());
}

const NodeFilterHistory::NodeSet* NodeFilterHistory::find(const std::wstring& folded) const
{
    for (const Entry& entry : m_entries)
        if (entry.folded == folded)
            return &entry.nodes;
    return nullptr;
}

NodeFilterHistory::NodeSet& NodeFilterHistory::record(const std::wstring& folded)
{
    m_entries.push_back({folded, {}});
    return m_entries.back().nodes;
}

void NodeFilterHistory::follow(const db::ChangeSet& changes)
{
    // A removed node's memory may come back as a new node: that one is
    // reported added, and tested like any other.
    for (Entry& entry : m_entries)
    {
        for (const db::Node* node : changes.RemovedNodes())
            entry.nodes.erase(node);
        auto retest = [&entry](const db::Node* node)
        {
            if (holdsFolded(node->getName(), entry.folded))
                entry.nodes.insert(node);
            else
                entry.nodes.erase(node);
        };
        for (const db::Node* node : changes.AddedNodes())
            retest(node);
        for (const db::Node* node : changes.RenamedNodes())
            retest(node);
    }
}

} // namespace dbui
