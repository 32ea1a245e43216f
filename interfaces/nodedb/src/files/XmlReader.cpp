#include "XmlReader.h"

#include "../AttributeTypes.h"
#include "../Editor.h"
#include "AllAttributes.h"
#include "DefinitionText.h"
#include "NumberText.h"
#include "Utf8.h"

#include <db/TypeRegistry.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

namespace db::files {

namespace {

std::wstring wide(const char* text)
{
    std::wstring out;
    fromUtf8(text, std::strlen(text), out);
    return out;
}

/// strcmp(text, word) == 0 for the short names of the format, inlined: a
/// library call per element and attribute is a good part of reading them.
bool is(const char* text, const char* word)
{
    for (; *word; ++text, ++word)
        if (*text != *word)
            return false;
    return *text == 0;
}

/// True when a schema name equals a UTF-8 name from the file, without converting either.
bool sameName(const std::wstring& name, const char* utf8)
{
    std::size_t i = 0;
    for (; i < name.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == 0 || c >= 0x80 || name[i] >= 0x80)
            break;
        if (static_cast<wchar_t>(c) != name[i])
            return false;
    }
    if (i == name.size())
        return utf8[i] == 0;
    return name == wide(utf8);
}


} // namespace

LineIndex::LineIndex(const char* data, std::size_t size)
{
    m_newlines.reserve(size / 64);
    const char* end = data + size;
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
         ++p)
        m_newlines.push_back(static_cast<std::uint32_t>(p - data));
}

std::size_t LineIndex::lineOf(std::size_t offset) const
{
    return 1 + static_cast<std::size_t>(std::lower_bound(m_newlines.begin(), m_newlines.end(), offset) -
                                        m_newlines.begin());
}

XmlReader::XmlReader(const LineIndex* lines, TypeRegistry& registry, LoadError& error)
    : m_lines(lines), m_registry(registry), m_error(error)
{
}

bool XmlReader::read(const pugi::xml_document& document, DetachedTree& tree)
{
    for (pugi::xml_node child = document.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_doctype)
            return fail(child, "DTDs are not allowed");
    pugi::xml_node top = document.document_element();
    if (!is(top.name(), "nodedb"))
        return fail(top, "not a node database file (the top element is not <nodedb>)");
    int version = top.attribute("version").as_int(0);
    if (version != 1)
        return fail(top, "unsupported file version \"" + std::string(top.attribute("version").value()) + "\"");
    std::string kind = top.attribute("kind").value();
    if (kind == "database")
        tree.kind = FileKind::Database;
    else if (kind == "subtree")
        tree.kind = FileKind::Subtree;
    else
        return fail(top, "unknown file kind \"" + kind + "\"");

    pugi::xml_node rootElement;
    for (pugi::xml_node child = top.first_child(); child; child = child.next_sibling())
    {
        if (child.type() != pugi::node_element)
            continue;
        if (rootElement || !is(child.name(), "node"))
            return fail(child, "a file holds exactly one <node> at the top");
        rootElement = child;
    }
    if (!rootElement)
        return fail(top, "the file holds no node");
    m_built = &tree.built;
    tree.root.reset(readNode(rootElement, 1, tree.kind == FileKind::Database));
    if (!tree.root)
        return false;
    return internPaths();
}

bool XmlReader::internPaths()
{
    // Text that is not UTF-8 has no wide form: looked up as far as it goes,
    // such a path would name another node.
    std::size_t bad = 0;
    return m_built->internNoted(bad) || failAt(bad, "bad UTF-8 in pointer path");
}

template <class F>
bool XmlReader::eachElement(pugi::xml_node parent, F&& f)
{
    if (*parent.value())
        return fail(parent, "unexpected text"); // kept in the element itself, see s_unitParseOptions
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    {
        const pugi::xml_node_type type = child.type();
        if (type == pugi::node_pcdata || type == pugi::node_cdata)
            return fail(child, "unexpected text");
        if (type == pugi::node_element && !f(child))
            return false;
    }
    return true;
}

