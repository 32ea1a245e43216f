#pragma once

// The attribute types, each described once: its names, its class and value,
// its default and limits, its text in XML files and its fields in binary
// files. Code that handles every type asks `withType` for the description of
// one and works from it, instead of switching over the types itself; adding a
// type is adding its description here (docs/adding-an-attribute-type.md).
//
// Everything is inline and chosen at compile time: a loader or saver that
// dispatches once per attribute pays for one switch, not one per field.

#include <db/AttributeArray.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/CompositeAttribute.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/EnumAttribute.h>
#include <db/EnumAttributeDef.h>
#include <db/FloatArrayAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>

#include "files/ByteIO.h"
#include "files/NumberText.h"
#include "files/Utf8.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace db::detail
{

/// What an attribute of a type holds: one value, an array of values, other attributes.
enum class TypeShape
{
    None,
    Value,
    Array,
    Composite,
    Node,
};

/// Every type but Invalid, in the order of their numbers: its shape, its class,
/// its element name in XML files and its name in messages.
#define DB_ATTRIBUTE_TYPES(X)                                                                                          \
    X(Int, Value, IntAttribute, "int", L"int")                                                                         \
    X(Bool, Value, BoolAttribute, "bool", L"bool")                                                                     \
    X(Enum, Value, EnumAttribute, "enum", L"enum")                                                                     \
    X(Float, Value, FloatAttribute, "float", L"float")                                                                 \
    X(Double, Value, DoubleAttribute, "double", L"double")                                                             \
    X(String, Value, StringAttribute, "string", L"string")                                                             \
    X(Vector3, Value, Vector3Attribute, "vector3", L"vector3")                                                         \
    X(Matrix34, Value, Matrix34Attribute, "matrix34", L"matrix34")                                                     \
    X(Pointer, Value, PointerAttribute, "pointer", L"pointer")                                                         \
    X(IntArray, Array, IntArrayAttribute, "intArray", L"int array")                                                    \
    X(BoolArray, Array, BoolArrayAttribute, "boolArray", L"bool array")                                                \
    X(EnumArray, Array, EnumArrayAttribute, "enumArray", L"enum array")                                                \
    X(FloatArray, Array, FloatArrayAttribute, "floatArray", L"float array")                                            \
    X(DoubleArray, Array, DoubleArrayAttribute, "doubleArray", L"double array")                                        \
    X(StringArray, Array, StringArrayAttribute, "stringArray", L"string array")                                        \
    X(Vector3Array, Array, Vector3ArrayAttribute, "vector3Array", L"vector3 array")                                    \
    X(Matrix34Array, Array, Matrix34ArrayAttribute, "matrix34Array", L"matrix34 array")                                \
    X(PointerArray, Array, PointerArrayAttribute, "pointerArray", L"pointer array")                                    \
    X(NodeContainerType, Composite, NodeContainer, "container", L"node container")                                     \
    X(AttributeArrayType, Composite, AttributeArray, "attributeArray", L"attribute array")                             \
    X(Compound, Composite, CompositeAttribute, "compound", L"compound")                                                \
    X(NodeType, Node, Node, "node", L"node")

/// A type's line of the list: its number, shape, class and names.
template <AttributeType Type> struct TypeBase;

#define DB_TYPE_BASE(Type, Shape, ClassName, xmlName, name)                                                            \
    template <> struct TypeBase<Type>                                                                                  \
    {                                                                                                                  \
        static constexpr AttributeType s_type = Type;                                                                  \
        static constexpr TypeShape s_shape = TypeShape::Shape;                                                         \
        using Class = ClassName;                                                                                       \
        static constexpr const char* s_xmlName = xmlName;                                                              \
        static constexpr const wchar_t* s_name = name;                                                                 \
    };
DB_ATTRIBUTE_TYPES(DB_TYPE_BASE)
#undef DB_TYPE_BASE

/// Numbers outside the list.
template <> struct TypeBase<Invalid>
{
    static constexpr AttributeType s_type = Invalid;
    static constexpr TypeShape s_shape = TypeShape::None;
    static constexpr const char* s_xmlName = nullptr;
    static constexpr const wchar_t* s_name = L"";
};

/// A type's whole description: its line of the list, and for values and arrays what follows.
template <AttributeType Type> struct TypeTraits;

// ------------------------------------------------------------------ values
//
// A value type's description gives, besides its names and class:
//   Value                       the C++ type held
//   initial(def)                a new attribute's value
//   s_limited, limit(def, v)    whether and how the definition's limits bound a value
//   fits(number)                whether a number can be a default or limit of the type
//   defaultOf/setDefault        the definition's default as files store it
//   Default                     the description whose text and fields that default uses
//   s_savedDefault              false where files store no default
//   parseText(begin, end, v)    reads the value's text; false on anything else
//   printText(out, def, v)      writes it through an XML writer's `text`/`enumText`
//   s_inElements                in arrays each value is an <e> child, not a spaced list
//   s_binarySize, s_packed      least bytes per value; whether arrays are copied as memory
//   readBinary(in, v)           reads its fields; null or what is wrong
//   writeBinary(out, v)         writes its fields through a record writer

/// The number kinds (and pointers, whose default reads as one) share one default number.
struct NumberDefault
{
    /// Sets a default given by name rather than number; false when `text` names none.
    static bool namedDefault(const char*, AttributeDef&) { return false; }
    static double defaultOf(const AttributeDef& def) { return def.getDefaultDouble(); }
    static void setDefault(AttributeDef& def, double value) { def.setDefaultNumber(value); }
    static constexpr bool s_savedDefault = true;
    static bool fits(double value) { return !std::isnan(value); }
};

/// The integer kinds: defaults and limits must be 32-bit.
struct IntegerDefault : NumberDefault
{
    static bool fits(double value) { return value >= -2147483648.0 && value <= 2147483647.0; }
};

/// Types without limits.
template <class T> struct Unlimited
{
    static constexpr bool s_limited = false;
    static const T& limit(const AttributeDef&, const T& value) { return value; }
};

/// Plain-text values: their text is the value itself, written by the writer's `text`.
struct PlainText
{
    template <class Out, class T> static void printText(Out& out, const AttributeDef&, const T& value)
    {
        out.text(value);
    }
    static constexpr bool s_inElements = false;
};

/// Floats and doubles: their IEEE fields as they are, NaN passing the limits unchanged.
template <AttributeType Type, class T> struct RealTraits : TypeBase<Type>, NumberDefault, PlainText
{
    static constexpr bool s_single = sizeof(T) == 4;
    using Value = T;
    using Default = TypeTraits<Double>;
    static T initial(const AttributeDef& def) { return static_cast<T>(def.getDefaultDouble()); }
    static constexpr bool s_limited = true;
    static T limit(const AttributeDef& def, T value)
    {
        if (!def.hasLimits() || std::isnan(value))
            return value;
        return static_cast<T>(def.clamp(value));
    }
    static bool parseText(const char*& begin, const char* end, T& value)
    {
        if constexpr (s_single)
            return files::parseFloat(begin, end, value);
        else
            return files::parseDouble(begin, end, value);
    }
    static constexpr std::size_t s_binarySize = sizeof(T);
    static constexpr bool s_packed = true;
    static const char* readBinary(files::ByteReader& in, T& value)
    {
        if constexpr (s_single)
            value = in.f32();
        else
            value = in.f64();
        return nullptr;
    }
    template <class Out> static void writeBinary(Out& out, T value)
    {
        if constexpr (s_single)
            out.f32(value);
        else
            out.f64(value);
    }
};

/// Types whose default is a value of their own in the definition, not the shared number.
template <AttributeType Type, class T, const T& (AttributeDef::*Get)() const, void (AttributeDef::*Set)(const T&)>
struct OwnDefault : TypeBase<Type>, Unlimited<T>
{
    using Value = T;
    using Default = TypeTraits<Type>;
    static const T& initial(const AttributeDef& def) { return (def.*Get)(); }
    static const T& defaultOf(const AttributeDef& def) { return (def.*Get)(); }
    static void setDefault(AttributeDef& def, const T& value) { (def.*Set)(value); }
    static constexpr bool s_savedDefault = true;
    static bool fits(double value) { return !std::isnan(value); }
};

template <> struct TypeTraits<Int> : TypeBase<Int>, IntegerDefault, PlainText
{
    using Value = int;
    using Default = TypeTraits<Double>;
    static constexpr bool s_limited = true;
    static int limit(const AttributeDef& def, int value)
    {
        if (!def.hasLimits())
            return value;
        const double clamped = def.clamp(value);
        if (clamped <= static_cast<double>(INT_MIN))
            return INT_MIN;
        if (clamped >= static_cast<double>(INT_MAX))
            return INT_MAX;
        return static_cast<int>(clamped);
    }
    static int initial(const AttributeDef& def) { return limit(def, def.getDefaultInt()); }
    static bool parseText(const char*& begin, const char* end, int& value)
    {
        return files::parseInt(begin, end, value);
    }
    static constexpr std::size_t s_binarySize = 4;
    static constexpr bool s_packed = true;
    static const char* readBinary(files::ByteReader& in, int& value)
    {
        value = in.i32();
        return nullptr;
    }
    template <class Out> static void writeBinary(Out& out, int value) { out.i32(value); }
};

template <> struct TypeTraits<Bool> : TypeBase<Bool>, IntegerDefault, Unlimited<bool>, PlainText
{
    using Value = bool;
    using Default = TypeTraits<Double>;
    static bool initial(const AttributeDef& def) { return def.getDefaultBool(); }
    static bool namedDefault(const char* text, AttributeDef& def)
    {
        const bool yes = std::strcmp(text, "true") == 0;
        if (!yes && std::strcmp(text, "false") != 0)
            return false;
        def.setDefaultNumber(yes ? 1 : 0);
        return true;
    }
    /// "true" or "false"; "1" and "0" too. Stops at the word when it is none of them.
    static bool parseText(const char*& begin, const char* end, bool& value)
    {
        const char* wordEnd = begin;
        while (wordEnd < end && !(*wordEnd == ' ' || *wordEnd == '\t' || *wordEnd == '\n' || *wordEnd == '\r'))
            ++wordEnd;
        const auto is = [&](const char* text) {
            return std::size_t(wordEnd - begin) == std::strlen(text) &&
                   std::memcmp(begin, text, std::strlen(text)) == 0;
        };
        value = is("true") || is("1");
        if (!value && !is("false") && !is("0"))
            return false;
        begin = wordEnd;
        files::skipSpace(begin, end);
        return true;
    }
    static constexpr std::size_t s_binarySize = 1;
    static constexpr bool s_packed = false;
    static const char* readBinary(files::ByteReader& in, bool& value)
    {
        const std::uint8_t byte = in.u8();
        value = byte != 0;
        return byte > 1 ? "bad bool value" : nullptr;
    }
    template <class Out> static void writeBinary(Out& out, bool value) { out.u8(value ? 1 : 0); }
};

template <> struct TypeTraits<Enum> : TypeBase<Enum>, IntegerDefault, Unlimited<int>
{
    using Value = int;
    using Default = TypeTraits<Double>;
    static int initial(const AttributeDef& def) { return def.getDefaultInt(); }
    /// An option's name.
    static bool namedDefault(const char* text, AttributeDef& def)
    {
        const EnumAttributeDef* enumDef = def.asEnumAttributeDef();
        std::wstring name;
        files::fromUtf8(text, std::strlen(text), name);
        const int index = enumDef ? enumDef->findString(name) : -1;
        if (index < 0)
            return false;
        def.setDefaultNumber(enumDef->getStringValue(static_cast<unsigned int>(index)));
        return true;
    }
    /// A value without a name is written as its number.
    template <class Out> static void printText(Out& out, const AttributeDef& def, int value)
    {
        out.enumText(static_cast<const EnumAttributeDef&>(def), value);
    }
    static constexpr bool s_inElements = true;
    static constexpr std::size_t s_binarySize = 4;
    static constexpr bool s_packed = true;
    static const char* readBinary(files::ByteReader& in, int& value) { return TypeTraits<Int>::readBinary(in, value); }
    template <class Out> static void writeBinary(Out& out, int value) { out.i32(value); }
};

template <> struct TypeTraits<Float> : RealTraits<Float, float>
{
};

template <> struct TypeTraits<Double> : RealTraits<Double, double>
{
};

template <>
struct TypeTraits<String>
    : OwnDefault<String, std::wstring, &AttributeDef::getDefaultString, &AttributeDef::setDefaultString>, PlainText
{
    /// The whole text, as UTF-8; false on malformed UTF-8.
    static bool parseText(const char*& begin, const char* end, std::wstring& value)
    {
        value.clear();
        const bool ok = files::fromUtf8(begin, static_cast<std::size_t>(end - begin), value);
        begin = end;
        return ok;
    }
    static constexpr bool s_inElements = true;
    static constexpr std::size_t s_binarySize = 4;
    static constexpr bool s_packed = false;
    static const char* readBinary(files::ByteReader& in, std::wstring& value)
    {
        std::string text;
        if (!in.string(text))
            return "truncated record";
        value.clear();
        return files::fromUtf8(text.data(), text.size(), value) ? nullptr : "bad UTF-8 in string";
    }
    template <class Out> static void writeBinary(Out& out, const std::wstring& value) { out.string(value); }
};

template <>
struct TypeTraits<Vector3>
    : OwnDefault<Vector3, OrkP::Vector3, &AttributeDef::getDefaultVector3, &AttributeDef::setDefaultVector3>, PlainText
{
    /// Three floats apart.
    static bool parseText(const char*& begin, const char* end, OrkP::Vector3& value)
    {
        return files::parseFloat(begin, end, value.x) && files::parseFloat(begin, end, value.y) &&
               files::parseFloat(begin, end, value.z);
    }
    static constexpr std::size_t s_binarySize = 12;
    static constexpr bool s_packed = true;
    static const char* readBinary(files::ByteReader& in, OrkP::Vector3& value)
    {
        value.x = in.f32();
        value.y = in.f32();
        value.z = in.f32();
        return nullptr;
    }
    template <class Out> static void writeBinary(Out& out, const OrkP::Vector3& value)
    {
        out.f32(value.x);
        out.f32(value.y);
        out.f32(value.z);
    }
};

template <>
struct TypeTraits<Matrix34>
    : OwnDefault<Matrix34, OrkP::Matrix34, &AttributeDef::getDefaultMatrix34, &AttributeDef::setDefaultMatrix34>,
      PlainText
{
    /// Four rows of three floats, all apart.
    static bool parseText(const char*& begin, const char* end, OrkP::Matrix34& value)
    {
        for (int row = 0; row < 4; ++row)
            if (!TypeTraits<Vector3>::parseText(begin, end, value[row]))
                return false;
        return true;
    }
    static constexpr std::size_t s_binarySize = 48;
    static constexpr bool s_packed = true;
    static const char* readBinary(files::ByteReader& in, OrkP::Matrix34& value)
    {
        for (int row = 0; row < 4; ++row)
            TypeTraits<Vector3>::readBinary(in, value[row]);
        return nullptr;
    }
    template <class Out> static void writeBinary(Out& out, const OrkP::Matrix34& value)
    {
        for (int row = 0; row < 4; ++row)
            TypeTraits<Vector3>::writeBinary(out, value[row]);
    }
};

/// Pointers are written as paths, which only the loaders and savers can work
/// out: their text and fields go through the writer's `pointer`.
template <> struct TypeTraits<Pointer> : TypeBase<Pointer>, NumberDefault, Unlimited<Attribute*>
{
    using Value = Attribute*;
    using Default = TypeTraits<Double>;
    /// A default given in a file is read (and must be a number) but means nothing and is not saved.
    static constexpr bool s_savedDefault = false;
    static constexpr bool s_inElements = true;
    static constexpr std::size_t s_binarySize = 1;
    static constexpr bool s_packed = false;
    template <class Out> static void writeBinary(Out& out, const Attribute* target) { out.pointer(target); }
};

// ------------------------------------------------------------------ arrays

/// An array of `Element` values: its default and limits are its elements'.
template <AttributeType Type, AttributeType ElementType> struct ArrayTraits : TypeBase<Type>
{
    using Element = TypeTraits<ElementType>;
    using Value = std::vector<typename Element::Value>;
};

// clang-format off
template <> struct TypeTraits<IntArray> : ArrayTraits<IntArray, Int> {};
template <> struct TypeTraits<BoolArray> : ArrayTraits<BoolArray, Bool> {};
template <> struct TypeTraits<EnumArray> : ArrayTraits<EnumArray, Enum> {};
template <> struct TypeTraits<FloatArray> : ArrayTraits<FloatArray, Float> {};
template <> struct TypeTraits<DoubleArray> : ArrayTraits<DoubleArray, Double> {};
template <> struct TypeTraits<StringArray> : ArrayTraits<StringArray, String> {};
template <> struct TypeTraits<Vector3Array> : ArrayTraits<Vector3Array, Vector3> {};
template <> struct TypeTraits<Matrix34Array> : ArrayTraits<Matrix34Array, Matrix34> {};
template <> struct TypeTraits<PointerArray> : ArrayTraits<PointerArray, Pointer> {};

// The composites and nodes are described by their line of the list alone.
template <> struct TypeTraits<NodeContainerType> : TypeBase<NodeContainerType> {};
template <> struct TypeTraits<AttributeArrayType> : TypeBase<AttributeArrayType> {};
template <> struct TypeTraits<Compound> : TypeBase<Compound> {};
template <> struct TypeTraits<NodeType> : TypeBase<NodeType> {};
template <> struct TypeTraits<Invalid> : TypeBase<Invalid> {};
// clang-format on

// ---------------------------------------------------------------- dispatch

/// Calls `f` with the description of `type` (of Invalid for unknown numbers) and returns what it returns.
template <class F> decltype(auto) withType(AttributeType type, F&& f)
{
    switch (type)
    {
#define DB_TYPE_CASE(Type, ...)                                                                                        \
    case Type:                                                                                                         \
        return f(TypeTraits<Type>{});
        DB_ATTRIBUTE_TYPES(DB_TYPE_CASE)
#undef DB_TYPE_CASE
    default:
        return f(TypeTraits<Invalid>{});
    }
}

/// What an attribute of `type` holds; None for unknown numbers.
inline TypeShape shapeOf(AttributeType type)
{
    return withType(type, [](auto traits) { return traits.s_shape; });
}

/// Calls `f` with the description of every type, in the order of their numbers.
template <class F> void forEachType(F&& f)
{
#define DB_TYPE_CALL(Type, ...) f(TypeTraits<Type>{});
    DB_ATTRIBUTE_TYPES(DB_TYPE_CALL)
#undef DB_TYPE_CALL
}

/// The type an XML element name stands for ("int", "vector3Array", "node"); Invalid for other names.
inline AttributeType typeFromXmlName(std::string_view name)
{
    // Asked for every element of a file: a look-up, not a scan of the names.
    static const std::unordered_map<std::string_view, AttributeType> s_types = []
    {
        std::unordered_map<std::string_view, AttributeType> types;
        forEachType([&](auto traits) { types.emplace(traits.s_xmlName, traits.s_type); });
        return types;
    }();
    const auto found = s_types.find(name);
    return found == s_types.end() ? Invalid : found->second;
}

/// The XML element name of `type` ("int", "vector3Array", "node"); null for unknown numbers.
inline const char* xmlNameOf(AttributeType type)
{
    return withType(type, [](auto traits) { return traits.s_xmlName; });
}

/// The value types' element description: the type's own for values, its elements' for arrays.
template <class Traits, class = void> struct ElementOf
{
    using type = Traits;
};
template <class Traits> struct ElementOf<Traits, std::void_t<typename Traits::Element>>
{
    using type = typename Traits::Element;
};

/// The class of a type's attributes; Attribute for numbers outside the list.
template <class Traits, class = void> struct ClassOf
{
    using type = Attribute;
};
template <class Traits> struct ClassOf<Traits, std::void_t<typename Traits::Class>>
{
    using type = typename Traits::Class;
};

} // namespace db::detail
