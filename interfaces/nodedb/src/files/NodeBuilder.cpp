#include "NodeBuilder.h"

#include "Utf8.h"

#include <db/EnumAttributeDef.h>
#include <db/TypeRegistry.h>

#include <algorithm>

namespace db::files
{

namespace
{

std::wstring wide(std::string_view text)
{
    std::wstring out;
    fromUtf8(text.data(), text.size(), out);
    return out;
}

/// True when a schema name equals a UTF-8 name from the file, without converting either.
bool sameName(const std::wstring& name, std::string_view utf8)
{
    const std::size_t common = std::min(name.size(), utf8.size());
    for (std::size_t i = 0; i < common; ++i)
    {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80 || name[i] >= 0x80)
            return name == wide(utf8);
        if (static_cast<wchar_t>(c) != name[i])
            return false;
    }
    return name.size() == utf8.size();
}

} // namespace

NodeDef* NodeBuilder::nodeDef(std::string_view typeName, bool databaseRoot, std::string& why)
{
    // Files use few types, many times over.
    m_key.assign(typeName);
    auto found = m_nodeDefs.find(m_key);
    if (found == m_nodeDefs.end())
        found = m_nodeDefs.emplace(m_key, m_registry.findNodeDef(wide(typeName))).first;
    NodeDef* def = found->second;
    if (!def)
    {
        why = "unknown node type \"" + m_key + "\"";
        return nullptr;
    }
    const bool isDatabaseType = def == &m_registry.getDatabaseDef();
    if (databaseRoot == isDatabaseType && (databaseRoot || def->isCreatable()))
        return def;
    if (databaseRoot)
        why = "a database file must start with a \"Database\" node that holds the others in its \"nodes\" container; "
              "this one starts with \"" +
              m_key + "\"";
    else
        why = "node type \"" + m_key + "\" cannot be created here";
    return nullptr;
}

std::unique_ptr<Node> NodeBuilder::startNode(NodeDef& def, std::string_view name, std::size_t& listed)
{
    auto node = std::make_unique<Node>(def, wide(name));
    listed = m_built->started(*node);
    return node;
}

Attribute* NodeBuilder::member(CompositeAttribute& composite, std::string_view name, unsigned int& next)
{
    // Members left at their defaults may be missing: look a few places ahead before the look-up by name.
    const unsigned int end = std::min(composite.getAttributeCount(), next + 4);
    for (unsigned int i = next; i < end; ++i)
    {
        Attribute* candidate = composite.getAttribute(i);
        if (!candidate->isDynamic() && sameName(candidate->getName(), name))
        {
            next = i + 1;
            return candidate;
        }
    }
    Attribute* found = composite.findAttribute(wide(name));
    if (found && found->getParentAttribute() == &composite)
        next = found->getIndex() + 1;
    return found;
}

std::string NodeBuilder::noMember(CompositeAttribute& composite, std::string_view name)
{
    return "no attribute \"" + std::string(name) + "\" in \"" + toUtf8(composite.getDef().getName()) + "\"";
}

void NodeBuilder::pointer(Attribute& attribute, int index, bool local, const char* begin, const char* end,
                          std::size_t offset)
{
    if (!local && begin == end)
        return; // null
    // The line is counted only if the pointer turns out bad: counting it
    // here would make loading quadratic in the number of pointers. The path
    // is looked up with the others of the part, together (see internPaths).
    m_built->pointerNoted(attribute, index, local, begin, static_cast<std::size_t>(end - begin), offset);
}

bool NodeBuilder::enumValue(const EnumAttributeDef& def, const char* begin, const char* end, int& value,
                            std::string& why)
{
    // An option's name, in scratch kept between values: most are too long to be kept without the heap.
    m_enumName.clear();
    fromUtf8(begin, static_cast<std::size_t>(end - begin), m_enumName);
    const int index = def.findString(m_enumName);
    if (index >= 0)
    {
        value = def.getStringValue(static_cast<unsigned int>(index));
        return true;
    }
    const char* p = begin;
    skipSpace(p, end);
    if (p < end && parseInt(p, end, value) && p == end)
        return true;
    why = "bad enum value \"" + std::string(begin, end) + "\"";
    return false;
}

} // namespace db::files