bool XmlReader::readUnit(const pugi::xml_document& fragment, int depth, BuiltUnit& unit)
{
    m_built = &unit.built;
    unit.ok = eachElement(fragment, [&](pugi::xml_node child) {
        if (!is(child.name(), "node"))
            return fail(child, "a container holds only <node> elements");
        Node* node = readNode(child, depth, false);
        if (node)
            unit.nodes.push_back(node);
        return node != nullptr;
    });
    unit.ok = unit.ok && internPaths();
    return unit.ok;
}

void XmlReader::setProgress(const Progress* progress, std::size_t total)
{
    m_progress = progress && *progress ? progress : nullptr;
    m_progressTotal = total;
}

bool XmlReader::fail(pugi::xml_node where, const std::string& what)
{
    return failAt(where ? static_cast<std::size_t>(where.offset_debug()) : 0, what);
}

bool XmlReader::failAt(std::size_t offset, const std::string& what)
{
    if (m_error.what.empty())
    {
        m_error.offset = offset;
        m_error.line = m_lines ? m_lines->lineOf(offset) : 0;
        m_error.what = what;
    }
    return false;
}

/// The node type of that name; files use few types, many times over.
NodeDef* XmlReader::nodeDef(const char* name)
{
    auto found = m_nodeDefs.find(name);
    if (found != m_nodeDefs.end())
        return found->second;
    NodeDef* def = m_registry.findNodeDef(wide(name));
    m_nodeDefs.emplace(name, def);
    return def;
}


/// The member of that name. Files list members in schema order, so the ones
/// after the previous match are tried before the name look-up.
Attribute* XmlReader::member(CompositeAttribute& composite, const char* name, unsigned int& next)
{
    // Members left at their defaults may be missing: look a few places ahead.
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


Node* XmlReader::readNode(pugi::xml_node element, int depth, bool databaseRoot)
{
    if (depth > s_maxDepth)
    {
        fail(element, "nodes are nested too deeply");
        return nullptr;
    }
    const char* typeName = element.attribute("type").value();
    NodeDef* def = nodeDef(typeName);
    if (!def)
    {
        fail(element, "unknown node type \"" + std::string(typeName) + "\"");
        return nullptr;
    }
    bool isDatabaseType = def == &m_registry.getDatabaseDef();
    if (databaseRoot != isDatabaseType || (!databaseRoot && !def->isCreatable()))
    {
        if (databaseRoot)
            fail(element, "a database file must start with a \"Database\" node that holds the others in its "
                          "\"nodes\" container; this one starts with \"" + std::string(typeName) + "\"");
        else
            fail(element, "node type \"" + std::string(typeName) + "\" cannot be created here");
        return nullptr;
    }
    if (m_progress && !(*m_progress)(static_cast<std::size_t>(element.offset_debug()), m_progressTotal))
    {
        m_cancelled = true;
        fail(element, "cancelled");
        return nullptr;
    }
    auto node = std::make_unique<Node>(*def, wide(element.attribute("name").value()));
    const std::size_t listed = m_built->started(*node);
    if (!readMembers(*node, element, depth))
        return nullptr;
    m_built->finished(*node, listed);
    return node.release();
}

bool XmlReader::readMembers(CompositeAttribute& composite, pugi::xml_node element, int depth)
{
    unsigned int next = 0;
    return eachElement(element, [&](pugi::xml_node child) { return readMember(composite, child, depth + 1, next); });
}

bool XmlReader::readMember(CompositeAttribute& composite, pugi::xml_node element, int depth, unsigned int& next)
{
    if (depth > s_maxDepth)
        return fail(element, "attributes are nested too deeply");
    // One pass over the element's attributes: each look-up by name would be a pass of its own.
    const char* name = nullptr;
    pugi::xml_attribute dynamicFlag;
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute())
    {
        if (!name && is(a.name(), "name"))
            name = a.value();
        else if (!dynamicFlag && is(a.name(), "dynamic"))
            dynamicFlag = a;
    }
    name = name ? name : "";
    const bool dynamic = dynamicFlag.as_bool();
    Attribute* attribute = nullptr;
    if (!dynamic)
    {
        // Members are written under their own type's name: then the element's name needs no look-up.
        attribute = member(composite, name, next);
        if (attribute && attribute->getAttributeType() != NodeType &&
            is(element.name(), detail::xmlNameOf(attribute->getAttributeType())))
            return readValue(*attribute, element, depth);
    }
    AttributeType type = detail::typeFromXmlName(element.name());
    if (type == Invalid || type == NodeType)
        return fail(element, "unexpected element <" + std::string(element.name()) + ">");
    if (dynamic)
    {
        Node* node = composite.asNode();
        if (!node)
            return fail(element, "only nodes hold dynamic attributes");
        std::string why;
        auto def = definitionFromXml(element, type, why);
        if (!def)
            return fail(element, why);
        attribute = node->addDynamicAttribute(std::move(def));
        if (!attribute)
            return fail(element, "bad dynamic attribute \"" + std::string(name) + "\"");
    }
    else
    {
        if (!attribute)
            return fail(element, "no attribute \"" + std::string(name) + "\" in \""
                                     + toUtf8(composite.getDef().getName()) + "\"");
        if (attribute->getAttributeType() != type)
            return fail(element, "attribute \"" + std::string(name) + "\" is a " +
                                     detail::xmlNameOf(attribute->getAttributeType()) + ", not a " + element.name());
    }
    return readValue(*attribute, element, depth);
}

