#include "WidgetTestSupport.h"

#include <dbui/DoubleWidget.h>
#include <dbui/FloatWidget.h>
#include <dbui/IntWidget.h>

#include <db/ChangeBlock.h>
#include <db/DoubleAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkSpinButton.h>

using widgettest::pressEnter;
using widgettest::Scene;
using widgettest::typeInto;

namespace
{

/// What the spin button reports while the user works it.
void spin(wxUtils::OrkSpinButton* button, wxEventType type)
{
    wxCommandEvent event(type, button->GetId());
    event.SetEventObject(button);
    button->HandleWindowEvent(event);
}

template <class W> W* makeWidget()
{
    return wxtest::show(new W(wxtest::frame(), wxSize(80, -1), 0, wxDefaultValidator, "SpinWidget"));
}

float floatValue(db::Attribute* attribute)
{
    return attribute->asFloatAttribute()->getValue();
}

} // namespace

TEST(FloatWidgetTest, ASpinDragIsOneUndoStepAndShowsEachStep)
{
    Scene scene(1);
    auto* widget = makeWidget<dbui::FloatWidget>();
    widget->setAttribute(scene.attribute(0, L"float"));
    EXPECT_EQ(widget->getTextBox()->getText(), "0.5");
    EXPECT_EQ(widget->getSpinDeltaValue(), 1.0f);

    wxUtils::OrkSpinButton* button = widget->getSpinButton();
    spin(button, wxUTILS_EVT_SPIN_BEGIN_DRAG);
    spin(button, wxUTILS_EVT_SPIN_INCREMENT);
    EXPECT_EQ(widget->getTextBox()->getText(), "1.5") << "the box follows the drag";
    spin(button, wxUTILS_EVT_SPIN_INCREMENT);
    spin(button, wxUTILS_EVT_SPIN_INCREMENT);
    spin(button, wxUTILS_EVT_SPIN_END_DRAG);
    EXPECT_EQ(floatValue(scene.attribute(0, L"float")), 3.5f);
    EXPECT_EQ(widget->getTextBox()->getText(), "3.5");
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(scene.topUndo(), L"Change float attribute(s)");
    EXPECT_FALSE(scene.database.isInChangeBlock());

    scene.database.undo();
    EXPECT_EQ(floatValue(scene.attribute(0, L"float")), 0.5f);
    EXPECT_EQ(widget->getTextBox()->getText(), "0.5");
}

TEST(FloatWidgetTest, ACancelledDragLeavesNoTraceAndDifferencesSurviveSteps)
{
    Scene scene(2);
    scene.attribute(1, L"float")->asFloatAttribute()->setValue(2.0f);
    scene.database.clearUndoHistory();
    auto* widget = makeWidget<dbui::FloatWidget>();
    widget->setAttributes(scene.attributes(L"float"));
    widget->setSpinDeltaValue(0.25f);

    wxUtils::OrkSpinButton* button = widget->getSpinButton();
    spin(button, wxUTILS_EVT_SPIN_BEGIN_DRAG);
    spin(button, wxUTILS_EVT_SPIN_DECREMENT);
    spin(button, wxUTILS_EVT_SPIN_DECREMENT);
    EXPECT_EQ(floatValue(scene.attribute(0, L"float")), 0.0f);
    EXPECT_EQ(floatValue(scene.attribute(1, L"float")), 1.5f) << "each attribute steps from its own value";
    spin(button, wxUTILS_EVT_SPIN_CANCELLED);
    EXPECT_EQ(floatValue(scene.attribute(0, L"float")), 0.5f);
    EXPECT_EQ(floatValue(scene.attribute(1, L"float")), 2.0f);
    EXPECT_EQ(scene.undoSize(), 0u);
    EXPECT_FALSE(scene.database.isInChangeBlock());
    EXPECT_TRUE(widget->getTextBox()->isIndeterminate());
}

TEST(FloatWidgetTest, AWidgetDestroyedMidDragClosesTheGesture)
{
    Scene scene(1);
    auto* widget = makeWidget<dbui::FloatWidget>();
    widget->setAttribute(scene.attribute(0, L"float"));
    spin(widget->getSpinButton(), wxUTILS_EVT_SPIN_BEGIN_DRAG);
    spin(widget->getSpinButton(), wxUTILS_EVT_SPIN_INCREMENT);
    delete widget;
    EXPECT_FALSE(scene.database.isInChangeBlock());
    EXPECT_EQ(floatValue(scene.attribute(0, L"float")), 0.5f);
}

TEST(DoubleWidgetTest, ShowsSixSignificantDigitsAndEnterStoresWhatIsShown)
{
    Scene scene(1);
    auto* widget = makeWidget<dbui::DoubleWidget>();
    widget->setAttribute(scene.attribute(0, L"double"));
    EXPECT_EQ(widget->getTextBox()->getText(), "3.14159");
    pressEnter(widget->getTextBox());
    EXPECT_EQ(scene.attribute(0, L"double")->asDoubleAttribute()->getValue(), 3.14159);
    EXPECT_EQ(scene.topUndo(), L"Set double attribute(s)");

    spin(widget->getSpinButton(), wxUTILS_EVT_SPIN_BEGIN_DRAG);
    spin(widget->getSpinButton(), wxUTILS_EVT_SPIN_INCREMENT);
    spin(widget->getSpinButton(), wxUTILS_EVT_SPIN_END_DRAG);
    EXPECT_EQ(scene.attribute(0, L"double")->asDoubleAttribute()->getValue(), 4.14159);
    EXPECT_EQ(scene.topUndo(), L"Change double attribute(s)");

    typeInto(widget->getTextBox(), "1e300");
    pressEnter(widget->getTextBox());
    EXPECT_EQ(widget->getTextBox()->getText(), "1e+12") << "clamped to the definition's limit";
}
