#pragma once

// Builds the detached tree of a node database file from pugixml's parse of
// it. The XML loader uses one reader for a whole file, or several at once: one
// per unit (a run of sibling nodes parsed apart) and one for the skeleton that
// holds the units' places.

#include <db/LoadError.h>
#include <db/Progress.h>

#include "LoadSupport.h"
#include "NodeBuilder.h"
#include "UnitPlacer.h"

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace db
{
class AttributeArray;
class AttributeDef;
class CompositeAttribute;
class NodeDef;
class TypeRegistry;
} // namespace db

namespace db::files
{

/// The pugixml options every node database file is parsed with. Whitespace-only
/// text is kept when it is an element's only content: it is the value of a
/// string of spaces. pugixml never expands entities beyond the five predefined
/// ones; a DOCTYPE is kept in the tree only to refuse it.
constexpr unsigned int s_xmlParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_doctype;

/// Units are parsed apart, as fragments, and with the text of each element
/// that starts with text kept in the element itself rather than in a node of
/// its own: one node less to make and to look up for every value. The reader
/// finds text either way. A file read whole keeps the plain options, so that
/// its messages point where they always did.
constexpr unsigned int s_unitParseOptions = s_xmlParseOptions | pugi::parse_fragment | pugi::parse_embed_pcdata;

/// The element that stands in the skeleton where a unit was cut out.
constexpr const char* s_unitPlaceholder = "_unit";

/// Where the lines of a buffer start, taken before the buffer is parsed in
/// place (parsing rewrites text, newlines included), for messages.
class LineIndex
{
public:
    LineIndex(const char* data, std::size_t size);
    /// The line (from 1) of a byte offset.
    std::size_t lineOf(std::size_t offset) const;

private:
    std::vector<std::uint32_t> m_newlines;
};

/// Builds detached nodes from parsed elements; stops at the first problem.
class XmlReader
{
public:
    /// `lines` may be null where positions are not wanted (units and skeletons,
    /// whose failures are read again whole).
    XmlReader(const LineIndex* lines, TypeRegistry& registry, LoadError& error);

    /// Reads a whole document (or a skeleton, see setUnits) into `tree`.
    bool read(const pugi::xml_document& document, DetachedTree& tree);
    /// Reads the nodes of a unit, parsed as a fragment, at `depth`; their pointers go to `unit`.
    bool readUnit(const pugi::xml_document& fragment, int depth, BuiltUnit& unit);

    /// The skeleton's placeholders take their nodes from `units`, put in place by `placer`.
    void setUnits(UnitSource* units, UnitPlacer* placer)
    {
        m_units = units;
        m_placer = placer;
    }
    /// Told the offset of each node element as it is read, against `total`.
    void setProgress(const Progress* progress, std::size_t total);
    /// True when the progress callback asked to stop.
    bool wasCancelled() const { return m_cancelled; }

private:
    bool fail(pugi::xml_node where, const std::string& what);
    /// fail at a byte offset into the text parsed.
    bool failAt(std::size_t offset, const std::string& what);
    /// Calls `f` with each child element of `parent` until it returns false; text between them is refused.
    template <class F> bool eachElement(pugi::xml_node parent, F&& f);
    Node* readNode(pugi::xml_node element, int depth, bool databaseRoot);
    bool readMembers(CompositeAttribute& composite, pugi::xml_node element, int depth);
    bool readMember(CompositeAttribute& composite, pugi::xml_node element, int depth, unsigned int& next);
    bool text(pugi::xml_node element, const char*& begin, const char*& end);
    bool items(pugi::xml_node element, std::vector<pugi::xml_node>& out);
    void pending(Attribute& attribute, int index, pugi::xml_node element, const char* begin, const char* end);
    /// Looks up the paths of the pointers read since the last call, all together;
    /// false when one is not UTF-8.
    bool internPaths();
    bool readValue(Attribute& attribute, pugi::xml_node element, int depth);
    template <class Traits> bool readTyped(Traits, Attribute& attribute, pugi::xml_node element, int depth);
    template <class Traits> bool readSingle(Traits, typename Traits::Class& attribute, pugi::xml_node element);
    template <class Traits> bool readArray(Traits, typename Traits::Class& attribute, pugi::xml_node element);
    bool readAttributeArray(AttributeArray& array, pugi::xml_node element, int depth);
    /// The element that holds a single value of type `typeName`; a dynamic one's must hold exactly one.
    bool singleValue(Attribute& attribute, pugi::xml_node element, const char* typeName, pugi::xml_node& value);
    bool readContainer(NodeContainer& container, pugi::xml_node element, int depth);
    bool takeUnit(NodeContainer& container, pugi::xml_node placeholder);

    const LineIndex* m_lines;
    LoadError& m_error;
    NodeBuilder m_builder;
    UnitSource* m_units = nullptr;
    UnitPlacer* m_placer = nullptr;
    const Progress* m_progress = nullptr;
    std::size_t m_progressTotal = 0;
    bool m_cancelled = false;
    std::string m_why;
};

} // namespace db::files