/// The text of an element that holds only text ("" when empty).
bool XmlReader::text(pugi::xml_node element, const char*& begin, const char*& end)
{
    // Units keep the text in its element (s_unitParseOptions); any text after that is a child.
    begin = element.value();
    end = begin + std::strlen(begin);
    pugi::xml_node child = element.first_child();
    if (!child)
        return true;
    // Nearly always one piece of text: each call into the parser's library counts at this rate.
    if (!*begin && child.type() == pugi::node_pcdata && !child.next_sibling())
    {
        begin = child.value();
        end = begin + std::strlen(begin);
        return true;
    }
    for (; child; child = child.next_sibling())
    {
        if (child.type() == pugi::node_element)
            return fail(child, "unexpected element <" + std::string(child.name()) + ">");
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
        {
            if (*begin)
                return fail(child, "text in pieces");
            begin = child.value();
            end = begin + std::strlen(begin);
        }
    }
    return true;
}

/// The <e> children of list elements, checked to be nothing else.
bool XmlReader::items(pugi::xml_node element, std::vector<pugi::xml_node>& out)
{
    return eachElement(element, [&](pugi::xml_node child) {
        if (is(child.name(), "option"))
            return true;
        if (!is(child.name(), "e"))
            return fail(child, "unexpected element <" + std::string(child.name()) + ">");
        out.push_back(child);
        return true;
    });
}

bool XmlReader::enumValue(pugi::xml_node where, const EnumAttributeDef& def, const char* begin, const char* end,
               int& value)
{
    std::wstring name;
    fromUtf8(begin, static_cast<std::size_t>(end - begin), name);
    int index = def.findString(name);
    if (index >= 0)
    {
        value = def.getStringValue(static_cast<unsigned int>(index));
        return true;
    }
    const char* p = begin;
    skipSpace(p, end);
    if (p < end && parseInt(p, end, value) && p == end)
        return true;
    return fail(where, "bad enum value \"" + std::string(begin, end) + "\"");
}

void XmlReader::pending(Attribute& attribute, int index, pugi::xml_node element, const char* begin, const char* end)
{
    bool local = element.attribute("local").as_bool();
    if (!local && begin == end)
        return; // null
    // The line is counted only if the pointer turns out bad: counting it
    // here would make loading quadratic in the number of pointers. The path
    // is looked up with the others of the part, together (see internPaths).
    m_built->pointerNoted(attribute, index, local, begin, static_cast<std::size_t>(end - begin),
                          static_cast<std::size_t>(element.offset_debug()));
}

