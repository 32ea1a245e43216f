#include <db/SaverXML.h>

#include "AllAttributes.h"
#include "LoadSupport.h"
#include "NumberText.h"
#include "Utf8.h"

namespace db {

namespace {

using files::appendDouble;
using files::appendFloat;
using files::appendInt;

/// Writes the document into a string that is handed to the stream in large pieces.
class XmlWriter
{
public:
    XmlWriter(FileOutputStream& stream, const Attribute* savedRoot, bool indent)
        : m_stream(stream), m_paths(savedRoot), m_indent(indent)
    {
        m_out.reserve(s_chunk + 4096);
    }

    bool writeDocument(Attribute* root, std::string& error)
    {
        m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nodedb version=\"1\" kind=\"";
        m_out += root->asDatabase() ? "database" : "subtree";
        m_out += "\">";
        if (!writeNode(*root->asNode(), 1))
        {
            error = m_error;
            return false;
        }
        m_out += "\n</nodedb>\n";
        if (!flush())
        {
            error = m_error;
            return false;
        }
        return true;
    }

private:
    static constexpr std::size_t s_chunk = 1 << 16;

    bool flush()
    {
        if (!m_stream.write(m_out.data(), m_out.size()))
        {
            m_error = m_stream.getError();
            return false;
        }
        m_out.clear();
        return true;
    }

    void newline(int depth)
    {
        if (!m_indent)
            return;
        m_out.push_back('\n');
        m_out.append(static_cast<std::size_t>(depth) * 2, ' ');
    }

    // Control characters that XML would drop or normalise are written as
    // character references; pugixml reads those back unchanged.
    void escape(const std::wstring& text, bool inAttribute)
    {
        m_utf8.clear();
        files::appendUtf8(m_utf8, text.data(), text.size());
        for (char c : m_utf8)
        {
            switch (c)
            {
            case '&': m_out += "&amp;"; break;
            case '<': m_out += "&lt;"; break;
            case '>': m_out += "&gt;"; break;
            case '"':
                if (inAttribute)
                    m_out += "&quot;";
                else
                    m_out.push_back(c);
                break;
            case '\n':
                if (inAttribute)
                    m_out += "&#10;";
                else
                    m_out.push_back(c);
                break;
            case '\t':
                if (inAttribute)
                    m_out += "&#9;";
                else
                    m_out.push_back(c);
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20)
                {
                    m_out += "&#";
                    appendInt(m_out, static_cast<unsigned char>(c));
                    m_out.push_back(';');
                }
                else
                    m_out.push_back(c);
            }
        }
    }

    void open(const char* element, const Attribute& attribute, int depth)
    {
        newline(depth);
        m_out.push_back('<');
        m_out += element;
        if (!attribute.isNode() && attribute.getParentAttribute()
            && !attribute.getParentAttribute()->isAttributeArray())
        {
            m_out += " name=\"";
            escape(attribute.getName(), true);
            m_out.push_back('"');
        }
    }

    void close(const char* element)
    {
        m_out += "</";
        m_out += element;
        m_out.push_back('>');
    }

    void closeBlock(const char* element, int depth)
    {
        newline(depth);
        close(element);
    }

    void attributeNumber(const char* key, double value)
    {
        m_out.push_back(' ');
        m_out += key;
        m_out += "=\"";
        appendDouble(m_out, value);
        m_out.push_back('"');
    }

    void vector(const OrkP::Vector3& v)
    {
        appendFloat(m_out, v.x);
        m_out.push_back(' ');
        appendFloat(m_out, v.y);
        m_out.push_back(' ');
        appendFloat(m_out, v.z);
    }

    void matrix(const OrkP::Matrix34& m)
    {
        for (int row = 0; row < 4; ++row)
        {
            if (row > 0)
                m_out.push_back(' ');
            vector(m[row]);
        }
    }

    void enumText(const EnumAttributeDef& def, int value)
    {
        int index = def.findValue(value);
        if (index >= 0 && !def.getString(static_cast<unsigned int>(index)).empty())
            escape(def.getString(static_cast<unsigned int>(index)), false);
        else
            appendInt(m_out, value);
    }

