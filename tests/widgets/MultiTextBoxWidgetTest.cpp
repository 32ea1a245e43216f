#include "WidgetTestSupport.h"

#include <dbui/Matrix34AttributeWidget.h>
#include <dbui/Vector3AttributeWidget.h>

#include <db/ChangeBlock.h>
#include <db/Matrix34Attribute.h>
#include <db/Vector3Attribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/button.h>

using widgettest::pressEnter;
using widgettest::Scene;
using widgettest::typeInto;

namespace
{

// The boxes are the widget's own business; tests reach them the way a subclass would.
template <class Base> struct Exposed : Base
{
    Exposed() : Base(wxtest::frame(), wxDefaultSize, 0, wxDefaultValidator, "Exposed") {}
    using Base::getTextBox;
};

using VectorWidget = Exposed<dbui::Vector3AttributeWidget>;
using MatrixWidget = Exposed<dbui::Matrix34AttributeWidget>;

void setVector(db::Attribute* attribute, OrkP::Vector3 value)
{
    attribute->asVector3Attribute()->setValue(value);
}

OrkP::Vector3 vector(db::Attribute* attribute)
{
    return attribute->asVector3Attribute()->getValue();
}

} // namespace

TEST(Vector3WidgetTest, EachComponentHasItsOwnMixedState)
{
    Scene scene(2);
    setVector(scene.attribute(0, L"vector3"), {1, 2, 3});
    setVector(scene.attribute(1, L"vector3"), {1, 5, 3});
    auto* widget = wxtest::show(new VectorWidget);
    widget->setAttributes(scene.attributes(L"vector3"));
    EXPECT_EQ(widget->getRowCount(), 3);
    EXPECT_EQ(widget->getColumnCount(), 1);

    EXPECT_EQ(widget->getTextBox(0, 0)->getText(), "1.000000");
    EXPECT_FALSE(widget->getTextBox(0, 0)->isIndeterminate());
    EXPECT_EQ(widget->getTextBox(1, 0)->getText(), "");
    EXPECT_TRUE(widget->getTextBox(1, 0)->isIndeterminate());
    EXPECT_FALSE(widget->isValueCommon(1, 0));
    EXPECT_EQ(widget->getTextBox(2, 0)->getText(), "3.000000");
    EXPECT_FALSE(widget->isValueCommon()) << "the whole values differ";
}

TEST(Vector3WidgetTest, EnterInOneBoxChangesOnlyThatComponentOfEveryVector)
{
    Scene scene(3);
    setVector(scene.attribute(1, L"vector3"), {7, 8, 9});
    scene.database.clearUndoHistory();
    auto* widget = wxtest::show(new VectorWidget);
    widget->setAttributes(scene.attributes(L"vector3"));

    typeInto(widget->getTextBox(2, 0), "2.5");
    pressEnter(widget->getTextBox(2, 0));
    EXPECT_EQ(vector(scene.attribute(0, L"vector3")), OrkP::Vector3(1, 2, 2.5f));
    EXPECT_EQ(vector(scene.attribute(1, L"vector3")), OrkP::Vector3(7, 8, 2.5f));
    EXPECT_EQ(vector(scene.attribute(2, L"vector3")), OrkP::Vector3(1, 2, 2.5f));
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(scene.topUndo(), L"Set Vector3 attribute(s)");
    EXPECT_EQ(widget->getTextBox(2, 0)->getText(), "2.500000");
    EXPECT_FALSE(widget->getTextBox(2, 0)->isIndeterminate());
    EXPECT_TRUE(widget->getTextBox(0, 0)->isIndeterminate());

    typeInto(widget->getTextBox(0, 0), "not a number");
    pressEnter(widget->getTextBox(0, 0));
    EXPECT_EQ(vector(scene.attribute(1, L"vector3")), OrkP::Vector3(0, 8, 2.5f));

    scene.database.undo();
    scene.database.undo();
    EXPECT_EQ(vector(scene.attribute(1, L"vector3")), OrkP::Vector3(7, 8, 9));
    EXPECT_TRUE(widget->getTextBox(2, 0)->isIndeterminate()) << "undo refreshes every box";
}

TEST(Vector3WidgetTest, LeavingABoxWritesOnlyWhatWasTyped)
{
    Scene scene(1);
    auto* widget = wxtest::show(new VectorWidget);
    auto* other = new wxButton(wxtest::frame(), wxID_ANY, "elsewhere", wxPoint(0, 200));
    widget->setAttribute(scene.attribute(0, L"vector3"));

    ASSERT_TRUE(widgettest::moveFocus(widget->getTextBox(1, 0), other));
    EXPECT_EQ(scene.undoSize(), 0u);

    ASSERT_TRUE(widgettest::moveFocus(other, widget->getTextBox(1, 0)));
    typeInto(widget->getTextBox(1, 0), "-6");
    other->SetFocus();
    EXPECT_TRUE(wxtest::pumpUntil([&] { return scene.undoSize() == 1u; }));
    EXPECT_EQ(vector(scene.attribute(0, L"vector3")), OrkP::Vector3(1, -6, 3));

    // Enter that writes an unchanged number leaves nothing for the focus loss to write again.
    ASSERT_TRUE(widgettest::moveFocus(other, widget->getTextBox(0, 0)));
    typeInto(widget->getTextBox(0, 0), "1");
    pressEnter(widget->getTextBox(0, 0));
    const unsigned int afterEnter = scene.undoSize();
    ASSERT_TRUE(widgettest::moveFocus(widget->getTextBox(0, 0), other));
    EXPECT_EQ(scene.undoSize(), afterEnter);
}

TEST(Matrix34WidgetTest, OnlyTheDifferingElementIsMixedAndTheTranslationRowCounts)
{
    Scene scene(2);
    OrkP::Matrix34 changed;
    changed.set(1, 2, 0.75f);
    scene.attribute(1, L"matrix34")->asMatrix34Attribute()->setValue(changed);
    auto* widget = wxtest::show(new MatrixWidget);
    widget->setAttributes(scene.attributes(L"matrix34"));
    ASSERT_EQ(widget->getRowCount(), 4);
    ASSERT_EQ(widget->getColumnCount(), 3);
    for (int row = 0; row < 4; ++row)
    {
        for (int col = 0; col < 3; ++col)
        {
            const bool differs = row == 1 && col == 2;
            EXPECT_EQ(widget->getTextBox(row, col)->isIndeterminate(), differs) << row << "," << col;
        }
    }
    EXPECT_EQ(widget->getTextBox(1, 1)->getText(), "1.000000");

    typeInto(widget->getTextBox(3, 0), "10");
    pressEnter(widget->getTextBox(3, 0));
    EXPECT_EQ(scene.topUndo(), L"Set Matrix34 attribute(s)");
    EXPECT_EQ(scene.attribute(0, L"matrix34")->asMatrix34Attribute()->getValue().get(3, 0), 10.0f);
    EXPECT_EQ(scene.attribute(1, L"matrix34")->asMatrix34Attribute()->getValue().get(1, 2), 0.75f);

    OrkP::Matrix34 moved = scene.attribute(1, L"matrix34")->asMatrix34Attribute()->getValue();
    moved.set(3, 1, -1.0f);
    {
        db::ChangeBlock block(scene.database, L"move");
        scene.attribute(1, L"matrix34")->asMatrix34Attribute()->setValue(moved);
    }
    EXPECT_TRUE(widget->getTextBox(3, 1)->isIndeterminate());
    EXPECT_FALSE(widget->getTextBox(3, 0)->isIndeterminate());
}
