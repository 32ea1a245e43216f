#include "WidgetTestSupport.h"

#include <dbui/AttributeArrayWidget.h>
#include <dbui/AttributeWidgetFactory.h>
#include <dbui/BoolArrayWidget.h>
#include <dbui/BoolWidget.h>
#include <dbui/CompoundAttributeWidget.h>
#include <dbui/DoubleArrayWidget.h>
#include <dbui/DoubleWidget.h>
#include <dbui/EnumWidget.h>
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
#include <wxUtils/OrkPanel.h>

#include <functional>

namespace
{

struct Row
{
    db::AttributeType type;
    int units;
    const char* windowName;
    wxSize minimumSize;
    std::function<bool(dbui::AttributeWidget*)> isExpectedClass;
};

template <class T> std::function<bool(dbui::AttributeWidget*)> is()
{
    return [](dbui::AttributeWidget* widget) { return dynamic_cast<T*>(widget) != nullptr; };
}

} // namespace

TEST(AttributeWidgetFactoryTest, EachTypeGetsItsEditorUnboundWithItsNameAndMinimumSize)
{
    const Row rows[] = {
        {db::Int, 0, "IntWidget", wxSize(80, -1), is<dbui::IntWidget>()},
        {db::Bool, 0, "BoolWidget", wxSize(80, -1), is<dbui::BoolWidget>()},
        {db::Enum, 0, "EnumWidget", wxSize(150, -1), is<dbui::EnumWidget>()},
        {db::Float, 0, "FloatWidget", wxSize(80, -1), is<dbui::FloatWidget>()},
        {db::Double, 0, "DoubleWidget", wxSize(80, -1), is<dbui::DoubleWidget>()},
        {db::String, 1, "LuaStringWidget", wxDefaultSize, is<dbui::LuaStringWidget>()},
        {db::String, 0, "StringWidget", wxDefaultSize, is<dbui::StringWidget>()},
        {db::String, 2, "StringWidget", wxDefaultSize, is<dbui::StringWidget>()},
        {db::String, -1, "StringWidget", wxDefaultSize, is<dbui::StringWidget>()},
        {db::Vector3, 0, "Vector3Widget", wxDefaultSize, is<dbui::Vector3AttributeWidget>()},
        {db::Matrix34, 0, "Matrix34Widget", wxDefaultSize, is<dbui::Matrix34AttributeWidget>()},
        {db::Pointer, 0, "PointerWidget", wxDefaultSize, is<dbui::PointerWidget>()},
        {db::IntArray, 0, "IntArrayWidget", wxDefaultSize, is<dbui::IntArrayWidget>()},
        {db::BoolArray, 0, "BoolArrayWidget", wxDefaultSize, is<dbui::BoolArrayWidget>()},
        {db::FloatArray, 0, "FloatArrayWidget", wxDefaultSize, is<dbui::FloatArrayWidget>()},
        {db::DoubleArray, 0, "DoubleArrayWidget", wxDefaultSize, is<dbui::DoubleArrayWidget>()},
        {db::StringArray, 0, "StringArrayWidget", wxDefaultSize, is<dbui::StringArrayWidget>()},
        {db::Vector3Array, 0, "Vector3ArrayWidget", wxDefaultSize, is<dbui::Vector3ArrayWidget>()},
        {db::Matrix34Array, 0, "Matrix34ArrayWidget", wxDefaultSize, is<dbui::Matrix34ArrayWidget>()},
        {db::NodeContainerType, 0, "NodeContainerWidget", wxDefaultSize, is<dbui::NodeContainerWidget>()},
        {db::AttributeArrayType, 0, "ArrayAttributeWidget", wxDefaultSize, is<dbui::AttributeArrayWidget>()},
        {db::Compound, 0, "CompoundAttributeWidget", wxDefaultSize, is<dbui::CompoundAttributeWidget>()},
    };
    auto* parent = new wxUtils::OrkPanel(wxtest::frame());
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.windowName) + " units " + std::to_string(row.units));
        db::AttributeDef def(L"value", row.type, row.units);
        dbui::AttributeWidget* widget = dbui::makeAttributeWidget(def, parent);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(row.isExpectedClass(widget));
        EXPECT_EQ(widget->GetName(), row.windowName);
        EXPECT_EQ(widget->GetParent(), parent);
        EXPECT_EQ(widget->GetMinSize(), row.minimumSize);
        EXPECT_TRUE(widget->getAttributes().empty());
        EXPECT_EQ(widget->getDatabase(), nullptr);
        widget->Destroy();
    }
}

TEST(AttributeWidgetFactoryTest, TypesWithoutAnEditorGiveNothing)
{
    auto* parent = new wxUtils::OrkPanel(wxtest::frame());
    const int before = static_cast<int>(parent->GetChildren().size());
    for (int type : {0, 12, 18, 22, 23, -1, 1000})
    {
        db::AttributeDef def(L"value", static_cast<db::AttributeType>(type));
        EXPECT_EQ(dbui::makeAttributeWidget(def, parent), nullptr) << "type " << type;
    }
    EXPECT_EQ(static_cast<int>(parent->GetChildren().size()), before) << "no stray windows were made";
}