    /// The definition of a dynamic attribute, as XML attributes and option children.
    bool dynamicDef(const AttributeDef& def, int depth, bool& hasChildren)
    {
        AttributeType type = def.getAttributeType();
        if (type == Compound || type == AttributeArrayType || type == NodeContainerType)
        {
            m_error = "dynamic " + std::string(files::typeText(type)) + " attributes cannot be saved";
            return false;
        }
        m_out += " dynamic=\"1\"";
        if (def.getUnits() != 0)
        {
            m_out += " units=\"";
            appendInt(m_out, def.getUnits());
            m_out.push_back('"');
        }
        if (def.hasLimits())
        {
            attributeNumber("min", def.getMinimum());
            attributeNumber("max", def.getMaximum());
        }
        switch (type)
        {
        case String:
        case StringArray:
            m_out += " default=\"";
            escape(def.getDefaultString(), true);
            m_out.push_back('"');
            break;
        case Vector3:
        case Vector3Array:
            m_out += " default=\"";
            vector(def.getDefaultVector3());
            m_out.push_back('"');
            break;
        case Matrix34:
        case Matrix34Array:
            m_out += " default=\"";
            matrix(def.getDefaultMatrix34());
            m_out.push_back('"');
            break;
        case Pointer:
        case PointerArray:
            break;
        default:
            attributeNumber("default", def.getDefaultDouble());
        }
        hasChildren = false;
        if (const EnumAttributeDef* enumDef = def.asEnumAttributeDef())
        {
            m_out.push_back('>');
            hasChildren = true;
            for (unsigned int i = 0; i < enumDef->getStringCount(); ++i)
            {
                newline(depth + 1);
                m_out += "<option value=\"";
                appendInt(m_out, enumDef->getStringValue(i));
                m_out += "\">";
                escape(enumDef->getString(i), false);
                m_out += "</option>";
            }
        }
        return true;
    }

    void pointerElement(const char* element, const Attribute* target, bool named, const Attribute& owner,
                        int depth)
    {
        std::wstring path;
        bool local = false;
        bool set = m_paths.get(target, path, local);
        if (named)
            open(element, owner, depth);
        else
        {
            newline(depth);
            m_out.push_back('<');
            m_out += element;
        }
        if (local)
            m_out += " local=\"1\"";
        if (!set || path.empty())
        {
            m_out += "/>";
            return;
        }
        m_out.push_back('>');
        escape(path, false);
        close(element);
    }

    template <typename Values, typename Each>
    void list(const Values& values, Each each)
    {
        bool first = true;
        for (const auto& value : values)
        {
            if (!first)
                m_out.push_back(' ');
            first = false;
            each(value);
        }
    }

    bool writeAttribute(Attribute& attribute, int depth)
    {
        if (m_out.size() > s_chunk && !flush())
            return false;
        if (depth > files::s_maxDepth)
        {
            m_error = "the tree is nested too deeply to save";
            return false;
        }
        AttributeType type = attribute.getAttributeType();
        const char* element = files::typeText(type);
        if (!element)
        {
            m_error = "attribute of unknown type";
            return false;
        }
        if (type == NodeType)
            return writeNode(*attribute.asNode(), depth);

        bool hasChildren = false;
        if (type == Pointer && !attribute.isDynamic())
        {
            pointerElement(element, attribute.asPointerAttribute()->getValue(), true, attribute, depth);
            return true;
        }
        open(element, attribute, depth);
        if (attribute.isDynamic() && !dynamicDef(attribute.getDef(), depth, hasChildren))
            return false;

        switch (type)
        {
        case Pointer:
        {
            // A dynamic pointer: its path goes into a child so the definition can stay on the element.
            if (!hasChildren)
                m_out.push_back('>');
            hasChildren = true;
            pointerElement("e", attribute.asPointerAttribute()->getValue(), false, attribute, depth + 1);
            break;
        }
        case Enum:
            if (hasChildren)
            {
                newline(depth + 1);
                m_out += "<e>";
                enumText(attribute.asEnumAttribute()->getEnumDef(), attribute.asEnumAttribute()->getValue());
                m_out += "</e>";
            }
            else
            {
                m_out.push_back('>');
                enumText(attribute.asEnumAttribute()->getEnumDef(), attribute.asEnumAttribute()->getValue());
                close(element);
                return true;
            }
            break;
        case EnumArray:
        case StringArray:
        case PointerArray:
        {
            if (!hasChildren)
                m_out.push_back('>');
            hasChildren = true;
            if (auto* strings = attribute.asStringArrayAttribute())
                for (const auto& value : strings->getValues())
                {
                    newline(depth + 1);
                    m_out += "<e>";
                    escape(value, false);
                    m_out += "</e>";
                }
            else if (auto* enums = attribute.asEnumArrayAttribute())
                for (int value : enums->getValues())
                {
                    newline(depth + 1);
                    m_out += "<e>";
                    enumText(enums->getEnumDef(), value);
                    m_out += "</e>";
                }
            else
                for (Attribute* target : attribute.asPointerArrayAttribute()->getValues())
                    pointerElement("e", target, false, attribute, depth + 1);
            if (attribute.getSize() == 0 && !attribute.isDynamic())
            {
                // An empty list is written as an empty element.
                m_out.back() = '/';
                m_out.push_back('>');
                return true;
            }
            break;
        }
        case NodeContainerType:
        case AttributeArrayType:
        case Compound:
        {
            auto* composite = attribute.asCompositeAttribute();
            if (composite->getAttributeCount() == 0)
            {
                m_out += "/>";
                return true;
            }
            m_out.push_back('>');
            for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
                if (!writeAttribute(*composite->getAttribute(i), depth + 1))
                    return false;
            closeBlock(element, depth);
            return true;
        }
        default:
            if (hasChildren)
                break;
            m_out.push_back('>');
            writeValue(attribute);
            close(element);
            return true;
        }
        closeBlock(element, depth);
        return true;
    }

