#include "DefinitionText.h"

#include <db/EnumAttributeDef.h>

#include "../AttributeTypes.h"
#include "LoadSupport.h"
#include "NumberText.h"
#include "Utf8.h"

#include <cstring>
#include <type_traits>

namespace db::files
{

std::wstring wideText(const char* utf8)
{
    std::wstring out;
    fromUtf8(utf8, std::strlen(utf8), out);
    return out;
}

namespace
{

bool doubleOf(const char* text, double& value)
{
    const char* begin = text;
    const char* end = text + std::strlen(text);
    skipSpace(begin, end);
    return parseDouble(begin, end, value) && begin == end;
}

/// Sets the default of a definition whose values `Element` describes from its text.
template <class Element> bool defaultFromText(Element, const char* text, AttributeDef& def)
{
    using Default = typename Element::Default;
    typename Default::Value value{};
    if constexpr (std::is_same_v<typename Default::Value, std::wstring>)
        value = wideText(text);
    else
    {
        constexpr bool number = std::is_same_v<typename Default::Value, double>;
        if constexpr (number)
            if (Element::namedDefault(text, def))
                return true;
        const char* begin = text;
        const char* end = text + std::strlen(text);
        skipSpace(begin, end);
        if (!Default::parseText(begin, end, value) || begin != end)
            return false;
        if constexpr (number)
            if (!Element::fits(value))
                return false;
    }
    Element::setDefault(def, value);
    return true;
}

/// Reads the limits and default of a definition whose values `Element` describes.
template <class Element> bool readLimitsAndDefault(Element, pugi::xml_node element, AttributeDef& def, std::string& why)
{
    pugi::xml_attribute minimum = element.attribute("min");
    pugi::xml_attribute maximum = element.attribute("max");
    if (minimum || maximum)
    {
        double low = 0;
        double high = 0;
        if (!minimum || !maximum || !doubleOf(minimum.value(), low) || !doubleOf(maximum.value(), high))
        {
            why = "limits need both min and max as numbers";
            return false;
        }
        if (!Element::fits(low) || !Element::fits(high) || low > high)
        {
            why = "bad limits";
            return false;
        }
        def.setLimits(low, high);
    }
    pugi::xml_attribute value = element.attribute("default");
    if (value && !defaultFromText(Element(), value.value(), def))
    {
        why = "bad default \"" + std::string(value.value()) + "\"";
        return false;
    }
    return true;
}

std::unique_ptr<AttributeDef> enumDefinition(pugi::xml_node element, const std::wstring& name, AttributeType type,
                                             int units, std::string& why)
{
    auto def = std::make_unique<EnumAttributeDef>(name, type, units);
    for (pugi::xml_node option = element.child("option"); option; option = option.next_sibling("option"))
    {
        pugi::xml_attribute value = option.attribute("value");
        std::wstring text = wideText(option.child_value());
        bool added = value ? def->addString(text, value.as_int()) : def->addString(text);
        if (!added)
        {
            why = "enum value \"" + std::string(option.child_value()) + "\" given twice";
            return nullptr;
        }
    }
    return def;
}

} // namespace

std::unique_ptr<AttributeDef> definitionFromXml(pugi::xml_node element, AttributeType type, std::string& why)
{
    std::wstring name = wideText(element.attribute("name").value());
    int units = element.attribute("units").as_int(0);
    return detail::withType(type,
                            [&](auto traits) -> std::unique_ptr<AttributeDef>
                            {
                                using Traits = decltype(traits);
                                if constexpr (Traits::s_shape != detail::TypeShape::Value &&
                                              Traits::s_shape != detail::TypeShape::Array)
                                {
                                    why = std::string("dynamic ") + (Traits::s_xmlName ? Traits::s_xmlName : "?") +
                                          " attributes are not supported";
                                    return nullptr;
                                }
                                else
                                {
                                    using Element = typename detail::ElementOf<Traits>::type;
                                    std::unique_ptr<AttributeDef> def;
                                    if constexpr (std::is_same_v<Element, detail::TypeTraits<Enum>>)
                                        def = enumDefinition(element, name, type, units, why);
                                    else
                                        def = std::make_unique<AttributeDef>(name, type, units);
                                    if (!def || !readLimitsAndDefault(Element(), element, *def, why))
                                        return nullptr;
                                    return def;
                                }
                            });
}

} // namespace db::files
