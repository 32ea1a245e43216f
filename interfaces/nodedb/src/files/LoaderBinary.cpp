#include <db/LoaderBinary.h>

#include <db/ReferenceResolver.h>

#include "AllAttributes.h"
#include "BinaryFormat.h"
#include "ByteIO.h"
#include "LoadSupport.h"
#include "Utf8.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>

namespace db {

namespace {

namespace binary = files::binary;
using files::ByteReader;

/// Builds a detached tree from the records of a checked body; stops at the first problem.
class BinaryReader
{
public:
    BinaryReader(TypeRegistry& registry, LoadError& error, std::vector<files::PendingPointer>& pointers)
        : m_registry(registry), m_error(error), m_pointers(pointers)
    {
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
        m_names.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
        {
            std::string utf8;
            if (!names.string(utf8))
                return fail(names, "truncated record");
            if (!files::fromUtf8(utf8.data(), utf8.size(), m_names[i]))
                return fail(names, "bad UTF-8 in a name");
        }
        m_nodeDefs.assign(count, nullptr);
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
        if (typeIndex >= m_names.size())
        {
            failAt(start, "bad name index");
            return nullptr;
        }
        NodeDef* def = m_nodeDefs[typeIndex];
        if (!def)
            def = m_nodeDefs[typeIndex] = m_registry.findNodeDef(m_names[typeIndex]);
        if (!def)
        {
            failAt(start, "unknown node type \"" + files::toUtf8(m_names[typeIndex]) + "\"");
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
        if (!readMembers(*node, record, depth))
            return nullptr;
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

    bool readMember(CompositeAttribute& composite, std::uint8_t tag, ByteReader& payload, std::size_t start,
                    int depth, unsigned int& next)
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
        if (nameIndex >= m_names.size())
            return failAt(start, "bad name index");
        const std::wstring& name = m_names[nameIndex];
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
            attribute = member(composite, name, next);
            if (!attribute)
                return failAt(start, "no attribute \"" + files::toUtf8(name) + "\" in \""
                                         + files::toUtf8(composite.getDef().getName()) + "\"");
            if (attribute->getAttributeType() != type)
                return failAt(start, "attribute \"" + files::toUtf8(name) + "\" is a "
                                         + files::typeText(attribute->getAttributeType()) + ", not a "
                                         + files::typeText(type));
        }
        if (!readValue(*attribute, payload, start, depth))
            return false;
        if (!payload.atEnd())
            return failAt(start, "record longer than its value");
        return true;
    }

    /// The member of that name. Files list members in schema order, so the ones
    /// after the previous match are tried before the name look-up.
    static Attribute* member(CompositeAttribute& composite, const std::wstring& name, unsigned int& next)
    {
        // Members left at their defaults may be missing: look a few places ahead.
        const unsigned int end = std::min(composite.getAttributeCount(), next + 4);
        for (unsigned int i = next; i < end; ++i)
        {
            Attribute* candidate = composite.getAttribute(i);
            if (!candidate->isDynamic() && candidate->getName() == name)
            {
                next = i + 1;
                return candidate;
            }
        }
        Attribute* found = composite.findAttribute(name);
        if (found && found->getParentAttribute() == &composite)
            next = found->getIndex() + 1;
        return found;
    }

    OrkP::Vector3 vector(ByteReader& in)
    {
        float x = in.f32();
        float y = in.f32();
        float z = in.f32();
        return OrkP::Vector3(x, y, z);
    }

    OrkP::Matrix34 matrix(ByteReader& in)
    {
        OrkP::Matrix34 m;
        for (int row = 0; row < 4; ++row)
            m[row] = vector(in);
        return m;
    }