    void writeValue(Attribute& attribute)
    {
        switch (attribute.getAttributeType())
        {
        case Int: appendInt(m_out, attribute.asIntAttribute()->getValue()); break;
        case Bool: m_out += attribute.asBoolAttribute()->getValue() ? "true" : "false"; break;
        case Float: appendFloat(m_out, attribute.asFloatAttribute()->getValue()); break;
        case Double: appendDouble(m_out, attribute.asDoubleAttribute()->getValue()); break;
        case String: escape(attribute.asStringAttribute()->getValue(), false); break;
        case Vector3: vector(attribute.asVector3Attribute()->getValue()); break;
        case Matrix34: matrix(attribute.asMatrix34Attribute()->getValue()); break;
        case IntArray: list(attribute.asIntArrayAttribute()->getValues(), [&](int v) { appendInt(m_out, v); }); break;
        case BoolArray:
            list(attribute.asBoolArrayAttribute()->getValues(), [&](bool v) { m_out += v ? "true" : "false"; });
            break;
        case FloatArray:
            list(attribute.asFloatArrayAttribute()->getValues(), [&](float v) { appendFloat(m_out, v); });
            break;
        case DoubleArray:
            list(attribute.asDoubleArrayAttribute()->getValues(), [&](double v) { appendDouble(m_out, v); });
            break;
        case Vector3Array:
            list(attribute.asVector3ArrayAttribute()->getValues(), [&](const OrkP::Vector3& v) { vector(v); });
            break;
        case Matrix34Array:
            list(attribute.asMatrix34ArrayAttribute()->getValues(), [&](const OrkP::Matrix34& m) { matrix(m); });
            break;
        default: break;
        }
    }

    bool writeNode(Node& node, int depth)
    {
        if (depth > files::s_maxDepth)
        {
            m_error = "the tree is nested too deeply to save";
            return false;
        }
        newline(depth);
        m_out += "<node type=\"";
        escape(node.getClassID(), true);
        m_out += "\" name=\"";
        escape(node.getName(), true);
        m_out.push_back('"');
        if (node.getAttributeCount() == 0)
        {
            m_out += "/>";
            return true;
        }
        m_out.push_back('>');
        for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
            if (!writeAttribute(*node.getAttribute(i), depth + 1))
                return false;
        closeBlock("node", depth);
        return true;
    }

    FileOutputStream& m_stream;
    files::PointerPaths m_paths;
    bool m_indent;
    std::string m_out;
    std::string m_utf8;
    std::string m_error;
};

} // namespace

SaverXML::SaverXML(FileOutputStream& stream, int flags) : m_stream(stream), m_flags(flags) {}

bool SaverXML::save(const Attribute* root)
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
    // The savers only read; the typed views they use are not const.
    auto* mutableRoot = const_cast<Attribute*>(root);
    XmlWriter writer(m_stream, root, (m_flags & s_compact) == 0);
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
