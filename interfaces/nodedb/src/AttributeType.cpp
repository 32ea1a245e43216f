#include "AttributeTypes.h"

#include <db/AttributeType.h>

namespace db
{

const wchar_t* attributeTypeName(AttributeType type)
{
    return detail::withType(type, [](auto traits) { return traits.s_name; });
}

AttributeType attributeTypeFromName(const std::wstring& name)
{
    AttributeType found = Invalid;
    detail::forEachType(
        [&](auto traits)
        {
            if (found == Invalid && name == traits.s_name)
                found = traits.s_type;
        });
    return found;
}

const std::wstring& EmptyString()
{
    static const std::wstring s_empty;
    return s_empty;
}

} // namespace db
