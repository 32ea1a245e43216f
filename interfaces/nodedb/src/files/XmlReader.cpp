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

namespace db::files
{

namespace
{

/// strcmp(text, word) == 0 for the short names of the format, inlined: a
/// library call per element and attribute is a good part of reading them.
bool is(const char* text, const char* word)
{
    for (; *word; ++text, ++word)
        if (*text != *word)
            return false;
    return *text == 0;
}

/// Settles the placer as it goes, unless let off before.
struct SettleFirst
{
    UnitPlacer* placer;
    ~SettleFirst()
    {
        if (placer)
            placer->settle();
    }
};

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
    : m_lines(lines), m_error(error), m_builder(registry)
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
    m_builder.setPart(tree.built);
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
    return m_builder.internPaths(bad) || failAt(bad, "bad UTF-8 in pointer path");
}

namespace
{
/// Layout between elements: kept by the parser, since a string's value may be all spaces.
bool isBlank(const char* text)
{
    for (; *text; ++text)
        if (*text != ' ' && *text != '\n' && *text != '\t' && *text != '\r')
            return false;
    return true;
}
} // namespace

template <class F> bool XmlReader::eachElement(pugi::xml_node parent, F&& f)
{
    if (!isBlank(parent.value()))
        return fail(parent, "unexpected text"); // kept in the element itself, see s_unitParseOptions
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    {
        const pugi::xml_node_type type = child.type();
        if ((type == pugi::node_pcdata && !isBlank(child.value())) || type == pugi::node_cdata)
            return fail(child, "unexpected text");
        if (type == pugi::node_element && !f(child))
            return false;
    }
    return true;
}

bool XmlReader::readUnit(const pugi::xml_document& fragment, int depth, BuiltUnit& unit)
{
    m_builder.setPart(unit.built);
    unit.ok = eachElement(fragment,
                          [&](pugi::xml_node child)
                          {
                              if (!is(child.name(), "node"))
                                  return fail(child, "a container holds only <node> elements");
                              Node* node = readNode(child, depth, false);
                              if (node)
                                  unit.add(*node);
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

Node* XmlReader::readNode(pugi::xml_node element, int depth, bool databaseRoot)
{
    if (depth > s_maxDepth)
    {
        fail(element, "nodes are nested too deeply");
        return nullptr;
    }
    NodeDef* def = m_builder.nodeDef(element.attribute("type").value(), databaseRoot, m_why);
    if (!def)
    {
        fail(element, m_why);
        return nullptr;
    }
    if (m_progress && !(*m_progress)(static_cast<std::size_t>(element.offset_debug()), m_progressTotal))
    {
        m_cancelled = true;
        fail(element, "cancelled");
        return nullptr;
    }
    std::size_t listed = 0;
    std::unique_ptr<Node> node = m_builder.startNode(*def, element.attribute("name").value(), listed);
    // A node given up goes with the nodes placed in it: they must be settled first.
    SettleFirst settle{m_placer};
    if (!readMembers(*node, element, depth))
        return nullptr;
    settle.placer = nullptr;
    m_builder.finishNode(*node, listed);
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
        attribute = m_builder.member(composite, name, next);
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
            return fail(element, NodeBuilder::noMember(composite, name));
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
    return eachElement(element,
                       [&](pugi::xml_node child)
                       {
                           if (is(child.name(), "option"))
                               return true;
                           if (!is(child.name(), "e"))
                               return fail(child, "unexpected element <" + std::string(child.name()) + ">");
                           out.push_back(child);
                           return true;
                       });
}

void XmlReader::pending(Attribute& attribute, int index, pugi::xml_node element, const char* begin, const char* end)
{
    m_builder.pointer(attribute, index, element.attribute("local").as_bool(), begin, end,
                      static_cast<std::size_t>(element.offset_debug()));
}

bool XmlReader::readValue(Attribute& attribute, pugi::xml_node element, int depth)
{
    return detail::withType(attribute.getAttributeType(),
                            [&](auto traits) { return readTyped(traits, attribute, element, depth); });
}

template <class Traits> bool XmlReader::readTyped(Traits, Attribute& attribute, pugi::xml_node element, int depth)
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

template <class Traits> bool XmlReader::readSingle(Traits, typename Traits::Class& attribute, pugi::xml_node element)
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
    else if (!m_builder.setSingle(Traits(), attribute, begin, end, m_why))
        return fail(valueElement, m_why);
    return true;
}

template <class Traits> bool XmlReader::readArray(Traits, typename Traits::Class& attribute, pugi::xml_node element)
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
            else if (!m_builder.parseValue(Element(), attribute.getDef(), begin, end, values[i], m_why))
                return fail(list[i], m_why);
        }
        if constexpr (!std::is_same_v<typename Element::Value, Attribute*>)
            attribute.setValues(std::move(values));
    }
    else
    {
        // A list of values apart.
        if (!text(element, begin, end))
            return false;
        if (!m_builder.setList(Traits(), attribute, begin, end, m_why))
            return fail(element, m_why);
    }
    return true;
}

bool XmlReader::readAttributeArray(AttributeArray& array, pugi::xml_node element, int depth)
{
    return eachElement(element,
                       [&](pugi::xml_node child)
                       {
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
    return eachElement(element,
                       [&](pugi::xml_node child)
                       {
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
                           if (m_placer)
                               m_placer->settle();
                           delete node;
                           return fail(child, "a \"" + type + "\" node cannot go into \"" +
                                                  toUtf8(container.getName()) + "\"");
                       });
}

bool XmlReader::takeUnit(NodeContainer& container, pugi::xml_node placeholder)
{
    BuiltUnit* unit = m_units->nextUnit();
    if (!unit || !unit->ok)
        return fail(placeholder, "a unit failed");
    // What the container refuses is freed by the unit source with the rest.
    if (!m_placer->place(container, *unit))
        return fail(placeholder, "a node of a unit cannot go into its container");
    if (!internPaths()) // those of the skeleton read so far go before the unit's
        return false;
    m_builder.part().append(unit->built);
    return true;
}

} // namespace db::files
