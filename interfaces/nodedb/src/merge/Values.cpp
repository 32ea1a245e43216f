#include "merge/Values.h"
#include "merge/TreeIndex.h"

#include <db/AttributeArray.h>
#include <db/EnumArrayAttribute.h>
#include <db/EnumAttributeDef.h>
#include <db/Node.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/ValueText.h>

#include <functional>
#include <sstream>

namespace db::detail
{

namespace
{

/// Numbers stay apart by their text, where NaN equals NaN as a merge wants.
bool isFloatKind(AttributeType type)
{
    return type == Float || type == Double || type == Vector3 || type == Matrix34 || type == FloatArray ||
           type == DoubleArray || type == Vector3Array || type == Matrix34Array;
}

std::wstring quoted(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text)
    {
        if (c == L'"' || c == L'\\')
            out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring pathOf(const Attribute* target)
{
    std::wstring path;
    if (target)
        target->toDatabasePath(path);
    return path;
}

std::wstring joined(const std::vector<std::wstring>& parts, const wchar_t* open, const wchar_t* close)
{
    std::wstring out = open;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? L", " : L"") + parts[i];
    return out + close;
}

std::uint64_t mix(std::uint64_t seed, std::uint64_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

bool isPointerKind(AttributeType type)
{
    return type == Pointer || type == PointerArray;
}

} // namespace

long long Identity::nodeId(int index) const
{
    if (!m_match)
        return index;
    const int base = m_match->toBase[static_cast<std::size_t>(index)];
    if (base >= 0)
        return base;
    return -((static_cast<long long>(m_side) << 40) + index) - 3;
}

Identity::Target Identity::of(const Attribute* target) const
{
    Target result;
    if (!target)
        return result;
    const Node* owner = target->asNode() ? target->asNode() : target->getOwnerNode();
    const int index = m_tree.indexOf(owner);
    result.node = index < 0 ? -2 : nodeId(index);
    if (owner != target)
        target->toDatabasePath(result.member, owner);
    return result;
}

bool sameValue(const Attribute& a, const Identity& ia, const Attribute& b, const Identity& ib)
{
    const AttributeType type = a.getAttributeType();
    if (type != b.getAttributeType())
        return false;
    switch (type)
    {
    case Pointer:
        return ia.of(static_cast<const PointerAttribute&>(a).getValue()) ==
               ib.of(static_cast<const PointerAttribute&>(b).getValue());
    case PointerArray:
    {
        const auto& left = static_cast<const PointerArrayAttribute&>(a).getValues();
        const auto& right = static_cast<const PointerArrayAttribute&>(b).getValues();
        if (left.size() != right.size())
            return false;
        for (std::size_t i = 0; i < left.size(); ++i)
            if (!(ia.of(left[i]) == ib.of(right[i])))
                return false;
        return true;
    }
    case NodeContainerType:
        return true;
    case Compound:
    case AttributeArrayType:
    {
        const auto& left = *a.asCompositeAttribute();
        const auto& right = *b.asCompositeAttribute();
        if (left.getAttributeCount() != right.getAttributeCount())
            return false;
        for (unsigned int i = 0; i < left.getAttributeCount(); ++i)
            if (!sameValue(*left.getAttribute(i), ia, *right.getAttribute(i), ib))
                return false;
        return true;
    }
    default:
        return a.hasSameValue(b) || (isFloatKind(type) && valueText(a) == valueText(b));
    }
}

std::wstring valueText(const Attribute& attribute)
{
    std::wstring text;
    if (hasValueText(attribute))
    {
        valueToText(attribute, text);
        return text;
    }
    switch (attribute.getAttributeType())
    {
    case StringArray:
    case EnumArray:
    case PointerArray:
        return joined(elementTexts(attribute), L"[", L"]");
    case Compound:
    {
        const CompositeAttribute& compound = *attribute.asCompositeAttribute();
        std::vector<std::wstring> members;
        for (unsigned int i = 0; i < compound.getAttributeCount(); ++i)
            members.push_back(compound.getAttribute(i)->getName() + L": " + valueText(*compound.getAttribute(i)));
        return joined(members, L"{", L"}");
    }
    case AttributeArrayType:
        return joined(elementTexts(attribute), L"[", L"]");
    default:
        return text;
    }
}

std::vector<std::wstring> elementTexts(const Attribute& array, const Identity* identity)
{
    std::vector<std::wstring> out;
    const unsigned int size = array.getSize();
    switch (array.getAttributeType())
    {
    case StringArray:
        for (const std::wstring& value : static_cast<const StringArrayAttribute&>(array).getValues())
            out.push_back(quoted(value));
        return out;
    case EnumArray:
    {
        const auto& enums = static_cast<const EnumArrayAttribute&>(array);
        for (int value : enums.getValues())
        {
            const int at = enums.getEnumDef().findValue(value);
            out.push_back(at >= 0 ? enums.getEnumDef().getString(static_cast<unsigned int>(at))
                                  : std::to_wstring(value));
        }
        return out;
    }
    case PointerArray:
        for (const Attribute* target : static_cast<const PointerArrayAttribute&>(array).getValues())
        {
            if (!identity)
            {
                out.push_back(pathOf(target));
                continue;
            }
            Identity::Target id = identity->of(target);
            out.push_back(std::to_wstring(id.node) + L"#" + id.member);
        }
        return out;
    case AttributeArrayType:
        for (unsigned int i = 0; i < size; ++i)
            out.push_back(valueText(*array.asCompositeAttribute()->getAttribute(i)));
        return out;
    default:
        break;
    }
    // Numbers, truth values, vectors and matrices: the array's text holds a
    // fixed count of words per element.
    std::wstring text;
    if (size == 0 || !valueToText(array, text))
        return out;
    std::wistringstream words(text);
    std::vector<std::wstring> all;
    for (std::wstring word; words >> word;)
        all.push_back(word);
    const std::size_t per = all.size() / size;
    for (std::size_t i = 0; i + per <= all.size() && per > 0; i += per)
    {
        std::wstring element = all[i];
        for (std::size_t w = 1; w < per; ++w)
            element += L" " + all[i + w];
        out.push_back(element);
    }
    return out;
}

std::uint64_t contentHash(const Node& node)
{
    std::uint64_t hash = 0;
    std::hash<std::wstring> hashText;
    for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
    {
        const Attribute& member = *node.getAttribute(i);
        const AttributeType type = member.getAttributeType();
        if (type == NodeContainerType)
            continue;
        hash = mix(hash, hashText(member.getName()));
        if (type == Pointer)
            hash = mix(hash, static_cast<const PointerAttribute&>(member).getValue() != nullptr);
        else if (type == PointerArray)
            hash = mix(hash, member.getSize());
        else
            hash = mix(hash, hashText(valueText(member)));
    }
    return hash;
}

double similarity(const Node& a, const Node& b)
{
    unsigned int total = 0;
    unsigned int same = 0;
    for (unsigned int i = 0; i < a.getAttributeCount(); ++i)
    {
        const Attribute& left = *a.getAttribute(i);
        const Attribute* right =
            i < b.getAttributeCount() && !left.isDynamic() ? b.getAttribute(i) : b.findAttribute(left.getName());
        if (left.isNodeContainer())
            continue;
        ++total;
        if (!right || right->getAttributeType() != left.getAttributeType())
            continue;
        if (isPointerKind(left.getAttributeType()))
            same +=
                (valueText(left).empty() == valueText(*right).empty() && left.getSize() == right->getSize()) ? 1 : 0;
        else
            same += left.hasSameValue(*right) ? 1 : 0;
    }
    return total == 0 ? 1.0 : static_cast<double>(same) / static_cast<double>(total);
}

} // namespace db::detail
