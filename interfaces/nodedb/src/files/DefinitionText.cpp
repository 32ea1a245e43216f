#include "DefinitionText.h"

#include <db/EnumAttributeDef.h>

#include "LoadSupport.h"
#include "NumberText.h"
#include "Utf8.h"

#include <cstring>
#include <vector>

namespace db::files {

std::wstring wideText(const char* utf8)
{
    std::wstring out;
    fromUtf8(utf8, std::strlen(utf8), out);
    return out;
}

namespace {

bool floatsOf(const char* text, std::size_t count, std::vector<float>& out)
{
    const char* begin = text;
    const char* end = text + std::strlen(text);
    skipSpace(begin, end);
    while (begin < end)
    {
        float v;
        if (!parseFloat(begin, end, v))
            return false;
        out.push_back(v);
    }
    return out.size() == count;
}

bool doubleOf(const char* text, double& value)
{
    const char* begin = text;
    const char* end = text + std::strlen(text);
    skipSpace(begin, end);
    return parseDouble(begin, end, value) && begin == end;
}

} // namespace

bool readLimitsAndDefault(pugi::xml_node element, AttributeDef& def, std::string& why)
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
        if (!files::numberFits(def.getAttributeType(), low) || !files::numberFits(def.getAttributeType(), high)
            || low > high)
        {
            why = "bad limits";
            return false;
        }
        def.setLimits(low, high);
    }
    pugi::xml_attribute value = element.attribute("default");
    if (!value)
        return true;
    switch (def.getAttributeType())
    {
    case String:
    case StringArray:
        def.setDefaultString(wideText(value.value()));
        return true;
    case Vector3:
    case Vector3Array:
    {
        std::vector<float> v;
        if (!floatsOf(value.value(), 3, v))
        {
            why = "bad default vector";
            return false;
        }
        def.setDefaultVector3(OrkP::Vector3(v[0], v[1], v[2]));
        return true;
    }
    case Matrix34:
    case Matrix34Array:
    {
        std::vector<float> v;
        if (!floatsOf(value.value(), 12, v))
        {
            why = "bad default matrix";
            return false;
        }
        def.setDefaultMatrix34(OrkP::Matrix34(OrkP::Vector3(v[0], v[1], v[2]), OrkP::Vector3(v[3], v[4], v[5]),
                                              OrkP::Vector3(v[6], v[7], v[8]), OrkP::Vector3(v[9], v[10], v[11])));
        return true;
    }
    case Bool:
    case BoolArray:
        if (std::strcmp(value.value(), "true") == 0)
        {
            def.setDefaultNumber(1);
            return true;
        }
        if (std::strcmp(value.value(), "false") == 0)
        {
            def.setDefaultNumber(0);
            return true;
        }
        break;
    case Enum:
    case EnumArray:
        if (const EnumAttributeDef* enumDef = def.asEnumAttributeDef())
        {
            int index = enumDef->findString(wideText(value.value()));
            if (index >= 0)
            {
                def.setDefaultNumber(enumDef->getStringValue(static_cast<unsigned int>(index)));
                return true;
            }
        }
        break;
    default:
        break;
    }
    double number = 0;
    if (!doubleOf(value.value(), number) || !files::numberFits(def.getAttributeType(), number))
    {
        why = "bad default \"" + std::string(value.value()) + "\"";
        return false;
    }
    def.setDefaultNumber(number);
    return true;
}

std::unique_ptr<AttributeDef> definitionFromXml(pugi::xml_node element, AttributeType type, std::string& why)
{
    std::wstring name = wideText(element.attribute("name").value());
    int units = element.attribute("units").as_int(0);
    std::unique_ptr<AttributeDef> def;
    if (type == Enum || type == EnumArray)
    {
        auto enumDef = std::make_unique<EnumAttributeDef>(name, type, units);
        for (pugi::xml_node option = element.child("option"); option; option = option.next_sibling("option"))
        {
            pugi::xml_attribute value = option.attribute("value");
            std::wstring text = wideText(option.child_value());
            bool added = value ? enumDef->addString(text, value.as_int()) : enumDef->addString(text);
            if (!added)
            {
                why = "enum value \"" + std::string(option.child_value()) + "\" given twice";
                return nullptr;
            }
        }
        def = std::move(enumDef);
    }
    else if (type >= Int && type <= PointerArray)
        def = std::make_unique<AttributeDef>(name, type, units);
    else
    {
        why = std::string("dynamic ") + (typeText(type) ? typeText(type) : "?") + " attributes are not supported";
        return nullptr;
    }
    if (!readLimitsAndDefault(element, *def, why))
        return nullptr;
    return def;
}

} // namespace db::files
