#include <dbui/AttributeWidgetFactory.h>

#include <dbui/BoolWidget.h>
#include <dbui/DoubleWidget.h>
#include <dbui/EnumWidget.h>
#include <dbui/FloatWidget.h>
#include <dbui/IntWidget.h>
#include <dbui/LuaStringWidget.h>
#include <dbui/Matrix34AttributeWidget.h>
#include <dbui/PointerWidget.h>
#include <dbui/StringWidget.h>
#include <dbui/Vector3AttributeWidget.h>

#include <db/AttributeDef.h>
#include <wxUtils/OrkWindow.h>

namespace dbui {

namespace {

// Script text is marked by this units value on a string definition.
constexpr int s_scriptUnits = 1;

const wxSize s_narrow(80, -1);
const wxSize s_enumSize(150, -1);

} // namespace

AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxUtils::OrkWindow* parent)
{
    switch (def.getAttributeType())
    {
    case db::Int:
        return new IntWidget(parent, s_narrow, 0, wxDefaultValidator, "IntWidget");
    case db::Bool:
        return new BoolWidget(parent, s_narrow, 0, "BoolWidget");
    case db::Enum:
        return new EnumWidget(parent, s_enumSize, 0, "EnumWidget");
    case db::Float:
        return new FloatWidget(parent, s_narrow, 0, wxDefaultValidator, "FloatWidget");
    case db::Double:
        return new DoubleWidget(parent, s_narrow, 0, wxDefaultValidator, "DoubleWidget");
    case db::String:
        if (def.getUnits() == s_scriptUnits)
            return new LuaStringWidget(parent, wxDefaultSize, 0, "LuaStringWidget");
        return new StringWidget(parent, wxDefaultSize, 0, wxDefaultValidator, "StringWidget");
    case db::Vector3:
        return new Vector3AttributeWidget(parent, wxDefaultSize, 0, wxDefaultValidator, "Vector3Widget");
    case db::Matrix34:
        return new Matrix34AttributeWidget(parent, wxDefaultSize, 0, wxDefaultValidator, "Matrix34Widget");
    case db::Pointer:
        return new PointerWidget(parent, wxDefaultSize, 0, "PointerWidget");
    default:
        // Arrays, node containers, attribute arrays and compounds have editors of
        // their own that are not part of this family yet; everything else has none.
        return nullptr;
    }
}

} // namespace dbui
