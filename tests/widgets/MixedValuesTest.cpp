#include "WidgetTestSupport.h"

#include <dbui/AttributeWidgetFactory.h>
#include <dbui/BoolWidget.h>
#include <dbui/EnumWidget.h>
#include <dbui/IntWidget.h>
#include <dbui/LuaStringWidget.h>

#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/EnumAttribute.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkScriptControl.h>
#include <wxUtils/OrkSpinButton.h>

#include <functional>

using widgettest::boxesOf;
using widgettest::choose;
using widgettest::click;
using widgettest::Scene;

namespace
{

using Widget = dbui::AttributeWidget;

bool boolValue(db::Attribute* attribute)
{
    return attribute->asBoolAttribute()->getValue();
}

std::wstring enumText(db::Attribute* attribute)
{
    return attribute->asEnumAttribute()->getValueAsString();
}

/// One editor as a user meets it on two nodes whose values differ: how it
/// shows the difference, an edit that makes the values alike again and what
/// each attribute holds then.
struct MixedRow
{
    const wchar_t* attribute;
    std::function<void(db::Attribute*)> differ; // applied to the second node's attribute
    std::function<bool(Widget*)> showsMixed;
    std::function<void(Widget*)> edit;
    std::function<bool(db::Attribute*)> holds;
    const wchar_t* undo;
};

template <class W> W* as(Widget* widget)
{
    return static_cast<W*>(widget);
}

/// The box `box` of the widget shows nothing, marked as differing.
std::function<bool(Widget*)> mixedBox(int box)
{
    return [box](Widget* w) { return boxesOf(w)[box]->isIndeterminate() && boxesOf(w)[box]->getText().empty(); };
}

/// Types `text` into the widget's box `box` and presses Enter.
std::function<void(Widget*)> typeInto(int box, const char* text)
{
    return [box, text](Widget* w)
    {
        widgettest::typeInto(boxesOf(w)[box], text);
        widgettest::pressEnter(boxesOf(w)[box]);
    };
}

std::vector<MixedRow> mixedRows()
{
    return {
        {L"bool", [](db::Attribute* a) { a->asBoolAttribute()->setValue(true); },
         [](Widget* w) { return as<dbui::BoolWidget>(w)->getCheckBox()->getState() == 2; },
         [](Widget* w) { click(as<dbui::BoolWidget>(w)->getCheckBox()); }, boolValue, L"Set bool attribute(s)"},
        {L"enum", [](db::Attribute* a) { a->asEnumAttribute()->setValueAsString(L"Red"); },
         [](Widget* w)
         {
             wxUtils::OrkComboBox* combo = as<dbui::EnumWidget>(w)->getComboBox();
             // The definition's names, whatever is selected.
             EXPECT_EQ(combo->getCount(), 3);
             EXPECT_EQ(combo->getString(0), "Red");
             return combo->isIndeterminate() && combo->getSelectionString().empty();
         },
         [](Widget* w) { choose(as<dbui::EnumWidget>(w)->getComboBox(), "Blue"); },
         [](db::Attribute* a) { return enumText(a) == L"Blue"; }, L"Set enum attribute(s)"},
        {L"string", [](db::Attribute* a) { a->asStringAttribute()->setValue(L"other"); }, mixedBox(0),
         typeInto(0, "same"), [](db::Attribute* a) { return a->asStringAttribute()->getValue() == L"same"; },
         L"Set string attribute(s)"},
        // The spin button hides while the values differ; typed text is read up to its first non-digit.
        {L"int", [](db::Attribute* a) { a->asIntAttribute()->setValue(3); },
         [](Widget* w)
         {
             EXPECT_NE(as<dbui::IntWidget>(w)->getSpinButton()->IsShown(), mixedBox(0)(w));
             return mixedBox(0)(w);
         },
         typeInto(0, "12abc"), [](db::Attribute* a) { return a->asIntAttribute()->getValue() == 12; },
         L"Set int attribute(s)"},
        // Each component has its own mixed state; an edit changes only its own
        // (x differs throughout), and text that is no number writes 0.
        {L"vector3",
         [](db::Attribute* a) {
             a->asVector3Attribute()->setValue({7, 5, 3});
         },
         [](Widget* w)
         {
             EXPECT_TRUE(mixedBox(0)(w));
             EXPECT_EQ(boxesOf(w)[2]->getText(), "3.000000");
             return mixedBox(1)(w);
         },
         typeInto(1, "oops"),
         [](db::Attribute* a)
         { return a->asVector3Attribute()->getValue().y == 0 && a->asVector3Attribute()->getValue().z == 3; },
         L"Set Vector3 attribute(s)"},
        // The translation row counts like the others.
        {L"matrix34",
         [](db::Attribute* a)
         {
             OrkP::Matrix34 moved;
             moved.set(3, 1, -1.0f);
             a->asMatrix34Attribute()->setValue(moved);
         },
         [](Widget* w)
         {
             EXPECT_EQ(boxesOf(w)[4]->getText(), "1.000000");
             EXPECT_FALSE(boxesOf(w)[9]->isIndeterminate());
             return mixedBox(10)(w);
         },
         typeInto(10, "10"), [](db::Attribute* a) { return a->asMatrix34Attribute()->getValue().get(3, 1) == 10.0f; },
         L"Set Matrix34 attribute(s)"},
        // Applying writes the script with exactly one final newline; the host's
        // "apply everything" reaches the widget.
        {L"script", [](db::Attribute* a) { a->asStringAttribute()->setValue(L"other()\n"); },
         [](Widget* w)
         {
             wxUtils::OrkScriptControl* editor = as<dbui::LuaStringWidget>(w)->getTextControl();
             return editor->GetText().empty() && !editor->GetModify();
         },
         [](Widget* w)
         {
             as<dbui::LuaStringWidget>(w)->getTextControl()->SetText("shared()");
             wxUtils::FocusReliantWindow::ensureAllChangesApplied();
         },
         [](db::Attribute* a) { return a->asStringAttribute()->getValue() == L"shared()\n"; },
         L"Set string attribute(s)"},
    };
}

} // namespace

