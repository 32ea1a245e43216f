// The node tree's filter: which nodes a text finds, by name, type or path.

#include <dbui/NodeTreeControl.h>

#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <db/TypeRegistry.h>

#include <algorithm>
#include <cwctype>
#include <string>

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

    bool pathMatches(const db::Node& node) const
    {
        node.toDatabasePath(m_path);
        // Found up to the last step: the rest of the path is within the node's own name.
        return beginsFolded(m_path, m_text) && m_path.find(L'/', m_text.size()) == std::wstring::npos;
    }

    Kind m_kind = Name;
    std::wstring m_text;
    const db::NodeDef* m_type = nullptr;
    // Kept from node to node: a path filter over a big tree should not allocate per node.
    mutable std::wstring m_path;
};

} // namespace

std::size_t NodeTreeControl::setFilterText(const wxString& text)
{
    // A name that holds the new text holds the old one it contains: typing on
    // needs to read only the nodes found so far, while the items tell what
    // the old text found (their verdicts change after the new test).
    const bool narrowing = IsFiltered() && isNameQuery(m_filterText) && isNameQuery(text) &&
                           text.Lower().Contains(m_filterText.Lower());
    m_filterText = text;
    if (text.empty())
        ClearFilter();
    else
        SetFilter([this, narrowing, matcher = NodeMatcher(text, m_database)](const wxUtils::TreeItem& item) {
            if (narrowing && !IsFilterMatch(&item))
                return false;
            const db::Node* node = m_database ? getNodeOfItem(&item) : nullptr;
            return node && matcher(*node);
        });
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

} // namespace dbui
