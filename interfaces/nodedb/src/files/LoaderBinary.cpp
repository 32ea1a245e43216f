#include <db/LoaderBinary.h>

#include <db/ReferenceResolver.h>

#include "../AttributeTypes.h"
#include "../Editor.h"
#include "AllAttributes.h"
#include "BinaryFormat.h"
#include "BinaryRuns.h"
#include "ByteIO.h"
#include "LoadSupport.h"
#include "UnitBuilder.h"
#include "Utf8.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <type_traits>

namespace db
{

namespace
{

namespace binary = files::binary;
using files::ByteReader;
using files::RunPlace;

/// Builds a detached tree from the records of a checked body; stops at the first problem.
class BinaryReader
{
public:
    BinaryReader(TypeRegistry& registry, LoadError& error, files::BuiltPart& built)
        : m_registry(registry), m_error(error), m_built(&built)
    {
    }

    /// Uses the names another reader read, for reading runs of the same file;
    /// `from` must outlive this.
    void shareNames(const BinaryReader& from)
    {
        m_names = from.m_names;
        m_nodeDefs.assign(m_names->size(), nullptr);
        m_namedDefs.assign(m_names->size(), nullptr);
    }

    /// The node records of a run, built apart; their pointers go to `unit`,
    /// and their paths are looked up all together at its end.
    bool readRun(ByteReader records, int depth, files::BuiltUnit& unit)
    {
        m_built = &unit.built;
        m_notePaths = true;
        while (!records.atEnd())
        {
            std::uint8_t tag = 0;
            ByteReader record(nullptr, 0);
            if (!records.record(tag, record) || tag != binary::s_tagNode)
                return fail(records, "not a run of nodes");
            Node* node = readNode(record, depth, false);
            if (!node)
                return false;
            unit.add(*node);
            if (!record.atEnd())
                return fail(record, "record longer than its value");
        }
        std::size_t bad = 0;
        if (!unit.built.internNoted(bad))
            return failAt(bad, "bad pointer path");
        unit.ok = true;
        return true;
    }

    /// The runs at `places` were built apart: `units` hands over their nodes where they were.
    void setRuns(const std::vector<RunPlace>* places, files::UnitSource* units)
    {
        m_runPlaces = places;
        m_units = units;
    }

    bool readNames(ByteReader& body)
    {
        std::uint8_t tag = 0;
        ByteReader names(nullptr, 0);
        if (!body.record(tag, names))
            return fail(body, "truncated record");
        if (tag != binary::s_tagNames)
            return fail(body, "the names record is missing");
        std::uint32_t count = 0;
        if (!names.count(count, 4))
            return fail(names, "bad name count");
        m_ownNames.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
        {
            std::string utf8;
            if (!names.string(utf8))
                return fail(names, "truncated record");
            if (!files::fromUtf8(utf8.data(), utf8.size(), m_ownNames[i]))
                return fail(names, "bad UTF-8 in a name");
        }
        m_nodeDefs.assign(count, nullptr);
        m_namedDefs.assign(count, nullptr);
        return true;
    }

    Node* readNode(ByteReader& record, int depth, bool databaseRoot)
    {
        if (depth > files::s_maxDepth)
        {
            fail(record, "nodes are nested too deeply");
            return nullptr;
        }
        std::size_t start = record.offset();
        std::uint32_t typeIndex = record.u32();
        std::string name;
        if (!record.string(name))
        {
            fail(record, "truncated record");
            return nullptr;
        }
        if (typeIndex >= m_names->size())
        {
            failAt(start, "bad name index");
            return nullptr;
        }
        NodeDef* def = m_nodeDefs[typeIndex];
        if (!def)
            def = m_nodeDefs[typeIndex] = m_registry.findNodeDef((*m_names)[typeIndex]);
        if (!def)
        {
            failAt(start, "unknown node type \"" + files::toUtf8((*m_names)[typeIndex]) + "\"");
            return nullptr;
        }
        bool isDatabaseType = def == &m_registry.getDatabaseDef();
        if (databaseRoot != isDatabaseType || (!databaseRoot && !def->isCreatable()))
        {
            failAt(start, databaseRoot ? "a database file must start with a \"Database\" node"
                                       : "node type \"" + files::toUtf8(def->getName()) + "\" cannot be created here");
            return nullptr;
        }
        std::wstring wideName;
        if (!files::fromUtf8(name.data(), name.size(), wideName))
        {
            failAt(start, "bad UTF-8 in a node name");
            return nullptr;
        }
        auto node = std::make_unique<Node>(*def, std::move(wideName));
        const std::size_t listed = m_built->started(*node);
        if (!readMembers(*node, record, depth))
            return nullptr;
        m_built->finished(*node, listed);
        return node.release();
    }

private:
    bool fail(const ByteReader& where, const std::string& what) { return failAt(where.offset(), what); }

