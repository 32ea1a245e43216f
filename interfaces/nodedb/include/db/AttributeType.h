#pragma once

#include <db/Export.h>

#include <string>

namespace db
{

/// The kind of an attribute. The numbers are stable: files and widget
/// factories store and switch on them.
enum AttributeType : int
{
    Invalid = 0,
    Int = 1,
    Bool = 2,
    Enum = 3,
    Float = 4,
    Double = 5,
    String = 6,
    Vector3 = 7,
    Matrix34 = 8,
    Pointer = 9,
    IntArray = 10,
    BoolArray = 11,
    EnumArray = 12,
    FloatArray = 13,
    DoubleArray = 14,
    StringArray = 15,
    Vector3Array = 16,
    Matrix34Array = 17,
    PointerArray = 18,
    NodeContainerType = 19,
    AttributeArrayType = 20,
    Compound = 21,
    /// A node; nodes are composite attributes that carry their own name.
    NodeType = 22,
};

/// True for the value arrays (10 to 18).
inline bool isArrayType(AttributeType type)
{
    return type >= IntArray && type <= PointerArray;
}

/// The type's name as files and messages spell it ("int", "float array", ...); "" for unknown numbers.
DBUI_NODEDB_EXPORT const wchar_t* attributeTypeName(AttributeType type);
/// The type of a name given by `attributeTypeName`; Invalid for unknown names.
DBUI_NODEDB_EXPORT AttributeType attributeTypeFromName(const std::wstring& name);

/// A shared empty string, for arguments that mean "no name, choose one".
DBUI_NODEDB_EXPORT const std::wstring& EmptyString();

} // namespace db
