#include <db/SaverBinary.h>

#include "AllAttributes.h"
#include "BinaryFormat.h"
#include "ByteIO.h"
#include "LoadSupport.h"
#include "Utf8.h"

#include <zlib.h>

#include <unordered_map>

namespace db {

namespace {

namespace binary = files::binary;

class BinaryWriter
{
public:
    explicit BinaryWriter(const Attribute* savedRoot) : m_paths(savedRoot) {}

    bool writeNode(const Node& node, int depth)
    {
        if (depth > files::s_maxDepth)
            return fail("the tree is nested too deeply to save");
        std::size_t at = m_body.beginRecord(binary::s_tagNode);
        m_body.u32(nameIndex(&node.getNodeDef(), node.getClassID()));
        m_body.string(files::toUtf8(node.getName()));
        if (!writeMembers(node, depth))
            return false;
        m_body.endRecord(at);
        return true;
    }

    /// The names record followed by the node records, as the file's body.
    std::vector<char> names()
    {
        files::ByteWriter out;
        std::size_t at = out.beginRecord(binary::s_tagNames);
        out.u32(static_cast<std::uint32_t>(m_names.size()));
        for (const std::wstring& name : m_names)
            out.string(files::toUtf8(name));
        out.endRecord(at);
        return std::move(out.bytes());
    }
    std::vector<char>& body() { return m_body.bytes(); }
    const std::string& error() const { return m_error; }

private:
    bool fail(const std::string& what)
    {
        m_error = what;
        return false;
    }

    std::uint32_t nameIndex(const void* key, const std::wstring& name)
    {
        auto found = m_byKey.find(key);
        if (found != m_byKey.end())
            return found->second;
        auto byName = m_byName.find(name);
        std::uint32_t index;
        if (byName != m_byName.end())
            index = byName->second;
        else
        {
            index = static_cast<std::uint32_t>(m_names.size());
            m_names.push_back(name);
            m_byName.emplace(name, index);
        }
        m_byKey.emplace(key, index);
        return index;
    }

    bool writeMembers(const CompositeAttribute& composite, int depth)
    {
        for (unsigned int i = 0; i < composite.getAttributeCount(); ++i)
            if (!writeAttribute(*composite.getAttribute(i), depth + 1))
                return false;
        return true;
    }

    void pointer(const Attribute* target)
    {
        std::wstring path;
        bool local = false;
        if (!m_paths.get(target, path, local))
        {
            m_body.u8(binary::s_pointerNull);
            return;
        }
        m_body.u8(local ? binary::s_pointerLocal : binary::s_pointerAbsolute);
        m_body.string(files::toUtf8(path));
    }

    void vector(const OrkP::Vector3& v)
    {
        m_body.f32(v.x);
        m_body.f32(v.y);
        m_body.f32(v.z);
    }

    void matrix(const OrkP::Matrix34& m)
    {
        for (int row = 0; row < 4; ++row)
            vector(m[row]);
    }

    bool definition(const AttributeDef& def)
    {
        AttributeType type = def.getAttributeType();
        if (type < Int || type > PointerArray)
            return fail(std::string("dynamic ") + files::typeText(type) + " attributes cannot be saved");
        m_body.i32(def.getUnits());
        m_body.u8(def.hasLimits() ? 1 : 0);
        m_body.f64(def.getMinimum());
        m_body.f64(def.getMaximum());
        switch (type)
        {
        case String:
        case StringArray: m_body.string(files::toUtf8(def.getDefaultString())); break;
        case Vector3:
        case Vector3Array: vector(def.getDefaultVector3()); break;
        case Matrix34:
        case Matrix34Array: matrix(def.getDefaultMatrix34()); break;
        case Pointer:
        case PointerArray: break;
        default: m_body.f64(def.getDefaultDouble());
        }
        const EnumAttributeDef* enumDef = def.asEnumAttributeDef();
        m_body.u32(enumDef ? enumDef->getStringCount() : 0);
        if (enumDef)
            for (unsigned int i = 0; i < enumDef->getStringCount(); ++i)
            {
                m_body.i32(enumDef->getStringValue(i));
                m_body.string(files::toUtf8(enumDef->getString(i)));
            }
        return true;
    }

