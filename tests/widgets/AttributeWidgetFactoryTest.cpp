#include "WidgetTestSupport.h"

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

TEST(AttributeWidgetFactoryTest, EachValueTypeGetsItsEditorUnboundWithItsNameAndMinimumSize)
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