    bool failAt(std::size_t offset, const std::string& what)
    {
        if (m_error.what.empty())
        {
            m_error.offset = offset;
            m_error.what = what;
        }
        return false;
    }

    bool readMembers(CompositeAttribute& composite, ByteReader& records, int depth)
    {
        unsigned int next = 0;
        while (!records.atEnd())
        {
            std::size_t start = records.offset();
            std::uint8_t tag = 0;
            ByteReader payload(nullptr, 0);
            if (!records.record(tag, payload))
                return failAt(start, "truncated record");
            if (!readMember(composite, tag, payload, start, depth + 1, next))
                return false;
        }
        return true;
    }

    bool readMember(CompositeAttribute& composite, std::uint8_t tag, ByteReader& payload, std::size_t start, int depth,
                    unsigned int& next)
    {
        if (depth > files::s_maxDepth)
            return failAt(start, "attributes are nested too deeply");
        bool dynamic = (tag & binary::s_dynamicBit) != 0;
        auto type = static_cast<AttributeType>(tag & ~binary::s_dynamicBit);
        if (type < Int || type > Compound)
            return failAt(start, "unknown record type " + std::to_string(tag));
        std::uint32_t nameIndex = payload.u32();
        if (!payload.ok())
            return failAt(start, "truncated record");
        if (nameIndex >= m_names->size())
            return failAt(start, "bad name index");
        const std::wstring& name = (*m_names)[nameIndex];
        Attribute* attribute = nullptr;
        if (dynamic)
        {
            Node* node = composite.asNode();
            if (!node)
                return failAt(start, "only nodes hold dynamic attributes");
            auto def = readDefinition(payload, type, name, start);
            if (!def)
                return false;
            attribute = node->addDynamicAttribute(std::move(def));
            if (!attribute)
                return failAt(start, "bad dynamic attribute \"" + files::toUtf8(name) + "\"");
        }
        else
        {
            attribute = member(composite, nameIndex, next);
            if (!attribute)
                return failAt(start, "no attribute \"" + files::toUtf8(name) + "\" in \"" +
                                         files::toUtf8(composite.getDef().getName()) + "\"");
            if (attribute->getAttributeType() != type)
                return failAt(start, "attribute \"" + files::toUtf8(name) + "\" is a " +
                                         detail::xmlNameOf(attribute->getAttributeType()) + ", not a " +
                                         detail::xmlNameOf(type));
        }
        if (!readValue(*attribute, payload, start, depth))
            return false;
        if (!payload.atEnd())
            return failAt(start, "record longer than its value");
        return true;
    }

    /// The member named by name `nameIndex`. Files list members in schema
    /// order, so the ones after the previous match are tried before the name
    /// look-up; and the members of one type share their definitions, so the
    /// definition that had the name last time is known without the name.
    Attribute* member(CompositeAttribute& composite, std::uint32_t nameIndex, unsigned int& next)
    {
        const std::wstring& name = (*m_names)[nameIndex];
        const AttributeDef*& named = m_namedDefs[nameIndex];
        // Members left at their defaults may be missing: look a few places ahead.
        const unsigned int end = std::min(composite.getAttributeCount(), next + 4);
        for (unsigned int i = next; i < end; ++i)
        {
            Attribute* candidate = composite.getAttribute(i);
            if (candidate->isDynamic())
                continue;
            if (&candidate->getDef() == named || candidate->getName() == name)
            {
                named = &candidate->getDef();
                next = i + 1;
                return candidate;
            }
        }
        Attribute* found = composite.findAttribute(name);
        if (found && found->getParentAttribute() == &composite)
            next = found->getIndex() + 1;
        return found;
    }

    std::unique_ptr<AttributeDef> readDefinition(ByteReader& in, AttributeType type, const std::wstring& name,
                                                 std::size_t start)
    {
        return detail::withType(type, [&](auto traits) { return readDefinitionOf(traits, in, name, start); });
    }