    bool writeAttribute(const Attribute& constAttribute, int depth)
    {
        if (depth > files::s_maxDepth)
            return fail("the tree is nested too deeply to save");
        // Typed views are not const; nothing here changes the attribute.
        auto& attribute = const_cast<Attribute&>(constAttribute);
        AttributeType type = attribute.getAttributeType();
        if (type == NodeType)
            return writeNode(*attribute.asNode(), depth);
        std::uint8_t tag = static_cast<std::uint8_t>(type);
        bool element = attribute.getParentAttribute() && attribute.getParentAttribute()->isAttributeArray();
        if (attribute.isDynamic())
            tag |= binary::s_dynamicBit;
        std::size_t at = m_body.beginRecord(tag);
        if (!element)
            m_body.u32(nameIndex(&attribute.getDef(), attribute.getName()));
        if (attribute.isDynamic() && !definition(attribute.getDef()))
            return false;

        switch (type)
        {
        case Int: m_body.i32(attribute.asIntAttribute()->getValue()); break;
        case Bool: m_body.u8(attribute.asBoolAttribute()->getValue() ? 1 : 0); break;
        case Enum: m_body.i32(attribute.asEnumAttribute()->getValue()); break;
        case Float: m_body.f32(attribute.asFloatAttribute()->getValue()); break;
        case Double: m_body.f64(attribute.asDoubleAttribute()->getValue()); break;
        case String: m_body.string(files::toUtf8(attribute.asStringAttribute()->getValue())); break;
        case Vector3: vector(attribute.asVector3Attribute()->getValue()); break;
        case Matrix34: matrix(attribute.asMatrix34Attribute()->getValue()); break;
        case Pointer: pointer(attribute.asPointerAttribute()->getValue()); break;
        case IntArray:
            m_body.u32(attribute.getSize());
            for (int v : attribute.asIntArrayAttribute()->getValues())
                m_body.i32(v);
            break;
        case BoolArray:
            m_body.u32(attribute.getSize());
            for (bool v : attribute.asBoolArrayAttribute()->getValues())
                m_body.u8(v ? 1 : 0);
            break;
        case EnumArray:
            m_body.u32(attribute.getSize());
            for (int v : attribute.asEnumArrayAttribute()->getValues())
                m_body.i32(v);
            break;
        case FloatArray:
            m_body.u32(attribute.getSize());
            for (float v : attribute.asFloatArrayAttribute()->getValues())
                m_body.f32(v);
            break;
        case DoubleArray:
            m_body.u32(attribute.getSize());
            for (double v : attribute.asDoubleArrayAttribute()->getValues())
                m_body.f64(v);
            break;
        case StringArray:
            m_body.u32(attribute.getSize());
            for (const std::wstring& v : attribute.asStringArrayAttribute()->getValues())
                m_body.string(files::toUtf8(v));
            break;
        case Vector3Array:
            m_body.u32(attribute.getSize());
            for (const OrkP::Vector3& v : attribute.asVector3ArrayAttribute()->getValues())
                vector(v);
            break;
        case Matrix34Array:
            m_body.u32(attribute.getSize());
            for (const OrkP::Matrix34& m : attribute.asMatrix34ArrayAttribute()->getValues())
                matrix(m);
            break;
        case PointerArray:
            m_body.u32(attribute.getSize());
            for (Attribute* target : attribute.asPointerArrayAttribute()->getValues())
                pointer(target);
            break;
        case NodeContainerType:
        case AttributeArrayType:
        case Compound:
            if (!writeMembers(*attribute.asCompositeAttribute(), depth))
                return false;
            break;
        default:
            return fail("attribute of unknown type");
        }
        m_body.endRecord(at);
        return true;
    }

    files::PointerPaths m_paths;
    files::ByteWriter m_body;
    std::vector<std::wstring> m_names;
    std::unordered_map<const void*, std::uint32_t> m_byKey;
    std::unordered_map<std::wstring, std::uint32_t> m_byName;
    std::string m_error;
};

} // namespace

SaverBinary::SaverBinary(FileOutputStream& stream, int flags) : m_stream(stream), m_flags(flags) {}

bool SaverBinary::save(const Attribute* root)
{
    m_error.clear();
    if (!root || !root->asNode())
    {
        m_error = "only a database or a node can be saved";
        return false;
    }
    if (!m_stream.isOpen())
    {
        m_error = m_stream.getError();
        return false;
    }
    BinaryWriter writer(root);
    if (!writer.writeNode(*root->asNode(), 1))
    {
        m_error = writer.error();
        return false;
    }
    std::vector<char> names = writer.names();
    std::vector<char>& nodes = writer.body();

    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(names.data()), names.size());
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(nodes.data()), nodes.size());

    files::ByteWriter header;
    header.raw(binary::s_magic, sizeof binary::s_magic);
    header.u16(binary::s_version);
    header.u16(const_cast<Attribute*>(root)->asDatabase() ? binary::s_kindDatabase : binary::s_kindSubtree);
    header.u32(static_cast<std::uint32_t>(crc));
    header.u64(names.size() + nodes.size());

    if (!m_stream.write(header.bytes().data(), header.size()) || !m_stream.write(names.data(), names.size())
        || !m_stream.write(nodes.data(), nodes.size()) || !m_stream.commit())
    {
        m_error = m_stream.getError();
        return false;
    }
    return true;
}

} // namespace db
