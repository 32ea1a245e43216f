#include "ArraysTestSupport.h"

#include <dbui/AttributeArrayWidget.h>
#include <dbui/AttributeWidgetFactory.h>
#include <dbui/BoolArrayWidget.h>
#include <dbui/CompoundAttributeWidget.h>
#include <dbui/DoubleArrayWidget.h>
#include <dbui/FloatArrayWidget.h>
#include <dbui/IntArrayWidget.h>
#include <dbui/Matrix34ArrayWidget.h>
#include <dbui/NodeContainerWidget.h>
#include <dbui/StringArrayWidget.h>
#include <dbui/Vector3ArrayWidget.h>

#include <wxUtils/OrkPanel.h>

#include <gtest/gtest.h>

#include <functional>

namespace
{

template <class T> std::function<bool(dbui::AttributeWidget*)> is()
{
    return [](dbui::AttributeWidget* widget) { return dynamic_cast<T*>(widget) != nullptr; };
}

} // namespace

TEST(FactoryRows, ContainersAndArraysGetTheirEditorsAndTheOthersNone)
{
    arraystest::Scene scene(1);
    struct Row
    {
        const wchar_t* attribute;
        const char* windowName;
        std::function<bool(dbui::AttributeWidget*)> isExpectedClass;
    };
    const Row rows[] = {
        {L"intArray", "IntArrayWidget", is<dbui::IntArrayWidget>()},
        {L"boolArray", "BoolArrayWidget", is<dbui::BoolArrayWidget>()},
        {L"floatArray", "FloatArrayWidget", is<dbui::FloatArrayWidget>()},
        {L"doubleArray", "DoubleArrayWidget", is<dbui::DoubleArrayWidget>()},
        {L"stringArray", "StringArrayWidget", is<dbui::StringArrayWidget>()},
        {L"vector3Array", "Vector3ArrayWidget", is<dbui::Vector3ArrayWidget>()},
        {L"matrix34Array", "Matrix34ArrayWidget", is<dbui::Matrix34ArrayWidget>()},
        {L"children", "NodeContainerWidget", is<dbui::NodeContainerWidget>()},
        {L"entries", "ArrayAttributeWidget", is<dbui::AttributeArrayWidget>()},
        {L"compound", "CompoundAttributeWidget", is<dbui::CompoundAttributeWidget>()},
    };
    auto* parent = new wxUtils::OrkPanel(wxtest::frame());
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.windowName);
        dbui::AttributeWidget* widget = dbui::makeAttributeWidget(scene.attribute(0, row.attribute)->getDef(), parent);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(row.isExpectedClass(widget));
        EXPECT_EQ(widget->GetName(), row.windowName);
        EXPECT_EQ(widget->GetMinSize(), wxDefaultSize);
        EXPECT_TRUE(widget->getAttributes().empty());
    }
    EXPECT_EQ(dbui::makeAttributeWidget(scene.attribute(0, L"enumArray")->getDef(), parent), nullptr);
    EXPECT_EQ(dbui::makeAttributeWidget(scene.attribute(0, L"pointerArray")->getDef(), parent), nullptr);
}