TEST(MixedValuesTest, EachEditorShowsDifferingValuesAndOneEditMakesThemAlikeInOneStep)
{
    for (const MixedRow& row : mixedRows())
    {
        SCOPED_TRACE(wxString(row.attribute).utf8_str());
        Scene scene(2);
        row.differ(scene.attribute(1, row.attribute));
        scene.database.clearUndoHistory();
        Widget* widget =
            wxtest::show(dbui::makeAttributeWidget(scene.attribute(0, row.attribute)->getDef(), wxtest::frame()));
        widget->setAttributes(scene.attributes(row.attribute));
        EXPECT_TRUE(row.showsMixed(widget));

        // Applying what nobody typed writes nothing.
        wxUtils::FocusReliantWindow::ensureAllChangesApplied();
        EXPECT_EQ(scene.undoSize(), 0u);

        row.edit(widget);
        EXPECT_TRUE(row.holds(scene.attribute(0, row.attribute)));
        EXPECT_TRUE(row.holds(scene.attribute(1, row.attribute)));
        EXPECT_EQ(scene.undoSize(), 1u);
        EXPECT_EQ(scene.topUndo(), row.undo);
        EXPECT_FALSE(row.showsMixed(widget));

        // Undo and redo refresh the widget as the edit did.
        ASSERT_TRUE(scene.database.undo());
        EXPECT_TRUE(row.showsMixed(widget));
        ASSERT_TRUE(scene.database.redo());
        EXPECT_FALSE(row.showsMixed(widget));
        widget->Destroy();
    }
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
    EXPECT_TRUE(boolValue(scene.attribute(0, L"bool")));
    click(widget->getCheckBox());
    EXPECT_FALSE(boolValue(scene.attribute(0, L"bool"))) << "a checked box clears";

    widget->clearAttributes();
    EXPECT_EQ(widget->getCheckBox()->getState(), 0);
    EXPECT_FALSE(widget->IsEnabled());
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
