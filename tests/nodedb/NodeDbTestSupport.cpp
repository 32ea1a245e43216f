#include "NodeDbTestSupport.h"

#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>

#include <iomanip>

namespace nodedbtest
{

namespace
{

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += (c < 128) ? static_cast<char>(c) : '#';
    return out;
}

void put(std::ostream& out, const OrkP::Vector3& v)
{
    out << v.x << ',' << v.y << ',' << v.z;
}

void put(std::ostream& out, const OrkP::Matrix34& m)
{
    for (int r = 0; r < 4; ++r)
    {
        put(out, m[r]);
        out << ';';
    }
}

void describeInto(std::ostream& out, db::Attribute& a, int depth)
{
    out << std::string(static_cast<std::size_t>(depth), ' ') << narrow(a.getName()) << ':' << a.getAttributeType();
    if (a.isNode())
        out << " @" << static_cast<const void*>(&a);
    out << " = ";
    if (auto* v = a.asIntAttribute())
        out << v->getValue();
    else if (auto* v = a.asBoolAttribute())
        out << v->getValue();
    else if (auto* v = a.asEnumAttribute())
        out << v->getValue();
    else if (auto* v = a.asFloatAttribute())
        out << v->getValue();
    else if (auto* v = a.asDoubleAttribute())
        out << v->getValue();
    else if (auto* v = a.asStringAttribute())
        out << narrow(v->getValue());
    else if (auto* v = a.asVector3Attribute())
        put(out, v->getValue());
    else if (auto* v = a.asMatrix34Attribute())
        put(out, v->getValue());
    else if (auto* v = a.asPointerAttribute())
        out << static_cast<const void*>(v->getValue());
    else if (auto* v = a.asIntArrayAttribute())
        for (int x : v->getValues())
            out << x << ' ';
    else if (auto* v = a.asBoolArrayAttribute())
        for (bool x : v->getValues())
            out << x << ' ';
    else if (auto* v = a.asEnumArrayAttribute())
        for (int x : v->getValues())
            out << x << ' ';
    else if (auto* v = a.asFloatArrayAttribute())
        for (float x : v->getValues())
            out << x << ' ';
    else if (auto* v = a.asDoubleArrayAttribute())
        for (double x : v->getValues())
            out << x << ' ';
    else if (auto* v = a.asStringArrayAttribute())
        for (const auto& x : v->getValues())
            out << narrow(x) << '|';
    else if (auto* v = a.asVector3ArrayAttribute())
        for (const auto& x : v->getValues())
            put(out, x), out << ' ';
    else if (auto* v = a.asMatrix34ArrayAttribute())
        for (const auto& x : v->getValues())
            put(out, x), out << ' ';
    else if (auto* v = a.asPointerArrayAttribute())
        for (auto* x : v->getValues())
            out << static_cast<const void*>(x) << ' ';
    out << '\n';
    if (db::CompositeAttribute* composite = a.asCompositeAttribute())
    {
        for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
            describeInto(out, *composite->getAttribute(i), depth + 1);
    }
}

} // namespace

std::string describe(db::Attribute& root)
{
    std::ostringstream out;
    out << std::setprecision(9);
    describeInto(out, root, 0);
    return out.str();
}

} // namespace nodedbtest