bool XmlReader::readValue(Attribute& attribute, pugi::xml_node element, int depth)
{
    return detail::withType(attribute.getAttributeType(),
                            [&](auto traits) { return readTyped(traits, attribute, element, depth); });
}

template <class Traits>
bool XmlReader::readTyped(Traits, Attribute& attribute, pugi::xml_node element, int depth)
{
    constexpr detail::TypeShape shape = Traits::s_shape;
    if constexpr (shape == detail::TypeShape::Value)
        return readSingle(Traits(), static_cast<typename Traits::Class&>(attribute), element);
    else if constexpr (shape == detail::TypeShape::Array)
        return readArray(Traits(), static_cast<typename Traits::Class&>(attribute), element);
    else if constexpr (Traits::s_type == NodeContainerType)
        return readContainer(static_cast<NodeContainer&>(attribute), element, depth);
    else if constexpr (Traits::s_type == AttributeArrayType)
        return readAttributeArray(static_cast<AttributeArray&>(attribute), element, depth);
    else if constexpr (Traits::s_type == Compound)
        return readMembers(static_cast<CompositeAttribute&>(attribute), element, depth);
    else
        return fail(element, "unexpected element <" + std::string(element.name()) + ">");
}

template <class Traits>
bool XmlReader::readSingle(Traits, typename Traits::Class& attribute, pugi::xml_node element)
{
    const char* begin;
    const char* end;
    constexpr bool pointer = std::is_same_v<typename Traits::Value, Attribute*>;
    // Enums and pointers: a dynamic one's element holds its definition, the value is its one <e>.
    pugi::xml_node valueElement = element;
    if constexpr (pointer || std::is_same_v<Traits, detail::TypeTraits<Enum>>)
        if (!singleValue(attribute, element, Traits::s_xmlName, valueElement))
            return false;
    if (!text(valueElement, begin, end))
        return false;
    if constexpr (pointer)
        pending(attribute, -1, valueElement, begin, end);
    else
    {
        // Strings are read into scratch kept between values, whose buffer is reused: the attribute copies.
        typename Traits::Value local{};
        auto& value = [&]() -> typename Traits::Value&
        {
            if constexpr (std::is_same_v<typename Traits::Value, std::wstring>)
                return m_text;
            else
                return local;
        }();
        if (!parseValue(Traits(), attribute.getDef(), valueElement, begin, end, value))
            return false;
        attribute.setValue(value);
    }
    return true;
}

template <class Traits>
bool XmlReader::readArray(Traits, typename Traits::Class& attribute, pugi::xml_node element)
{
    using Element = typename Traits::Element;
    const char* begin;
    const char* end;
    if constexpr (Element::s_inElements)
    {
        // One <e> per value.
        std::vector<pugi::xml_node> list;
        if (!items(element, list))
            return false;
        typename Traits::Value values(list.size());
        if constexpr (std::is_same_v<typename Element::Value, Attribute*>)
            attribute.setValues(values);
        for (std::size_t i = 0; i < list.size(); ++i)
        {
            if (!text(list[i], begin, end))
                return false;
            if constexpr (std::is_same_v<typename Element::Value, Attribute*>)
                pending(attribute, static_cast<int>(i), list[i], begin, end);
            else if (!parseValue(Element(), attribute.getDef(), list[i], begin, end, values[i]))
                return false;
        }
        if constexpr (!std::is_same_v<typename Element::Value, Attribute*>)
            attribute.setValues(std::move(values));
    }
    else
    {
        // A list of values apart, read into scratch kept between arrays: the attribute copies what it keeps.
        if (!text(element, begin, end))
            return false;
        skipSpace(begin, end);
        auto& values = std::get<typename Traits::Value>(m_scratch);
        values.clear();
        typename Element::Value value{};
        while (begin < end)
        {
            if (!Element::parseText(begin, end, value))
                return fail(element, badValue(Element(), begin, end));
            values.push_back(value);
        }
        attribute.setValues(values);
    }
    return true;
}