    template <class Traits>
    std::unique_ptr<AttributeDef> readDefinitionOf(Traits, ByteReader& in, const std::wstring& name, std::size_t start)
    {
        if constexpr (Traits::s_shape != detail::TypeShape::Value && Traits::s_shape != detail::TypeShape::Array)
        {
            failAt(start, std::string("dynamic ") + (Traits::s_xmlName ? Traits::s_xmlName : "?") +
                              " attributes are not supported");
            return nullptr;
        }
        else
        {
            using Element = typename detail::ElementOf<Traits>::type;
            int units = in.i32();
            bool hasLimits = in.u8() != 0;
            double minimum = in.f64();
            double maximum = in.f64();
            std::unique_ptr<AttributeDef> def;
            EnumAttributeDef* enumDef = nullptr;
            if constexpr (std::is_same_v<Element, detail::TypeTraits<Enum>>)
            {
                auto owned = std::make_unique<EnumAttributeDef>(name, Traits::s_type, units);
                enumDef = owned.get();
                def = std::move(owned);
            }
            else
                def = std::make_unique<AttributeDef>(name, Traits::s_type, units);
            if (hasLimits)
            {
                if (!Element::fits(minimum) || !Element::fits(maximum) || minimum > maximum)
                    return badDefinition(start);
                def->setLimits(minimum, maximum);
            }
            if constexpr (Element::s_savedDefault)
            {
                using Default = typename Element::Default;
                typename Default::Value value{};
                if (Default::readBinary(in, value))
                    return badDefinition(start);
                if constexpr (std::is_same_v<typename Default::Value, double>)
                    if (!Element::fits(value))
                        return badDefinition(start);
                Element::setDefault(*def, value);
            }
            std::uint32_t options = 0;
            bool ok = in.count(options, 8);
            for (std::uint32_t i = 0; ok && i < options; ++i)
            {
                int value = in.i32();
                std::string text;
                std::wstring wide;
                ok = in.string(text) && files::fromUtf8(text.data(), text.size(), wide) && enumDef &&
                     enumDef->addString(wide, value);
            }
            if (!ok || !in.ok())
                return badDefinition(start);
            return def;
        }
    }

    std::unique_ptr<AttributeDef> badDefinition(std::size_t start)
    {
        failAt(start, "bad definition");
        return nullptr;
    }

    bool pointer(Attribute& attribute, int index, ByteReader& in, std::size_t start)
    {
        std::uint8_t kind = in.u8();
        if (kind == binary::s_pointerNull)
            return in.ok() || failAt(start, "truncated record");
        if (kind != binary::s_pointerAbsolute && kind != binary::s_pointerLocal)
            return failAt(start, "bad pointer kind");
        std::string_view path;
        if (!in.view(path))
            return failAt(start, "bad pointer path");
        if (m_notePaths)
            m_built->pointerNoted(attribute, index, kind == binary::s_pointerLocal, path.data(), path.size(), start);
        else if (!m_built->pointerRead(attribute, index, kind == binary::s_pointerLocal, path.data(), path.size(),
                                       start))
            return failAt(start, "bad pointer path");
        return true;
    }

    bool readValue(Attribute& attribute, ByteReader& in, std::size_t start, int depth)
    {
        return detail::withType(attribute.getAttributeType(),
                                [&](auto traits) { return readTyped(traits, attribute, in, start, depth); });
    }

    template <class Traits> bool readTyped(Traits, Attribute& attribute, ByteReader& in, std::size_t start, int depth)
    {
        constexpr detail::TypeShape shape = Traits::s_shape;
        if constexpr (shape == detail::TypeShape::Value)
        {
            auto& typed = static_cast<typename Traits::Class&>(attribute);
            if constexpr (std::is_same_v<typename Traits::Value, Attribute*>)
                return pointer(typed, -1, in, start);
            else
            {
                typename Traits::Value value{};
                if (const char* why = Traits::readBinary(in, value))
                    return failAt(start, why);
                typed.setValue(value);
            }
        }
        else if constexpr (shape == detail::TypeShape::Array)
        {
            if (!readArray(Traits(), static_cast<typename Traits::Class&>(attribute), in, start))
                return false;
        }
        else if constexpr (Traits::s_type == NodeContainerType)
        {
            if (!readContainer(static_cast<NodeContainer&>(attribute), in, depth))
                return false;
        }
        else if constexpr (Traits::s_type == AttributeArrayType)
        {
            if (!readAttributeArray(static_cast<AttributeArray&>(attribute), in, depth))
                return false;
        }
        else if constexpr (Traits::s_type == Compound)
            return readMembers(static_cast<CompositeAttribute&>(attribute), in, depth);
        else
            return failAt(start, "unexpected record");
        return in.ok() || failAt(start, "truncated record");
    }

