#include <dbui/AttributeWidgetFactory.h>

#include <dbui/AttributeArrayWidget.h>
#include <dbui/AttributeWidgetRegistry.h>
#include <dbui/BoolArrayWidget.h>
#include <dbui/BoolWidget.h>
#include <dbui/ColourWidget.h>
#include <dbui/CompoundAttributeWidget.h>
#include <dbui/DoubleArrayWidget.h>
#include <dbui/DoubleWidget.h>
#include <dbui/EnumWidget.h>
#include <dbui/FileWidget.h>
#include <dbui/FloatArrayWidget.h>
#include <dbui/FloatWidget.h>
#include <dbui/IntArrayWidget.h>
#include <dbui/IntWidget.h>
#include <dbui/LuaStringWidget.h>
#include <dbui/Matrix34ArrayWidget.h>
#include <dbui/Matrix34AttributeWidget.h>
#include <dbui/NodeContainerWidget.h>
#include <dbui/PointerWidget.h>
#include <dbui/StringArrayWidget.h>
#include <dbui/StringWidget.h>
#include <dbui/Vector3ArrayWidget.h>
#include <dbui/Vector3AttributeWidget.h>

#include <db/AttributeDef.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkWindow.h>

namespace dbui
{

namespace
{

// Script text is marked by this units value on a string definition.
constexpr int s_scriptUnits = 1;

const wxSize s_narrow(80, -1);
const wxSize s_enumSize(150, -1);

// Members of compounds and attribute arrays get their widgets from here too,
// chosen for the same node type as the widget that holds them.
AttributeWidgetCreator membersOn(const db::NodeDef* nodeType)
{
    return [nodeType](db::AttributeDef& def, wxWindow* parent) { return makeAttributeWidget(def, parent, nodeType); };
}

AttributeWidget* makeBuiltIn(db::AttributeDef& def, wxWindow* parent, const db::NodeDef* nodeType);
AttributeWidget* makeHinted(db::AttributeDef& def, wxWindow* parent);

} // namespace

// ------------------------------------------------------------------ the one entry point

AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxUtils::OrkWindow* parent)
{
    return makeAttributeWidget(def, static_cast<wxWindow*>(parent));
}

AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxWindow* parent, const db::NodeDef* nodeType)
{
    if (AttributeWidget* registered = AttributeWidgetRegistry::make(def, nodeType, parent))
        return registered;
    if (AttributeWidget* hinted = makeHinted(def, parent))
        return hinted;
    return makeBuiltIn(def, parent, nodeType);
}

// ------------------------------------------------------------------ the built-in table

namespace
{

AttributeWidget* makeBuiltIn(db::AttributeDef& def, wxWindow* parent, const db::NodeDef* nodeType)
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
    case db::IntArray:
        return new IntArrayWidget(parent, wxDefaultSize, 0, "IntArrayWidget");
    case db::BoolArray:
        return new BoolArrayWidget(parent, wxDefaultSize, 0, "BoolArrayWidget");
    case db::FloatArray:
        return new FloatArrayWidget(parent, wxDefaultSize, 0, "FloatArrayWidget");
    case db::DoubleArray:
        return new DoubleArrayWidget(parent, wxDefaultSize, 0, "DoubleArrayWidget");
    case db::StringArray:
        return new StringArrayWidget(parent, wxDefaultSize, 0, "StringArrayWidget");
    case db::Vector3Array:
        return new Vector3ArrayWidget(parent, wxDefaultSize, 0, "Vector3ArrayWidget");
    case db::Matrix34Array:
        return new Matrix34ArrayWidget(parent, wxDefaultSize, 0, "Matrix34ArrayWidget");
    case db::NodeContainerType:
        return new NodeContainerWidget(parent, wxDefaultSize, 0, "NodeContainerWidget");
    case db::AttributeArrayType:
        return new AttributeArrayWidget(parent, wxDefaultSize, 0, "ArrayAttributeWidget", membersOn(nodeType));
    case db::Compound:
        return new CompoundAttributeWidget(parent, wxDefaultSize, 0, "CompoundAttributeWidget", membersOn(nodeType));
    default:
        // Enum and pointer arrays, like any other number, have no editor.
        return nullptr;
    }
}

// ------------------------------------------------------------------ the schema's editor hints

/// Lines a "multiline" string box shows.
constexpr int s_multilineRows = 5;

/// The editor the schema's hint asks for, or null when it names none the
/// library has for this type (the loader has warned of it): the type's own shows.
AttributeWidget* makeHinted(db::AttributeDef& def, wxWindow* parent)
{
    const std::wstring& hint = def.getEditorHint();
    if (hint.empty() || !def.misfitOfEditorHint().empty())
        return nullptr;
    if (hint == L"colour")
        return new ColourWidget(parent, wxDefaultSize, 0, wxDefaultValidator, "ColourWidget");
    if (hint == L"slider")
    {
        auto* widget = static_cast<SpinAttributeWidget*>(makeBuiltIn(def, parent, nullptr));
        widget->showSlider(def.getMinimum(), def.getMaximum());
        return widget;
    }
    if (hint == L"file")
        return new FileWidget(parent, wxDefaultSize, 0, wxDefaultValidator, "FileWidget", def.getFileFilter());
    if (hint == L"multiline")
    {
        auto* widget = new StringWidget(parent, wxDefaultSize, wxUtils::OrkSimpleTextCtrl::StyleMultiLine,
                                        wxDefaultValidator, "StringWidget");
        widget->getTextBox()->SetMinSize(wxSize(-1, widget->GetCharHeight() * s_multilineRows));
        return widget;
    }
    return nullptr;
}

} // namespace

// ------------------------------------------------------------------ containers made by hand

// A compound or attribute array that a host makes itself gets its members'
// widgets from this factory, as one the factory makes does: defined here, so
// that the containers need not know the factory that sits above them.

CompoundAttributeWidget::CompoundAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : CompoundAttributeWidget(parent, size, style, name, membersOn(nullptr))
{
}

AttributeArrayWidget::AttributeArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : AttributeArrayWidget(parent, size, style, name, membersOn(nullptr))
{
}

} // namespace dbui
