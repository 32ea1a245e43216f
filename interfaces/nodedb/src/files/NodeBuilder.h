#pragma once

// What the readers of XML files decide for each element, from its names and
// text alone: which node type it makes, which member it fills and whether
// the type fits, and what its text is worth. The reader of parsed files and
// the reader that builds units straight from their bytes both call these,
// so that they cannot come to differ.

#include "../AttributeTypes.h"
#include "LoadSupport.h"

#include <OrkP/Matrix34.h>
#include <OrkP/Vector3.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace db
{
class AttributeDef;
class CompositeAttribute;
class EnumAttributeDef;
class NodeDef;
class TypeRegistry;
} // namespace db

namespace db::files
{

/// Builds nodes into one part at a time. Each check gives false (or null) and
/// says why in `why`; the parsed-file reader turns that into its message.
class NodeBuilder
{
public:
    explicit NodeBuilder(TypeRegistry& registry) : m_registry(registry) {}

    void setPart(BuiltPart& part) { m_built = &part; }
    BuiltPart& part() const { return *m_built; }

    /// The type of a node that may stand here: a database file's top node
    /// must be a database, any other node one that can be created.
    NodeDef* nodeDef(std::string_view typeName, bool databaseRoot, std::string& why);
    /// A new node of that type and name, noted in the part; `listed` goes to finishNode.
    std::unique_ptr<Node> startNode(NodeDef& def, std::string_view name, std::size_t& listed);
    void finishNode(Node& node, std::size_t listed) { m_built->finished(node, listed); }

    /// The member of that name, or null. Files list members in schema order:
    /// `next` follows the previous match.
    Attribute* member(CompositeAttribute& composite, std::string_view name, unsigned int& next);
    static std::string noMember(CompositeAttribute& composite, std::string_view name);

    /// Notes a pointer whose text is [begin, end); the bytes must stay until internPaths.
    void pointer(Attribute& attribute, int index, bool local, const char* begin, const char* end, std::size_t offset);
    /// Looks up the paths of the pointers noted since the last call, all
    /// together; false when one is not UTF-8, whose offset goes to `bad`.
    bool internPaths(std::size_t& bad) { return m_built->internNoted(bad); }

    /// Reads one value's whole text: plain text by the table, an enum's by its definition's names.
    template <class Traits>
    bool parseValue(Traits, const AttributeDef& def, const char* begin, const char* end, typename Traits::Value& value,
                    std::string& why);
    /// A single value's text, parsed and set (pointers are noted apart).
    template <class Traits>
    bool setSingle(Traits, typename Traits::Class& attribute, const char* begin, const char* end, std::string& why);
    /// An array's values written apart in one text, parsed and set.
    template <class Traits>
    bool setList(Traits, typename Traits::Class& attribute, const char* begin, const char* end, std::string& why);

private:
    bool enumValue(const EnumAttributeDef& def, const char* begin, const char* end, int& value, std::string& why);
    /// Names the word at which reading stopped, if any: the list it is in may be long.
    template <class Traits> static std::string badValue(Traits, const char* at, const char* end);

    TypeRegistry& m_registry;
    BuiltPart* m_built = nullptr;
    std::unordered_map<std::string, NodeDef*> m_nodeDefs;
    std::string m_key;
    // Scratch for lists of values apart, kept between arrays: the attributes copy what they keep.
    std::tuple<std::vector<int>, std::vector<bool>, std::vector<float>, std::vector<double>, std::vector<OrkP::Vector3>,
               std::vector<OrkP::Matrix34>>
        m_scratch;
    std::wstring m_text;
    std::wstring m_enumName;
};

template <class Traits>
bool NodeBuilder::parseValue(Traits, const AttributeDef& def, const char* begin, const char* end,
                             typename Traits::Value& value, std::string& why)
{
    if constexpr (std::is_same_v<Traits, detail::TypeTraits<Enum>>)
        return enumValue(static_cast<const EnumAttributeDef&>(def), begin, end, value, why);
    else
    {
        // Values written apart may have space around them; strings and the like keep theirs.
        if constexpr (!Traits::s_inElements)
            skipSpace(begin, end);
        if (Traits::parseText(begin, end, value) && begin == end)
            return true;
        why = badValue(Traits(), begin, end);
        return false;
    }
}

template <class Traits>
bool NodeBuilder::setSingle(Traits, typename Traits::Class& attribute, const char* begin, const char* end,
                            std::string& why)
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
    if (!parseValue(Traits(), attribute.getDef(), begin, end, value, why))
        return false;
    attribute.setValue(value);
    return true;
}

template <class Traits>
bool NodeBuilder::setList(Traits, typename Traits::Class& attribute, const char* begin, const char* end,
                          std::string& why)
{
    using Element = typename Traits::Element;
    skipSpace(begin, end);
    auto& values = std::get<typename Traits::Value>(m_scratch);
    values.clear();
    typename Element::Value value{};
    while (begin < end)
    {
        if (!Element::parseText(begin, end, value))
        {
            why = badValue(Element(), begin, end);
            return false;
        }
        values.push_back(value);
    }
    attribute.setValues(values);
    return true;
}

template <class Traits> std::string NodeBuilder::badValue(Traits, const char* at, const char* end)
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

} // namespace db::files