    /// A count, then each element's fields.
    template <class Traits> bool readArray(Traits, typename Traits::Class& attribute, ByteReader& in, std::size_t start)
    {
        using Element = typename Traits::Element;
        std::uint32_t count = 0;
        if (!in.count(count, Element::s_binarySize))
            return failAt(start, "array longer than its record");
        if constexpr (std::is_same_v<typename Element::Value, Attribute*>)
        {
            attribute.setValues(std::vector<Attribute*>(count, nullptr));
            for (std::uint32_t i = 0; i < count; ++i)
                if (!pointer(attribute, static_cast<int>(i), in, start))
                    return false;
        }
        else if constexpr (Element::s_packed && files::s_littleEndian)
        {
            // Laid out in the file as in memory: the count was checked against what remains.
            typename Traits::Value values(count);
            static_assert(sizeof(values[0]) == Element::s_binarySize, "packed values lie as in memory");
            in.copy(values.data(), count * sizeof(values[0]));
            attribute.setValues(std::move(values));
        }
        else
        {
            typename Traits::Value values;
            values.reserve(count);
            typename Element::Value value{};
            for (std::uint32_t i = 0; i < count; ++i)
            {
                if (const char* why = Element::readBinary(in, value))
                    return failAt(start, why);
                values.push_back(std::move(value));
            }
            attribute.setValues(std::move(values));
        }
        return true;
    }

    bool readContainer(NodeContainer& container, ByteReader& in, int depth)
    {
        while (!in.atEnd())
        {
            std::size_t at = in.offset();
            if (m_runPlaces && m_nextRun < m_runPlaces->size() && (*m_runPlaces)[m_nextRun].offset == at)
            {
                if (!takeRun(container, in, at))
                    return false;
                continue;
            }
            std::uint8_t tag = 0;
            ByteReader record(nullptr, 0);
            if (!in.record(tag, record))
                return failAt(at, "truncated record");
            if (tag != binary::s_tagNode)
                return failAt(at, "a container holds only node records");
            Node* node = readNode(record, depth + 1, false);
            if (!node)
                return false;
            if (!record.atEnd())
            {
                delete node;
                return failAt(at, "record longer than its value");
            }
            if (!detail::Editor::appendBuilt(container, *node))
            {
                std::string type = files::toUtf8(node->getClassID());
                delete node;
                return failAt(at,
                              "a \"" + type + "\" node cannot go into \"" + files::toUtf8(container.getName()) + "\"");
            }
        }
        return true;
    }

    bool readAttributeArray(AttributeArray& array, ByteReader& in, int depth)
    {
        while (!in.atEnd())
        {
            std::size_t at = in.offset();
            std::uint8_t tag = 0;
            ByteReader record(nullptr, 0);
            if (!in.record(tag, record))
                return failAt(at, "truncated record");
            if (tag != Compound)
                return failAt(at, "an attribute array holds only compound records");
            if (depth + 1 > files::s_maxDepth)
                return failAt(at, "attributes are nested too deeply");
            CompositeAttribute* item = array.add();
            if (!item)
                return failAt(at, "cannot add an element");
            if (!readMembers(*item, record, depth + 1))
                return false;
        }
        return true;
    }

    bool takeRun(NodeContainer& container, ByteReader& in, std::size_t at)
    {
        const RunPlace& place = (*m_runPlaces)[m_nextRun++];
        files::BuiltUnit* unit = m_units->nextUnit();
        if (!unit || !unit->ok || !in.skip(place.bytes))
            return failAt(at, "a run failed");
        for (Node*& node : unit->nodes)
        {
            if (!detail::Editor::appendBuilt(container, *node))
                return failAt(at, "a node of a run cannot go into its container");
            node = nullptr;
        }
        m_built->append(unit->built);
        return true;
    }

