// One value as text, outside any file: what the user copies from an editor
// and pastes into another attribute. The text is the XML files' own, written
// by the types' descriptions and read by the loader's NodeBuilder, so that a
// value copied from a saved file pastes and a pasted value saves unchanged.

#include <db/ValueText.h>

#include "../AttributeTypes.h"
#include "NodeBuilder.h"
#include "NumberText.h"
#include "Utf8.h"

#include <type_traits>

namespace db
{

namespace
{

/// The writer the types' printText expects, writing plain UTF-8.
class PlainWriter
{
public:
    explicit PlainWriter(std::string& out) : m_out(out) {}

    void text(int value) { files::appendInt(m_out, value); }
    void text(bool value) { m_out += value ? "true" : "false"; }
    void text(float value) { files::appendFloat(m_out, value); }
    void text(double value) { files::appendDouble(m_out, value); }
    void text(const std::wstring& value) { files::appendUtf8(m_out, value.data(), value.size()); }
    void text(const OrkP::Vector3& v)
    {
        text(v.x);
        m_out += ' ';
        text(v.y);
        m_out += ' ';
        text(v.z);
    }
    void text(const OrkP::Matrix34& m)
    {
        for (int row = 0; row < 4; ++row)
        {
            if (row > 0)
                m_out += ' ';
            text(m[row]);
        }
    }
    void enumText(const EnumAttributeDef& def, int value)
    {
        const int index = def.findValue(value);
        if (index >= 0 && !def.getString(static_cast<unsigned int>(index)).empty())
            text(def.getString(static_cast<unsigned int>(index)));
        else
            text(value);
    }

private:
    std::string& m_out;
};

/// Values of the type have one text: not the kinds files spread over several elements.
template <class Traits> constexpr bool hasText()
{
    if constexpr (Traits::s_shape == detail::TypeShape::Value)
        return true;
    else if constexpr (Traits::s_shape == detail::TypeShape::Array)
        return !Traits::Element::s_inElements;
    else
        return false;
}

bool noTextForm(const char* typeName, std::string& why)
{
    why = std::string(typeName ? typeName : "such") + " attributes have no value as text";
    return false;
}

} // namespace

bool valueToText(const Attribute& attribute, std::wstring& text)
{
    text.clear();
    std::string out;
    PlainWriter writer(out);
    const bool written = detail::withType(
        attribute.getAttributeType(),
        [&](auto traits)
        {
            using Traits = decltype(traits);
            using Class = typename detail::ClassOf<Traits>::type;
            if constexpr (!hasText<Traits>())
                return false;
            else if constexpr (Traits::s_shape == detail::TypeShape::Value && std::is_same_v<Class, PointerAttribute>)
            {
                if (const Attribute* target = static_cast<const PointerAttribute&>(attribute).getValue())
                    target->toDatabasePath(text);
                return true;
            }
            else if constexpr (Traits::s_shape == detail::TypeShape::Value)
            {
                Traits::printText(writer, attribute.getDef(), static_cast<const Class&>(attribute).getValue());
                return true;
            }
            else
            {
                for (const auto& value : static_cast<const Class&>(attribute).getValues())
                {
                    if (!out.empty())
                        out += ' ';
                    Traits::Element::printText(writer, attribute.getDef(), value);
                }
                return true;
            }
        });
    if (!out.empty())
        text = files::fromUtf8Lenient(out);
    return written;
}

bool hasValueText(const Attribute& attribute)
{
    return detail::withType(attribute.getAttributeType(), [](auto traits) { return hasText<decltype(traits)>(); });
}

bool setValueFromText(Attribute& attribute, const std::wstring& text, std::wstring& why)
{
    const std::string utf8 = files::toUtf8(text);
    const char* begin = utf8.data();
    const char* end = begin + utf8.size();
    files::NodeBuilder builder(files::registryFor(&attribute, nullptr));
    std::string problem;
    const bool set = detail::withType(
        attribute.getAttributeType(),
        [&](auto traits)
        {
            using Traits = decltype(traits);
            using Class = typename detail::ClassOf<Traits>::type;
            if constexpr (!hasText<Traits>())
                return noTextForm(Traits::s_xmlName, problem);
            else if constexpr (Traits::s_shape == detail::TypeShape::Value && std::is_same_v<Class, PointerAttribute>)
            {
                Attribute* target = nullptr;
                if (!text.empty())
                {
                    target = attribute.attributeFromDatabasePath(text);
                    if (!target)
                    {
                        problem = "nothing is at the path " + utf8;
                        return false;
                    }
                }
                static_cast<PointerAttribute&>(attribute).setValue(target);
                return true;
            }
            else if constexpr (Traits::s_shape == detail::TypeShape::Value)
                return builder.setSingle(traits, static_cast<Class&>(attribute), begin, end, problem);
            else
                return builder.setList(traits, static_cast<Class&>(attribute), begin, end, problem);
        });
    why = set ? std::wstring() : files::fromUtf8Lenient(problem);
    return set;
}

} // namespace db
