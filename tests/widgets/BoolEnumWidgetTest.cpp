#include "WidgetTestSupport.h"

#include <dbui/BoolWidget.h>
#include <dbui/EnumWidget.h>

#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/EnumAttribute.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>

using widgettest::Scene;

namespace
{

/// A click on the check box, as the native control reports it.
void click(wxUtils::OrkCheckBox* box)
{
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    box->HandleWindowEvent(event);
}

/// The user picks the entry `text` from the drop-down list.
void choose(wxUtils::OrkComboBox* box, const wxString& text)
{
    const int index = box->findString(text);
    ASSERT_GE(index, 0) << "no entry " << text;
    box->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, box->GetId());
    event.SetEventObject(box);
    event.SetInt(index);
    event.SetString(text);
    box->HandleWindowEvent(event);
}

bool boolValue(db::Attribute* attribute)
{
    return attribute->asBoolAttribute()->getValue();
}

std::wstring enumText(db::Attribute* attribute)
{
    return attribute->asEnumAttribute()->getValueAsString();
}

} // namespace

TEST(BoolWidgetTest, MixedValuesShowTheThirdStateAndAClickSetsAllInOneStep)
{
    Scene scene(2);
    scene.attribute(0, L"bool")->asBoolAttribute()->setValue(true);
    scene.database.clearUndoHistory();
    auto* widget = wxtest::show(new dbui::BoolWidget(wxtest::frame(), wxSize(80, -1), 0, "BoolWidget"));
    widget->setAttributes(scene.attributes(L"bool"));
    EXPECT_EQ(widget->getCheckBox()->getState(), 2);

    click(widget->getCheckBox());
    EXPECT_TRUE(boolValue(scene.attribute(0, L"bool")));
    EXPECT_TRUE(boolValue(scene.attribute(1, L"bool")));
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(scene.topUndo(), L"Set bool attribute(s)");
    EXPECT_EQ(widget->getCheckBox()->getState(), 1);

    click(widget->getCheckBox());
    EXPECT_FALSE(boolValue(scene.attribute(0, L"bool")));
    EXPECT_FALSE(boolValue(scene.attribute(1, L"bool")));
    EXPECT_EQ(scene.undoSize(), 2u);
    EXPECT_EQ(widget->getCheckBox()->getState(), 0);

    scene.database.undo();
    EXPECT_EQ(widget->getCheckBox()->getState(), 1) << "undo refreshes the box";
    scene.database.undo();
    EXPECT_EQ(widget->getCheckBox()->getState(), 2);
    scene.database.redo();
    EXPECT_EQ(widget->getCheckBox()->getState(), 1);
}

TEST(BoolWidgetTest, ClickingWritesEvenWhenTheValueWouldNotChangeAndClearingUnchecks)
{
    Scene scene(1);
    auto* widget = new dbui::BoolWidget(wxtest::frame(), wxDefaultSize, 0, "BoolWidget");
    widget->setAttribute(scene.attribute(0, L"bool"));
    EXPECT_EQ(widget->getCheckBox()->getState(), 0);
    // Another window's edit arrives before the user's click reaches us.
    scene.attribute(0, L"bool")->asBoolAttribute()->setValue(true);
    scene.database.clearUndoHistory();
    widget->getCheckBox()->setState(0);
    click(widget->getCheckBox());
    EXPECT_EQ(scene.undoSize(), 1u) << "each click is one step, whatever it writes";
    EXPECT_EQ(scene.topUndo(), L"Set bool attribute(s)");

    widget->clearAttributes();
    EXPECT_EQ(widget->getCheckBox()->getState(), 0);
    EXPECT_FALSE(widget->IsEnabled());
}

TEST(EnumWidgetTest, ListsTheDefinitionsNamesAndWritesAChoiceToEveryAttribute)
{
    Scene scene(3);
    auto* widget = wxtest::show(new dbui::EnumWidget(wxtest::frame(), wxSize(150, -1), 0, "EnumWidget"));
    widget->setAttributes(scene.attributes(L"enum"));
    wxUtils::OrkComboBox* combo = widget->getComboBox();
    ASSERT_EQ(combo->getCount(), 3);
    EXPECT_EQ(combo->getString(0), "Red");
    EXPECT_EQ(combo->getString(2), "Blue");
    EXPECT_FALSE(combo->isIndeterminate());
    EXPECT_EQ(combo->getSelectionString(), "Green");

    choose(combo, "Blue");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(enumText(scene.attribute(i, L"enum")), L"Blue");
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(scene.topUndo(), L"Set enum attribute(s)");
    EXPECT_EQ(combo->getSelectionString(), "Blue");
}

TEST(EnumWidgetTest, DifferingValuesAreIndeterminateAndUndoMovesOnlyTheSelection)
{
    Scene scene(2);
    scene.attribute(1, L"enum")->asEnumAttribute()->setValueAsString(L"Red");
    scene.database.clearUndoHistory();
    auto* widget = wxtest::show(new dbui::EnumWidget(wxtest::frame(), wxSize(150, -1), 0, "EnumWidget"));
    widget->setAttributes(scene.attributes(L"enum"));
    wxUtils::OrkComboBox* combo = widget->getComboBox();
    EXPECT_TRUE(combo->isIndeterminate());
    EXPECT_EQ(combo->getSelectionString(), "");

    choose(combo, "Red");
    EXPECT_EQ(enumText(scene.attribute(0, L"enum")), L"Red");
    EXPECT_FALSE(combo->isIndeterminate());

    // A marker in the list shows whether the notification refilled it.
    combo->setString(2, "marker");
    scene.database.undo();
    EXPECT_TRUE(combo->isIndeterminate());
    EXPECT_EQ(combo->getSelectionString(), "");
    EXPECT_EQ(combo->getString(2), "marker") << "a change notification must not refill the list";
    EXPECT_EQ(combo->getCount(), 3);
}