    TypeRegistry& m_registry;
    LoadError& m_error;
    files::BuiltPart* m_built;
    const std::vector<RunPlace>* m_runPlaces = nullptr;
    std::size_t m_nextRun = 0;
    files::UnitSource* m_units = nullptr;
    std::vector<std::wstring> m_ownNames;
    const std::vector<std::wstring>* m_names = &m_ownNames;
    std::vector<NodeDef*> m_nodeDefs;
    /// By name: the definition of the member that had it last.
    std::vector<const AttributeDef*> m_namedDefs;
    /// Whether pointers' paths wait to be looked up together (readRun).
    bool m_notePaths = false;
};

/// A piece of the body whose checksum is worked out on its own.
struct ChecksumPiece
{
    const char* bytes = nullptr;
    std::size_t size = 0;
    std::uint32_t crc = 0;
    bool done = false;
};

/// The CRC-32 of a file's body, the same as zlib's (the saver's), worked out
/// on another processor piece by piece while the file is still being read,
/// the pieces then joined: reading leaves that processor idle otherwise.
class BodyChecksum
{
public:
    BodyChecksum()
        : m_pieces(
              [](ChecksumPiece& piece)
              {
                  piece.crc = libdeflate_crc32(0, piece.bytes, piece.size);
                  piece.done = true;
              },
              files::loadWorkerCount() > 0 ? 1 : 0)
    {
    }

    /// The bytes of the file before `end` have been read to `data`.
    void readUpTo(const char* data, std::size_t end)
    {
        if (end <= m_next)
            return;
        auto piece = std::make_unique<ChecksumPiece>();
        piece->bytes = data + m_next;
        piece->size = end - m_next;
        m_next = end;
        m_pieces.add(std::move(piece));
    }

    /// The checksum of the body of the whole file, `size` bytes at `data`.
    std::uint32_t finish(const char* data, std::size_t size)
    {
        readUpTo(data, size);
        uLong crc = 0;
        for (std::size_t k = 0; k < m_pieces.size(); ++k)
        {
            ChecksumPiece& piece = m_pieces.take(k);
            if (!piece.done) // out of memory on the way: here, then
                piece.crc = libdeflate_crc32(0, piece.bytes, piece.size);
            crc = crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.size));
        }
        return static_cast<std::uint32_t>(crc);
    }

private:
    std::size_t m_next = binary::s_headerSize;
    files::UnitBuilder<ChecksumPiece> m_pieces;
};

} // namespace

LoaderBinary::LoaderBinary(FileInputStream& stream, int flags, ReferenceResolver* resolver)
    : m_stream(stream), m_flags(flags), m_resolver(resolver)
{
}

