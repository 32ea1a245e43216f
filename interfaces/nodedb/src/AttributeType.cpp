#include <db/AttributeType.h>

namespace db {

namespace {
const wchar_t* const s_typeNames[] = {
    L"",
    L"int",
    L"bool",
    L"enum",
    L"float",
    L"double",
    L"string",
    L"vector3",
    L"matrix34",
    L"pointer",
    L"int array",
    L"bool array",
    L"enum array",
    L"float array",
    L"double array",
    L"string array",
    L"vector3 array",
    L"matrix34 array",
    L"pointer array",
    L"node container",
    L"attribute array",
    L"compound",
    L"node",
};
} // namespace

const wchar_t* attributeTypeName(AttributeType type)
{
    if (type < Invalid || type > NodeType)
        return L"";
    return s_typeNames[type];
}

AttributeType attributeTypeFromName(const std::wstring& name)
{
    for (int i = Int; i <= NodeType; ++i)
    {
        if (name == s_typeNames[i])
            return static_cast<AttributeType>(i);
    }
    return Invalid;
}

const std::wstring& EmptyString()
{
    static const std::wstring s_empty;
    return s_empty;
}

} // namespace db