    std::unique_ptr<AttributeDef> readDefinition(ByteReader& in, AttributeType type, const std::wstring& name,
                                                 std::size_t start)
    {
        if (type > PointerArray)
        {
            failAt(start, std::string("dynamic ") + files::typeText(type) + " attributes are not supported");
            return nullptr;
        }
        int units = in.i32();
        bool hasLimits = in.u8() != 0;
        double minimum = in.f64();
        double maximum = in.f64();
        std::unique_ptr<AttributeDef> def;
        std::unique_ptr<EnumAttributeDef> enumDef;
        if (type == Enum || type == EnumArray)
        {
            enumDef = std::make_unique<EnumAttributeDef>(name, type, units);
            def.reset(enumDef.get());
        }
        else
            def = std::make_unique<AttributeDef>(name, type, units);
        if (hasLimits)
        {
            if (!files::numberFits(type, minimum) || !files::numberFits(type, maximum) || minimum > maximum)
            {
                enumDef.release();
                failAt(start, "bad definition");
                return nullptr;
            }
            def->setLimits(minimum, maximum);
        }
        switch (type)
        {
        case String:
        case StringArray:
        {
            std::string text;
            std::wstring wide;
            if (!in.string(text) || !files::fromUtf8(text.data(), text.size(), wide))
            {
                enumDef.release();
                failAt(start, "bad definition");
                return nullptr;
            }
            def->setDefaultString(wide);
            break;
        }
        case Vector3:
        case Vector3Array: def->setDefaultVector3(vector(in)); break;
        case Matrix34:
        case Matrix34Array: def->setDefaultMatrix34(matrix(in)); break;
        case Pointer:
        case PointerArray: break;
        default:
        {
            double number = in.f64();
            if (!files::numberFits(type, number))
            {
                enumDef.release();
                failAt(start, "bad definition");
                return nullptr;
            }
            def->setDefaultNumber(number);
        }
        }
        std::uint32_t options = 0;
        bool ok = in.count(options, 8);
        for (std::uint32_t i = 0; ok && i < options; ++i)
        {
            int value = in.i32();
            std::string text;
            std::wstring wide;
            ok = in.string(text) && files::fromUtf8(text.data(), text.size(), wide) && enumDef
                 && enumDef->addString(wide, value);
        }
        enumDef.release(); // owned by `def`
        if (!ok || !in.ok())
        {
            failAt(start, "bad definition");
            return nullptr;
        }
        return def;
    }

    bool pointer(Attribute& attribute, int index, ByteReader& in, std::size_t start)
    {
        std::uint8_t kind = in.u8();
        if (kind == binary::s_pointerNull)
            return in.ok() || failAt(start, "truncated record");
        if (kind != binary::s_pointerAbsolute && kind != binary::s_pointerLocal)
            return failAt(start, "bad pointer kind");
        std::string path;
        files::PendingPointer p;
        if (!in.string(path) || !files::fromUtf8(path.data(), path.size(), p.path))
            return failAt(start, "bad pointer path");
        p.attribute = &attribute;
        p.index = index;
        p.local = kind == binary::s_pointerLocal;
        p.offset = start;
        m_pointers.push_back(std::move(p));
        return true;
    }

    template <typename T, typename Read>
    bool array(ByteReader& in, std::size_t elementSize, std::vector<T>& values, Read read, std::size_t start)
    {
        std::uint32_t count = 0;
        if (!in.count(count, elementSize))
            return failAt(start, "array longer than its record");
        values.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i)
            values.push_back(read());
        return in.ok() || failAt(start, "truncated record");
    }