bool LoaderBinary::load(Attribute* target)
{
    m_error = LoadError();
    m_subtree = false;
    m_error.fileName = m_stream.getFileName();
    if (!m_stream.isOpen())
    {
        m_error.what = m_stream.getError().empty() ? "cannot read the file" : m_stream.getError();
        return false;
    }
    if (!target)
    {
        m_error.what = "nothing to load into";
        return false;
    }

    // Reading is the first half of the work, building the second.
    const std::size_t fileSize = m_stream.size();
    BodyChecksum checksumming;
    const bool read = m_stream.readWhole(
        [&](std::size_t done, std::size_t)
        {
            checksumming.readUpTo(m_stream.dataSoFar(), done);
            return !m_progress || m_progress(done, 2 * fileSize);
        });
    if (!read)
    {
        if (m_stream.isOpen())
            return cancelled();
        m_error.what = m_stream.getError();
        return false;
    }

    // The header is checked whole before any record is read: a damaged or
    // truncated file fails here, not half way through building the tree.
    const char* data = m_stream.data();
    std::size_t size = m_stream.size();
    ByteReader header(data, size);
    unsigned char magic[8] = {};
    for (unsigned char& byte : magic)
        byte = header.u8();
    if (!header.ok() || std::memcmp(magic, binary::s_magic, sizeof magic) != 0)
    {
        m_error.what = "not a binary node database file";
        return false;
    }
    std::uint16_t version = header.u16();
    std::uint16_t kind = header.u16();
    std::uint32_t checksum = header.u32();
    std::uint64_t length = header.u64();
    if (!header.ok())
    {
        m_error.offset = size;
        m_error.what = "truncated header";
        return false;
    }
    if (version != binary::s_version)
    {
        m_error.offset = 8;
        m_error.what = "unsupported file version " + std::to_string(version);
        return false;
    }
    if (kind != binary::s_kindDatabase && kind != binary::s_kindSubtree)
    {
        m_error.offset = 10;
        m_error.what = "unknown file kind " + std::to_string(kind);
        return false;
    }
    std::size_t bodySize = size - binary::s_headerSize;
    if (length != bodySize)
    {
        m_error.offset = length > bodySize ? size : binary::s_headerSize + length;
        m_error.what = length > bodySize ? "truncated file" : "unexpected bytes after the end";
        return false;
    }
    const char* body = data + binary::s_headerSize;
    const std::uint32_t crc = checksumming.finish(data, size);
    // Fuzzing builds read past a wrong checksum: otherwise almost every mutated
    // input would stop here and the record parser would never be exercised.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    constexpr bool checkChecksum = false;
#else
    constexpr bool checkChecksum = true;
#endif
    if (checkChecksum && static_cast<std::uint32_t>(crc) != checksum)
    {
        m_error.offset = 12;
        m_error.what = "checksum mismatch";
        return false;
    }

    const files::FileKind fileKind =
        kind == binary::s_kindDatabase ? files::FileKind::Database : files::FileKind::Subtree;
    TypeRegistry& registry = files::registryFor(target, m_registry);
    files::DetachedTree tree;
    tree.kind = fileKind;
    BinaryReader reader(registry, m_error, tree.built);
    ByteReader records(body, bodySize, binary::s_headerSize);
    if (!reader.readNames(records))
        return false;
    std::size_t at = records.offset();
    std::uint8_t tag = 0;
    ByteReader nodeRecord(nullptr, 0);
    if (!records.record(tag, nodeRecord))
    {
        m_error.offset = at;
        m_error.what = "truncated record";
        return false;
    }
    if (tag != binary::s_tagNode || !records.atEnd())
    {
        m_error.offset = at;
        m_error.what = "a file holds exactly one node record after the names";
        return false;
    }
    const bool databaseRoot = fileKind == files::FileKind::Database;

    // Runs of small nodes are built in parallel and the rest read around
    // them. Anything that fails there is read again in file order, which
    // reports the first problem exactly.
    std::vector<RunPlace> places;
    if (files::findRuns(nodeRecord, 1, places) && !places.empty())
    {
        const std::shared_ptr<files::PathTable> paths = tree.built.pathTable();
        files::ParallelRuns runs(places,
                                 [&](files::BinaryBatch& batch)
                                 {
                                     LoadError error;
                                     files::BuiltPart unused;
                                     BinaryReader runReader(registry, error, unused);
                                     runReader.shareNames(reader);
                                     for (std::size_t i = 0; i < batch.units.size(); ++i)
                                     {
                                         const RunPlace& place = places[batch.first + i];
                                         ByteReader run(data + place.offset, place.bytes, place.offset);
                                         batch.units[i].built.paths = paths;
                                         batch.units[i].built.nodes.reserve(place.bytes / files::s_binaryNodeBytes);
                                         if (!runReader.readRun(run, place.depth, batch.units[i]))
                                             break; // the reader of the rest meets the run that failed
                                     }
                                 });
        const bool going = runs.help([&](std::size_t built)
                                     { return !m_progress || m_progress(size + std::min(built, size), 2 * size); });
        if (!going)
            return cancelled();
        LoadError runError;
        tree.built.nodes.reserve(bodySize / files::s_binaryNodeBytes);
        BinaryReader around(registry, runError, tree.built);
        around.shareNames(reader);
        around.setRuns(&places, &runs.units());
        // A copy of the record: reading it again in file order starts from its beginning.
        ByteReader aroundRecord = nodeRecord;
        tree.root.reset(around.readNode(aroundRecord, 1, databaseRoot));
        if (!tree.root || runs.units().nextUnit() != nullptr)
        {
            tree.root.reset();
            tree.built = files::BuiltPart();
        }
    }
    if (!tree.root)
    {
        tree.root.reset(reader.readNode(nodeRecord, 1, databaseRoot));
        if (!tree.root)
            return false;
    }
    if (m_progress && !m_progress(2 * size, 2 * size))
        return cancelled();
    m_subtree = tree.kind == files::FileKind::Subtree;
    if (m_beforeAttach)
        m_beforeAttach();
    if (!files::attachLoaded(tree, target, m_resolver, m_error))
        return false;
    if (m_afterAttach)
        m_afterAttach();
    return true;
}

bool LoaderBinary::isBinaryFile(FileInputStream& stream)
{
    // The first four bytes only: a file whose line ends were changed in
    // transfer is still told apart, and the loader says what happened to it.
    const std::string mark = stream.head(4);
    return mark.size() == 4 && std::memcmp(mark.data(), binary::s_magic, 4) == 0;
}

bool LoaderBinary::cancelled()
{
    m_error = LoadError();
    m_error.fileName = m_stream.getFileName();
    m_error.what = "cancelled";
    m_error.cancelled = true;
    return false;
}

} // namespace db
