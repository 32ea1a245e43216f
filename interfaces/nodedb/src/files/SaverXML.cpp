#include <db/SaverXML.h>

#include "../AttributeTypes.h"
#include "AllAttributes.h"
#include "LoadSupport.h"
#include "Pool.h"
#include "SavePaths.h"
#include "XmlPieces.h"
#include "XmlWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace db
{

namespace
{

using files::SharedPaths;
using files::Snippet;

/// A pointer target's path as a writer wrote it, in one cache line with the
/// text of a short path; a longer one lies in the writer's path text.
struct alignas(64) KnownPath
{
    static constexpr std::size_t s_inline = 46;

    const Attribute* target = nullptr;
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    bool set = false;
    bool local = false;
    char text[s_inline] = {};
};

/// Walks the tree and writes its nodes and attributes, into a buffer that is
/// handed to the stream in large pieces; or, without a stream, one piece of
/// it for the writer that has one.
class TreeWriter : public files::XmlWriter
{
public:
    /// `nodes`: how many nodes the whole save writes, for `progress`.
    TreeWriter(FileOutputStream* stream, SharedPaths& paths, const files::StandIns& standIns, bool indent,
               const Progress& progress, std::size_t nodes)
        : XmlWriter(indent), m_stream(stream), m_paths(paths), m_standIns(standIns), m_progress(progress, nodes)
    {
        detail::forEachType(
            [this](auto traits)
            {
                m_openTags[traits.s_type] = Snippet("<" + std::string(traits.s_xmlName));
                m_closeTags[traits.s_type] = Snippet("</" + std::string(traits.s_xmlName) + ">");
            });
        if (m_stream)
            m_out.room(s_chunk + 4096);
    }

    /// The pieces that helpers write, for the writer of the file.
    void setPieces(files::XmlPieces* pieces) { m_pieces = pieces; }

    /// Writes the nodes of `piece` into `into`, in a buffer from `buffers`.
    void writePiece(files::WrittenPiece& into, files::XmlPieces::Buffers& buffers)
    {
        m_out = buffers.take();
        m_error.clear(); // a writer is kept for the next pieces
        const files::SavePiece& piece = into.piece;
        for (unsigned int i = piece.first; i < piece.first + piece.count; ++i)
            if (!writeAttribute(childOf(*piece.container, i), piece.depth))
                break;
        into.error = m_error;
        std::swap(into.text, m_out);
    }

    bool writeDocument(Attribute* root, std::string& error)
    {
        m_out.literal("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nodedb version=\"1\" kind=\"");
        if (root->asDatabase())
            m_out.literal("database");
        else
            m_out.literal("subtree");
        m_out.literal("\">");
        if (!writeNode(*root->asNode(), 1))
        {
            error = m_error;
            return false;
        }
        m_out.literal("\n</nodedb>\n");
        if (!flush() || !m_progress.at(m_progress.total()))
        {
            error = m_error.empty() ? "cancelled" : m_error;
            return false;
        }
        return true;
    }

private:
    static constexpr std::size_t s_chunk = 1 << 18;

    bool flush()
    {
        if (!m_stream)
            return true; // a piece: its writer keeps all of it
        if (!m_stream->write(m_out.data(), m_out.size()))
        {
            m_error = m_stream->getError();
            return false;
        }
        m_out.clear();
        return true;
    }

    /// Writes the next piece, as its helper wrote it, where it belongs.
    bool writeWrittenPiece()
    {
        files::WrittenPiece& written = m_pieces->takeNext();
        if (!written.error.empty())
        {
            m_error = written.error;
            return false;
        }
        if (!flush() || !m_stream->write(written.text.data(), written.text.size()))
        {
            m_error = m_error.empty() ? m_stream->getError() : m_error;
            return false;
        }
        m_pieces->done(written);
        if (!m_progress.nodes(written.piece.nodes))
        {
            m_error = "cancelled";
            return false;
        }
        return true;
    }

    // ---------------------------------------------------------------- tags

    void open(AttributeType type, const Attribute& attribute, int depth)
    {
        newline(depth);
        put(m_openTags[type]);
        if (!attribute.isNode() && attribute.getParentAttribute() &&
            !attribute.getParentAttribute()->isAttributeArray())
            nameAttribute(attribute.getName());
    }

    void close(AttributeType type) { put(m_closeTags[type]); }

    void closeBlock(AttributeType type, int depth)
    {
        newline(depth);
        close(type);
    }

    // -------------------------------------------- definitions and pointers

    /// The definition of a dynamic value or array, as XML attributes and option children.
    template <class Traits> void dynamicDef(Traits, const AttributeDef& def, int depth, bool& hasChildren)
    {
        m_out.literal(" dynamic=\"1\"");
        if (def.getUnits() != 0)
        {
            m_out.literal(" units=\"");
            putInt(def.getUnits());
            m_out.put('"');
        }
        if (def.hasLimits())
        {
            attributeNumber("min", def.getMinimum());
            attributeNumber("max", def.getMaximum());
        }
        using Element = typename detail::ElementOf<Traits>::type;
        if constexpr (Element::s_savedDefault)
        {
            m_out.literal(" default=\"");
            m_inQuotes = true;
            Element::Default::printText(*this, def, Element::defaultOf(def));
            m_inQuotes = false;
            m_out.put('"');
        }
        hasChildren = false;
        if (const EnumAttributeDef* enumDef = def.asEnumAttributeDef())
        {
            m_out.put('>');
            hasChildren = true;
            for (unsigned int i = 0; i < enumDef->getStringCount(); ++i)
            {
                newline(depth + 1);
                m_out.literal("<option value=\"");
                putInt(enumDef->getStringValue(i));
                m_out.literal("\">");
                escape(enumDef->getString(i), false);
                m_out.literal("</option>");
            }
        }
    }

    /// A pointer's path: as the named <pointer> itself, or as an <e> of a list or dynamic pointer.
    void pointerElement(const Attribute* target, bool named, const Attribute& owner, int depth)
    {
        const KnownPath& known = pathOf(target);
        if (named)
            open(Pointer, owner, depth);
        else
        {
            newline(depth);
            put(m_elementOpen);
        }
        if (known.local)
            m_out.literal(" local=\"1\"");
        if (!known.set || known.length == 0)
        {
            m_out.literal("/>");
            return;
        }
        m_out.put('>');
        if (known.length <= KnownPath::s_inline)
            escapeUtf8(std::string_view(known.text, known.length));
        else
            escapeUtf8(std::string_view(m_pathText).substr(known.start, known.length));
        put(named ? m_closeTags[Pointer] : m_elementClose);
    }

    /// The path of `target`, from the shared table the first time this writer meets it.
    const KnownPath& pathOf(const Attribute* target)
    {
        static const KnownPath s_none;
        if (!target)
            return s_none;
        if (m_knownCount >= s_knownPathLimit || m_pathText.size() >= s_pathTextLimit)
        {
            m_knownPaths.clear();
            m_pathText.clear();
            m_knownCount = 0;
        }
        if (m_knownCount * 2 >= m_knownPaths.size())
            m_knownPaths = files::regrown(m_knownPaths, std::max<std::size_t>(m_knownPaths.size() * 2, 256),
                                          [](const KnownPath& known) { return known.target; });
        const std::size_t mask = m_knownPaths.size() - 1;
        std::size_t slot = files::hashOfAddress(target) & mask;
        for (; m_knownPaths[slot].target; slot = (slot + 1) & mask)
            if (m_knownPaths[slot].target == target)
                return m_knownPaths[slot];
        KnownPath& known = m_knownPaths[slot];
        known.target = target;
        known.set = m_paths.get(target, m_path, known.local);
        known.length = static_cast<std::uint32_t>(m_path.size());
        if (known.length <= KnownPath::s_inline)
            std::memcpy(known.text, m_path.data(), known.length);
        else
        {
            known.start = static_cast<std::uint32_t>(m_pathText.size());
            m_pathText += m_path;
        }
        ++m_knownCount;
        return known;
    }

    template <typename Values, typename Each> void list(const Values& values, Each each)
    {
        bool first = true;
        for (const auto& value : values)
        {
            if (!first)
                m_out.put(' ');
            first = false;
            each(value);
        }
    }

    // ------------------------------------------------------------ elements

    bool writeAttribute(Attribute& attribute, int depth)
    {
        if (m_out.size() > s_chunk && !flush())
            return false;
        if (depth > files::s_maxDepth)
        {
            m_error = "the tree is nested too deeply to save";
            return false;
        }
        return detail::withType(attribute.getAttributeType(),
                                [&](auto traits) { return writeTyped(traits, attribute, depth); });
    }

    template <class Traits> bool writeTyped(Traits, Attribute& attribute, int depth)
    {
        constexpr detail::TypeShape shape = Traits::s_shape;
        if constexpr (shape == detail::TypeShape::None)
        {
            m_error = "attribute of unknown type";
            return false;
        }
        else if constexpr (shape == detail::TypeShape::Node)
            return writeNode(static_cast<Node&>(attribute), depth);
        else if constexpr (shape == detail::TypeShape::Composite)
        {
            if (attribute.isDynamic())
            {
                m_error = "dynamic " + std::string(Traits::s_xmlName) + " attributes cannot be saved";
                return false;
            }
            open(Traits::s_type, attribute, depth);
            return writeComposite(static_cast<CompositeAttribute&>(attribute), depth);
        }
        else
        {
            auto& typed = static_cast<typename Traits::Class&>(attribute);
            if constexpr (std::is_same_v<typename Traits::Class, PointerAttribute>)
                if (!attribute.isDynamic())
                {
                    pointerElement(typed.getValue(), true, attribute, depth);
                    return true;
                }
            bool hasChildren = false;
            open(Traits::s_type, attribute, depth);
            if (attribute.isDynamic())
                dynamicDef(Traits(), attribute.getDef(), depth, hasChildren);
            if constexpr (shape == detail::TypeShape::Value)
                return writeValue(Traits(), typed, depth, hasChildren);
            else
                return writeArray(Traits(), typed, depth, hasChildren);
        }
    }

    template <class Traits>
    bool writeValue(Traits, const typename Traits::Class& attribute, int depth, bool hasChildren)
    {
        // Pointers and values after a definition's children go in an element of their own.
        if constexpr (!std::is_same_v<typename Traits::Value, Attribute*>)
            if (!hasChildren)
            {
                m_out.put('>');
                Traits::printText(*this, attribute.getDef(), attribute.getValue());
                close(Traits::s_type);
                return true;
            }
        if (!hasChildren)
            m_out.put('>');
        valueElement(Traits(), attribute, attribute.getValue(), depth + 1);
        closeBlock(Traits::s_type, depth);
        return true;
    }

    template <class Traits>
    bool writeArray(Traits, const typename Traits::Class& attribute, int depth, bool hasChildren)
    {
        using Element = typename Traits::Element;
        if constexpr (Element::s_inElements)
        {
            if (!hasChildren)
                m_out.put('>');
            for (const auto& value : attribute.getValues())
                valueElement(Element(), attribute, value, depth + 1);
            if (attribute.getSize() == 0 && !attribute.isDynamic())
            {
                // An empty list is written as an empty element.
                m_out.back() = '/';
                m_out.put('>');
                return true;
            }
            closeBlock(Traits::s_type, depth);
        }
        else
        {
            m_out.put('>');
            list(attribute.getValues(),
                 [&](const auto& value) { Element::printText(*this, attribute.getDef(), value); });
            close(Traits::s_type);
        }
        return true;
    }

    /// One value as an <e> child.
    template <class Traits, class Value>
    void valueElement(Traits, const Attribute& owner, const Value& value, int depth)
    {
        newline(depth);
        m_out.literal("<e>");
        Traits::printText(*this, owner.getDef(), value);
        m_out.literal("</e>");
    }

    template <class Traits> void valueElement(Traits, const Attribute& owner, Attribute* target, int depth)
    {
        pointerElement(target, false, owner, depth);
    }

    /// Child `index` of `composite` as the save writes it (see files::StandIns).
    Attribute& childOf(const CompositeAttribute& composite, unsigned int index) const
    {
        // The savers only read; the typed views they use are not const.
        return *const_cast<Attribute*>(m_standIns.childOf(composite, index));
    }

    bool writeComposite(CompositeAttribute& composite, int depth)
    {
        const unsigned int count = m_standIns.countIn(composite);
        if (count == 0)
        {
            m_out.literal("/>");
            return true;
        }
        m_out.put('>');
        for (unsigned int i = 0; i < count; ++i)
        {
            if (m_pieces && m_pieces->startsAt(&composite, i))
            {
                i += m_pieces->next().count - 1;
                if (!writeWrittenPiece())
                    return false;
            }
            else if (!writeAttribute(childOf(composite, i), depth + 1))
                return false;
        }
        closeBlock(composite.getAttributeType(), depth);
        return true;
    }

    bool writeNode(Node& node, int depth)
    {
        if (depth > files::s_maxDepth)
        {
            m_error = "the tree is nested too deeply to save";
            return false;
        }
        if (!m_progress.node())
        {
            m_error = "cancelled";
            return false;
        }
        newline(depth);
        m_out.literal("<node type=\"");
        escape(node.getClassID(), true);
        m_out.literal("\" name=\"");
        escape(node.getName(), true);
        m_out.put('"');
        if (node.getAttributeCount() == 0)
        {
            m_out.literal("/>");
            return true;
        }
        m_out.put('>');
        // The paths a node's pointers need are asked for now, and are there
        // when its members are written: finding one in the table of paths
        // known was a cache miss per pointer, the table being far bigger than
        // the cache.
        if (!m_knownPaths.empty())
        {
            const std::size_t mask = m_knownPaths.size() - 1;
            for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
            {
                const Attribute* member = node.getAttribute(i);
                if (member->getAttributeType() == Pointer)
                {
                    const Attribute* target = static_cast<const PointerAttribute*>(member)->getValue();
                    __builtin_prefetch(&m_knownPaths[files::hashOfAddress(target) & mask]);
                }
            }
        }
        for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
            if (!writeAttribute(*node.getAttribute(i), depth + 1))
                return false;
        closeBlock(NodeType, depth);
        return true;
    }

    FileOutputStream* m_stream;
    SharedPaths& m_paths;
    const files::StandIns& m_standIns;
    Snippet m_openTags[NodeType + 1];
    Snippet m_closeTags[NodeType + 1];
    Snippet m_elementOpen{"<e"};
    Snippet m_elementClose{"</e>"};
    /// Paths written before, for the next pointers to the same targets: a
    /// file's pointers share a few targets (materials, most of them), and the
    /// shared table takes a lock that the writers would queue for. Open
    /// addressing with most texts in their slots: a map with a node and a
    /// string per entry cost two cache misses more per pointer. Bounded, for
    /// files whose pointers all differ.
    std::vector<KnownPath> m_knownPaths;
    std::size_t m_knownCount = 0;
    std::string m_pathText;
    /// Scratch for the path being asked for.
    std::string m_path;
    static constexpr std::size_t s_knownPathLimit = 1 << 14;
    static constexpr std::size_t s_pathTextLimit = std::size_t(1) << 28;
    std::string m_error;
    files::SaveProgress m_progress;
    files::XmlPieces* m_pieces = nullptr;
};

/// How many nodes a save writes: those of `root`, with the stand-ins in place of their container's own.
std::size_t nodesWritten(const Attribute& root, const files::StandIns& standIns)
{
    std::size_t count = files::nodesToSave(root);
    if (const CompositeAttribute* container = standIns.container)
    {
        for (unsigned int i = 0; i < container->getAttributeCount(); ++i)
            count -= files::nodesToSave(*container->getAttribute(i));
        for (const Node* node : *standIns.nodes)
            count += files::nodesToSave(*node);
    }
    return count;
}

} // namespace

SaverXML::SaverXML(FileOutputStream& stream, int flags) : m_stream(stream), m_flags(flags)
{
}

bool SaverXML::save(const Attribute* root)
{
    return write(root, nullptr);
}

bool SaverXML::saveAsTopNodes(const Database& database, const std::vector<const Node*>& nodes)
{
    return write(&database, &nodes);
}

bool SaverXML::write(const Attribute* root, const std::vector<const Node*>* topNodes)
{
    if (!files::canSave(root, m_stream, m_error))
        return false;
    // The savers only read; the typed views they use are not const.
    auto* mutableRoot = const_cast<Attribute*>(root);
    const bool indent = (m_flags & s_compact) == 0;
    files::StandIns standIns;
    const std::vector<const Node*> noTopNodes;
    if (topNodes)
        standIns = {&mutableRoot->asDatabase()->getRootContainer(), topNodes};
    SharedPaths paths(root, topNodes ? *topNodes : noTopNodes);
    TreeWriter writer(&m_stream, paths, standIns, indent, m_progress, m_progress ? nodesWritten(*root, standIns) : 0);

    // Big saves: helpers write runs of nodes while this thread writes the
    // rest, each piece into the file in its turn. The database is read from
    // several threads: nobody else may use it meanwhile (see s_oneThread).
    // Helpers start on the first pieces while the later ones are planned.
    files::Pool<std::unique_ptr<TreeWriter>> helpers;
    const Progress noProgress;
    files::XmlPieces pieces(
        [&](files::WrittenPiece& piece, files::XmlPieces::Buffers& buffers)
        {
            std::unique_ptr<TreeWriter> helper = helpers.take();
            if (!helper)
                helper = std::make_unique<TreeWriter>(nullptr, paths, standIns, indent, noProgress, 0);
            helper->writePiece(piece, buffers);
            helpers.give(std::move(helper));
        });
    if (!(m_flags & s_oneThread))
        pieces.plan(*root->asNode(), standIns, topNodes != nullptr);
    writer.setPieces(&pieces);
    if (!writer.writeDocument(mutableRoot, m_error))
        return false;
    if (!m_stream.commit())
    {
        m_error = m_stream.getError();
        return false;
    }
    return true;
}

} // namespace db