/// One value's whole text: plain text by the table, an enum's by its definition's names.
template <class Traits>
bool XmlReader::parseValue(Traits, const AttributeDef& def, pugi::xml_node where, const char* begin, const char* end,
                           typename Traits::Value& value)
{
    if constexpr (std::is_same_v<Traits, detail::TypeTraits<Enum>>)
        return enumValue(where, static_cast<const EnumAttributeDef&>(def), begin, end, value);
    else
    {
        // Values written apart may have space around them; strings and the like keep theirs.
        if constexpr (!Traits::s_inElements)
            skipSpace(begin, end);
        if (Traits::parseText(begin, end, value) && begin == end)
            return true;
        return fail(where, badValue(Traits(), begin, end));
    }
}

/// Names the word at which reading stopped, if any: the list it is in may be long.
template <class Traits>
std::string XmlReader::badValue(Traits, const char* at, const char* end)
{
    if constexpr (std::is_same_v<typename Traits::Value, std::wstring>)
        return "bad UTF-8 in string";
    else
    {
        std::string message = std::string("bad ") + Traits::s_xmlName + " value";
        const char* wordEnd = at;
        while (wordEnd < end && !(*wordEnd == ' ' || *wordEnd == '\t' || *wordEnd == '\n' || *wordEnd == '\r'))
            ++wordEnd;
        if (wordEnd != at)
            message += " \"" + std::string(at, wordEnd) + "\"";
        return message;
    }
}

bool XmlReader::readAttributeArray(AttributeArray& array, pugi::xml_node element, int depth)
{
    return eachElement(element, [&](pugi::xml_node child) {
        if (!is(child.name(), "compound"))
            return fail(child, "an attribute array holds only <compound> elements");
        CompositeAttribute* item = array.add();
        if (!item)
            return fail(child, "cannot add an element");
        return readMembers(*item, child, depth + 1);
    });
}

bool XmlReader::singleValue(Attribute& attribute, pugi::xml_node element, const char* typeName, pugi::xml_node& value)
{
    value = element;
    if (!attribute.isDynamic())
        return true;
    // A dynamic attribute's element holds its definition: the value is its one <e>.
    std::vector<pugi::xml_node> list;
    if (!items(element, list))
        return false;
    if (list.size() != 1)
        return fail(element, "bad " + std::string(typeName) + " value");
    value = list[0];
    return true;
}

bool XmlReader::readContainer(NodeContainer& container, pugi::xml_node element, int depth)
{
    return eachElement(element, [&](pugi::xml_node child) {
        if (m_units && is(child.name(), s_unitPlaceholder))
            return takeUnit(container, child);
        if (!is(child.name(), "node"))
            return fail(child, "a container holds only <node> elements");
        Node* node = readNode(child, depth + 1, false);
        if (!node)
            return false;
        if (detail::Editor::appendBuilt(container, *node))
            return true;
        std::string type = toUtf8(node->getClassID());
        delete node;
        return fail(child, "a \"" + type + "\" node cannot go into \"" + toUtf8(container.getName()) + "\"");
    });
}

bool XmlReader::takeUnit(NodeContainer& container, pugi::xml_node placeholder)
{
    BuiltUnit* unit = m_units->nextUnit();
    if (!unit || !unit->ok)
        return fail(placeholder, "a unit failed");
    // What the container refuses is freed by the unit source with the rest.
    // The nodes were built on another thread a while ago and are out of the
    // cache: each is fetched a few nodes ahead of its insertion.
    constexpr std::size_t ahead = 8;
    std::vector<Node*>& nodes = unit->nodes;
    for (std::size_t i = 0; i < nodes.size(); ++i)
    {
        if (i + ahead < nodes.size())
            __builtin_prefetch(nodes[i + ahead], 1);
        Node*& node = nodes[i];
        if (!detail::Editor::appendBuilt(container, *node))
            return fail(placeholder, "a node of a unit cannot go into its container");
        node = nullptr;
    }
    if (!internPaths()) // those of the skeleton read so far go before the unit's
        return false;
    m_built->append(unit->built);
    return true;
}

} // namespace db::files