    bool readValue(Attribute& attribute, ByteReader& in, std::size_t start, int depth)
    {
        switch (attribute.getAttributeType())
        {
        case Int: attribute.asIntAttribute()->setValue(in.i32()); break;
        case Bool:
        {
            std::uint8_t v = in.u8();
            if (v > 1)
                return failAt(start, "bad bool value");
            attribute.asBoolAttribute()->setValue(v != 0);
            break;
        }
        case Enum: attribute.asEnumAttribute()->setValue(in.i32()); break;
        case Float: attribute.asFloatAttribute()->setValue(in.f32()); break;
        case Double: attribute.asDoubleAttribute()->setValue(in.f64()); break;
        case String:
        {
            std::string text;
            std::wstring wide;
            if (!in.string(text))
                return failAt(start, "truncated record");
            if (!files::fromUtf8(text.data(), text.size(), wide))
                return failAt(start, "bad UTF-8 in string");
            attribute.asStringAttribute()->setValue(wide);
            break;
        }
        case Vector3: attribute.asVector3Attribute()->setValue(vector(in)); break;
        case Matrix34: attribute.asMatrix34Attribute()->setValue(matrix(in)); break;
        case Pointer: return pointer(attribute, -1, in, start);
        case IntArray:
        {
            std::vector<int> v;
            if (!array(in, 4, v, [&] { return in.i32(); }, start))
                return false;
            attribute.asIntArrayAttribute()->setValues(std::move(v));
            break;
        }
        case BoolArray:
        {
            std::vector<bool> v;
            bool good = true;
            if (!array(in, 1, v, [&] { std::uint8_t b = in.u8(); good = good && b <= 1; return b != 0; }, start))
                return false;
            if (!good)
                return failAt(start, "bad bool value");
            attribute.asBoolArrayAttribute()->setValues(v);
            break;
        }
        case EnumArray:
        {
            std::vector<int> v;
            if (!array(in, 4, v, [&] { return in.i32(); }, start))
                return false;
            attribute.asEnumArrayAttribute()->setValues(std::move(v));
            break;
        }
        case FloatArray:
        {
            std::vector<float> v;
            if (!array(in, 4, v, [&] { return in.f32(); }, start))
                return false;
            attribute.asFloatArrayAttribute()->setValues(std::move(v));
            break;
        }
        case DoubleArray:
        {
            std::vector<double> v;
            if (!array(in, 8, v, [&] { return in.f64(); }, start))
                return false;
            attribute.asDoubleArrayAttribute()->setValues(std::move(v));
            break;
        }
        case StringArray:
        {
            std::uint32_t count = 0;
            if (!in.count(count, 4))
                return failAt(start, "array longer than its record");
            std::vector<std::wstring> v(count);
            for (std::uint32_t i = 0; i < count; ++i)
            {
                std::string text;
                if (!in.string(text))
                    return failAt(start, "truncated record");
                if (!files::fromUtf8(text.data(), text.size(), v[i]))
                    return failAt(start, "bad UTF-8 in string");
            }
            attribute.asStringArrayAttribute()->setValues(std::move(v));
            break;
        }
        case Vector3Array:
        {
            std::vector<OrkP::Vector3> v;
            if (!array(in, 12, v, [&] { return vector(in); }, start))
                return false;
            attribute.asVector3ArrayAttribute()->setValues(std::move(v));
            break;
        }
        case Matrix34Array:
        {
            std::vector<OrkP::Matrix34> v;
            if (!array(in, 48, v, [&] { return matrix(in); }, start))
                return false;
            attribute.asMatrix34ArrayAttribute()->setValues(std::move(v));
            break;
        }
        case PointerArray:
        {
            std::uint32_t count = 0;
            if (!in.count(count, 1))
                return failAt(start, "array longer than its record");
            attribute.asPointerArrayAttribute()->setValues(std::vector<Attribute*>(count, nullptr));
            for (std::uint32_t i = 0; i < count; ++i)
                if (!pointer(attribute, static_cast<int>(i), in, start))
                    return false;
            break;
        }
        case NodeContainerType:
        {
            auto* container = attribute.asNodeContainer();
            while (!in.atEnd())
            {
                std::size_t at = in.offset();
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
                if (!container->add(node))
                {
                    std::string type = files::toUtf8(node->getClassID());
                    delete node;
                    return failAt(at, "a \"" + type + "\" node cannot go into \""
                                          + files::toUtf8(attribute.getName()) + "\"");
                }
            }
            break;
        }
        case AttributeArrayType:
        {
            auto* array = attribute.asAttributeArray();
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
                CompositeAttribute* item = array->add();
                if (!item)
                    return failAt(at, "cannot add an element");
                if (!readMembers(*item, record, depth + 1))
                    return false;
            }
            break;
        }
        case Compound:
            return readMembers(*attribute.asCompositeAttribute(), in, depth);
        default:
            return failAt(start, "unexpected record");
        }
        return in.ok() || failAt(start, "truncated record");
    }

    TypeRegistry& m_registry;
    LoadError& m_error;
    std::vector<files::PendingPointer>& m_pointers;
    std::vector<std::wstring> m_names;
    std::vector<NodeDef*> m_nodeDefs;
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
    // The same CRC-32 as zlib's (the saver's), computed faster.
    std::uint32_t crc = libdeflate_crc32(0, body, bodySize);
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

    files::DetachedTree tree;
    tree.kind = kind == binary::s_kindDatabase ? files::FileKind::Database : files::FileKind::Subtree;
    BinaryReader reader(files::registryFor(target, m_registry), m_error, tree.pointers);
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
    tree.root.reset(reader.readNode(nodeRecord, 1, tree.kind == files::FileKind::Database));
    if (!tree.root)
        return false;
    m_subtree = tree.kind == files::FileKind::Subtree;
    return files::attachLoaded(tree, target, m_resolver, m_error);
}

} // namespace db
