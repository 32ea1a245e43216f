// Database paths. A node is named by the names of the nodes above it, joined
// by "/" from the root ("/" alone is the root, "/Scene/Cube" a node two levels
// down); an attribute by its owner's path, "." and its name, with "[i]" for the
// elements of attribute arrays ("/Cube.layers[2].weight"). Node containers do
// not appear: every node below a node, in any of its containers, is its child.
// Two children of one node with the same name are told apart by "[k]", their
// count among the earlier children of that name; a node with an empty name is
// always written with its count. The characters \ / . [ ] in names are escaped
// with a backslash.

#include <db/Attribute.h>
#include <db/AttributeArray.h>
#include <db/CompositeAttribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>

#include <cwctype>
#include <vector>

namespace db
{

namespace
{

void appendEscaped(std::wstring& out, const std::wstring& name)
{
    for (wchar_t c : name)
    {
        if (c == L'\\' || c == L'/' || c == L'.' || c == L'[' || c == L']')
            out += L'\\';
        out += c;
    }
}

void appendNodeSegment(std::wstring& out, const Node& node)
{
    unsigned int occurrence = 0;
    if (Node* parent = node.getParentNode(); parent && !node.isDetached())
    {
        for (Node* sibling : parent->getChildNodes())
        {
            if (sibling == &node)
                break;
            if (sibling->getName() == node.getName())
                ++occurrence;
        }
    }
    appendEscaped(out, node.getName());
    if (occurrence > 0 || node.getName().empty())
        out += L"[" + std::to_wstring(occurrence) + L"]";
}

void buildPath(std::wstring& out, const Attribute& attribute)
{
    const bool isRoot = attribute.isDetached();
    if (isRoot)
    {
        out += L"/";
        return;
    }
    const CompositeAttribute* parent = attribute.getParentAttribute();
    if (attribute.isNode())
    {
        const Node* parentNode = attribute.getParentNode();
        if (parentNode)
            buildPath(out, *parentNode);
        else
            out += L"/";
        if (out != L"/")
            out += L"/";
        appendNodeSegment(out, static_cast<const Node&>(attribute));
        return;
    }
    buildPath(out, *parent);
    if (parent->isAttributeArray())
    {
        out += L"[" + std::to_wstring(attribute.getIndex()) + L"]";
        return;
    }
    out += L".";
    appendEscaped(out, attribute.getName());
}

class PathReader
{
public:
    explicit PathReader(const std::wstring& path) : m_path(path) {}

    bool atEnd() const { return m_pos >= m_path.size(); }
    wchar_t peek() const { return m_path[m_pos]; }
    void skip() { ++m_pos; }

    /// Reads an escaped name up to the next unescaped separator.
    bool readName(std::wstring& name)
    {
        name.clear();
        while (!atEnd())
        {
            const wchar_t c = peek();
            if (c == L'/' || c == L'.' || c == L'[' || c == L']')
                return true;
            if (c == L'\\')
            {
                skip();
                if (atEnd())
                    return false;
            }
            name += peek();
            skip();
        }
        return true;
    }

    /// Reads "[digits]".
    bool readIndex(unsigned long& index)
    {
        if (atEnd() || peek() != L'[')
            return false;
        skip();
        std::wstring digits;
        while (!atEnd() && std::iswdigit(static_cast<wint_t>(peek())))
        {
            digits += peek();
            skip();
        }
        if (digits.empty() || digits.size() > 9 || atEnd() || peek() != L']')
            return false;
        skip();
        index = std::stoul(digits);
        return true;
    }

private:
    const std::wstring& m_path;
    std::size_t m_pos = 0;
};

Node* findChild(Node& parent, const std::wstring& name, unsigned long occurrence)
{
    for (Node* child : parent.getChildNodes())
    {
        if (child->getName() == name)
        {
            if (occurrence == 0)
                return child;
            --occurrence;
        }
    }
    return nullptr;
}

/// Follows ".name" and "[i]" steps from `current`.
Attribute* readAttributeSteps(PathReader& reader, Attribute* current)
{
    std::wstring name;
    while (current && !reader.atEnd())
    {
        if (reader.peek() == L'.')
        {
            reader.skip();
            CompositeAttribute* composite = current->asCompositeAttribute();
            if (!composite || current->isNodeContainer() || current->isAttributeArray() || !reader.readName(name))
                return nullptr;
            current = composite->findAttribute(name);
        }
        else if (reader.peek() == L'[')
        {
            unsigned long index = 0;
            AttributeArray* array = current->asAttributeArray();
            if (!array || !reader.readIndex(index) || index >= array->getAttributeCount())
                return nullptr;
            current = array->getAttribute(static_cast<unsigned int>(index));
        }
        else
            return nullptr;
    }
    return current;
}

/// Follows node steps ("name[k]" separated by "/") from `current`, then the attribute steps.
Attribute* readNodeSteps(PathReader& reader, Node* current, bool segmentPending)
{
    std::wstring name;
    while (current)
    {
        if (segmentPending)
        {
            if (!reader.readName(name))
                return nullptr;
            unsigned long occurrence = 0;
            if (!reader.atEnd() && reader.peek() == L'[')
            {
                if (!reader.readIndex(occurrence))
                    return nullptr;
            }
            else if (name.empty())
                return nullptr;
            current = findChild(*current, name, occurrence);
            if (!current)
                return nullptr;
        }
        if (reader.atEnd())
            return current;
        if (reader.peek() == L'/')
        {
            reader.skip();
            segmentPending = true;
            continue;
        }
        return readAttributeSteps(reader, current);
    }
    return nullptr;
}

} // namespace

void Attribute::toDatabasePath(std::wstring& path, const Attribute* relativeTo, bool append) const
{
    std::wstring full;
    if (relativeTo == this)
    {
        // An attribute relative to itself is the empty path.
        if (!append)
            path.clear();
        return;
    }
    buildPath(full, *this);
    if (relativeTo && isDescendantOf(relativeTo))
    {
        std::wstring base;
        buildPath(base, *relativeTo);
        if (full.compare(0, base.size(), base) == 0)
        {
            full.erase(0, base.size());
            if (!full.empty() && full[0] == L'/')
                full.erase(0, 1);
        }
    }
    if (append)
        path += full;
    else
        path = full;
}

Attribute* Attribute::attributeFromDatabasePath(const std::wstring& path, bool fromRoot)
{
    PathReader reader(path);
    Attribute* start = this;
    if (!reader.atEnd() && reader.peek() == L'/')
    {
        reader.skip();
        if (fromRoot)
            start = getRoot();
        // "/" alone, "/.attribute" and "/[k]" start at the root itself.
        if (reader.atEnd())
            return start;
        if (reader.peek() == L'.')
        {
            if (Node* node = start->asNode())
                return readNodeSteps(reader, node, false);
            return readAttributeSteps(reader, start);
        }
        if (!start->isNode())
            return readAttributeSteps(reader, start);
        return readNodeSteps(reader, start->asNode(), true);
    }
    if (reader.atEnd())
        return this;
    if (reader.peek() == L'.' || reader.peek() == L'[')
    {
        if (Node* node = asNode(); node && reader.peek() == L'.')
            return readNodeSteps(reader, node, false);
        return readAttributeSteps(reader, this);
    }
    if (Node* node = asNode())
        return readNodeSteps(reader, node, true);
    return nullptr;
}

} // namespace db
