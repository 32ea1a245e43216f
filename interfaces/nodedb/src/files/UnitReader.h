#pragma once

// Builds the nodes of a unit (see XmlSplitter) straight from its bytes, in one
// pass and without a parse tree: each element is matched, as it is met,
// against what the schema expects there, and each value is read from the text
// where it lies. It knows only what the savers write, plainly spelt; on
// anything else it gives the unit up, having written nothing into the text,
// and the unit is parsed and read the general way (XmlReader), which builds
// the same nodes or finds what is wrong.

#include "LoadSupport.h"
#include "NodeBuilder.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace db
{
class TypeRegistry;
} // namespace db

namespace db::files
{

class UnitReader
{
public:
    explicit UnitReader(TypeRegistry& registry) : m_builder(registry) {}

    /// Builds the nodes of the unit text [begin, end), at reader depth `depth`,
    /// into `unit`. False when it gave up: `unit` is then as it was given.
    bool read(const char* begin, const char* end, int depth, BuiltUnit& unit);

private:
    /// An element's start tag: its name and the attributes this reader knows.
    struct Tag
    {
        std::string_view name;
        std::size_t offset = 0; ///< of the name, from the start of the unit
        std::string_view type;
        std::string_view memberName;
        bool hasType = false;
        bool hasName = false;
        bool local = false;
        bool hasLocal = false;
        bool empty = false; ///< closed in the start tag
        bool known = false; ///< its name was found to be that of its member's type
    };

    bool readAll(int depth, BuiltUnit& unit);
    void skipSpace();
    bool startTag(Tag& tag);
    bool attributes(Tag& tag);
    bool attribute(Tag& tag);
    bool attributeValue(std::string_view& value, std::string& decoded);
    bool endTag(std::string_view name);
    /// Calls `child` at each child element's '<' and then reads the end tag.
    template <class F> bool children(std::string_view name, F&& child);
    /// The text up to the end tag, with references replaced (into scratch that the next text reuses).
    bool text(const char*& begin, const char*& end);
    bool value(const Tag& tag, const char*& begin, const char*& end);

    Node* node(int depth);
    bool members(CompositeAttribute& composite, std::string_view name, int depth);
    /// The start of a member's tag as the savers write it ("" where it may be spelt otherwise).
    struct SavedTag
    {
        std::string text;
        std::size_t nameSize = 0; ///< of the element's name, after the '<'
    };
    /// The saved tags of the members of a composite, by member index.
    const std::vector<SavedTag>& savedTags(const CompositeAttribute& composite);
    bool member(CompositeAttribute& composite, int depth, unsigned int& next, const std::vector<SavedTag>& saved);
    template <class Traits> bool typed(Traits, Attribute& attribute, const Tag& tag, int depth);
    template <class Traits> bool single(Traits, typename Traits::Class& attribute, const Tag& tag);
    template <class Traits> bool array(Traits, typename Traits::Class& attribute, const Tag& tag);
    bool attributeArray(AttributeArray& array, const Tag& tag, int depth);

    NodeBuilder m_builder;
    /// savedTags by the definition of the composites.
    std::unordered_map<const AttributeDef*, std::vector<SavedTag>> m_savedTags;
    /// The definitions met last, by a few bits of their address: looked up for
    /// every node and compound, a few types make most of a file.
    struct Recent
    {
        const AttributeDef* def = nullptr;
        const std::vector<SavedTag>* tags = nullptr;
    };
    Recent m_recent[16];
    const char* m_begin = nullptr;
    const char* m_p = nullptr;
    const char* m_end = nullptr;
    std::string m_decodedType;
    std::string m_decodedName;
    std::string m_decodedText;
    std::string m_why; // unread: a unit given up is read again the general way, which says why
};

} // namespace db::files
