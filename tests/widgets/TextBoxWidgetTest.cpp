#include "WidgetTestSupport.h"

#include <dbui/PointerWidget.h>
#include <dbui/StringWidget.h>
#include <dbui/Vector3AttributeWidget.h>

#include <db/ChangeBlock.h>
#include <db/PointerAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3Attribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/button.h>

using widgettest::pressEnter;
using widgettest::Scene;
using widgettest::typeInto;

namespace
{

std::wstring stringValue(db::Attribute* attribute)
{
    return attribute->asStringAttribute()->getValue();
}

dbui::StringWidget* makeStringWidget()
{
    return new dbui::StringWidget(wxtest::frame(), wxDefaultSize, 0, wxDefaultValidator, "StringWidget");
}

} // namespace

TEST(StringWidgetTest, EnterAlwaysWritesButLeavingWritesOnlyTypedText)
{
    Scene scene(1);
    auto* widget = wxtest::show(makeStringWidget());
    auto* other = new wxButton(wxtest::frame(), wxID_ANY, "elsewhere", wxPoint(0, 100));
    widget->setAttribute(scene.attribute(0, L"string"));
    wxUtils::OrkSimpleTextCtrl* box = widget->getTextBox();
    EXPECT_EQ(box->getText(), "text");

    pressEnter(box);
    EXPECT_EQ(scene.undoSize(), 1u) << "Enter re-applies the shown text";

    ASSERT_TRUE(widgettest::moveFocus(box, other));
    EXPECT_EQ(scene.undoSize(), 1u) << "leaving an untouched box writes nothing";

    ASSERT_TRUE(widgettest::moveFocus(box, box));
    typeInto(box, "typed, then left");
    other->SetFocus();
    EXPECT_TRUE(wxtest::pumpUntil([&] { return scene.undoSize() == 2u; }));
    EXPECT_EQ(stringValue(scene.attribute(0, L"string")), L"typed, then left");
    EXPECT_EQ(scene.topUndo(), L"Set string attribute(s)");
}

TEST(StringWidgetTest, ARefillSelectsAllInAFocusedBoxAndPutsTheCaretLastOtherwise)
{
    Scene scene(1);
    auto* widget = wxtest::show(makeStringWidget());
    auto* other = new wxButton(wxtest::frame(), wxID_ANY, "elsewhere", wxPoint(0, 100));
    widget->setAttribute(scene.attribute(0, L"string"));
    wxUtils::OrkSimpleTextCtrl* box = widget->getTextBox();

    ASSERT_TRUE(widgettest::moveFocus(other, box));
    {
        db::ChangeBlock block(scene.database, L"elsewhere");
        scene.attribute(0, L"string")->asStringAttribute()->setValue(L"from another window");
    }
    long from = 0;
    long to = 0;
    box->GetSelection(&from, &to);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, box->GetLastPosition());

    ASSERT_TRUE(widgettest::moveFocus(box, other));
    {
        db::ChangeBlock block(scene.database, L"elsewhere");
        scene.attribute(0, L"string")->asStringAttribute()->setValue(L"again");
    }
    box->GetSelection(&from, &to);
    EXPECT_EQ(from, to) << "nothing selected";
    EXPECT_EQ(box->getInsertionPoint(), box->GetLastPosition());
}

TEST(StringWidgetTest, AWidgetWithoutADatabaseStillEditsItsAttributesHarmlessly)
{
    Scene scene(2);
    auto* widget = makeStringWidget();
    widget->addAttribute(scene.attribute(0, L"string"));
    widget->addAttribute(scene.attribute(1, L"string"));
    ASSERT_EQ(widget->getDatabase(), nullptr);
    typeInto(widget->getTextBox(), "loose");
    pressEnter(widget->getTextBox());
    EXPECT_EQ(stringValue(scene.attribute(0, L"string")), L"loose");
    EXPECT_EQ(stringValue(scene.attribute(1, L"string")), L"loose");
    EXPECT_FALSE(scene.database.isInChangeBlock());
    EXPECT_EQ(widget->getTextBox()->getText(), "loose") << "the typed text stays; the owner refreshes";
}

TEST(PointerWidgetTest, ShowsTheTargetsPathOrNothingOrMixedAndResolvesTypedPaths)
{
    Scene scene(3);
    auto* widget = new dbui::PointerWidget(wxtest::frame(), wxDefaultSize, 0, "PointerWidget");
    widget->setAttributes({scene.attribute(0, L"pointer"), scene.attribute(1, L"pointer")});
    wxUtils::OrkSimpleTextCtrl* box = widget->getTextBox();
    EXPECT_EQ(box->getText(), "") << "no target is an empty box, not a path";
    EXPECT_FALSE(box->isIndeterminate());
    {
        db::ChangeBlock block(scene.database, L"elsewhere");
        scene.attribute(0, L"pointer")->asPointerAttribute()->setValue(scene.nodes[2]);
    }
    EXPECT_TRUE(box->isIndeterminate()) << "pointers to different targets are mixed";
    EXPECT_EQ(box->getText(), "");
    scene.database.undo();

    std::wstring path;
    scene.nodes[2]->toDatabasePath(path);
    typeInto(box, path);
    pressEnter(box);
    EXPECT_EQ(scene.attribute(0, L"pointer")->asPointerAttribute()->getValue(), scene.nodes[2]);
    EXPECT_EQ(scene.attribute(1, L"pointer")->asPointerAttribute()->getValue(), scene.nodes[2]);
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(scene.topUndo(), L"Set pointer attribute(s)");
    EXPECT_EQ(box->getText(), wxString(path));

    // An attribute is as good a target as a node.
    std::wstring memberPath;
    scene.attribute(2, L"float")->toDatabasePath(memberPath);
    typeInto(box, memberPath);
    pressEnter(box);
    EXPECT_EQ(scene.attribute(0, L"pointer")->asPointerAttribute()->getValue(), scene.attribute(2, L"float"));

    typeInto(box, "/no/such/node");
    pressEnter(box);
    EXPECT_EQ(scene.attribute(0, L"pointer")->asPointerAttribute()->getValue(), nullptr);
    EXPECT_EQ(scene.attribute(1, L"pointer")->asPointerAttribute()->getValue(), nullptr);
    EXPECT_EQ(box->getText(), "") << "the box follows the data, not the typing";
    EXPECT_EQ(scene.undoSize(), 3u);
}

TEST(Vector3WidgetTest, LeavingABoxWritesOnlyWhatWasTyped)
{
    Scene scene(1);
    auto* widget = wxtest::show(
        new dbui::Vector3AttributeWidget(wxtest::frame(), wxDefaultSize, 0, wxDefaultValidator, "Vector3Widget"));
    const auto box = [&](int row) { return widgettest::boxesOf(widget)[row]; };
    auto* other = new wxButton(wxtest::frame(), wxID_ANY, "elsewhere", wxPoint(0, 200));
    widget->setAttribute(scene.attribute(0, L"vector3"));

    ASSERT_TRUE(widgettest::moveFocus(box(1), other));
    EXPECT_EQ(scene.undoSize(), 0u);

    ASSERT_TRUE(widgettest::moveFocus(other, box(1)));
    typeInto(box(1), "-6");
    other->SetFocus();
    EXPECT_TRUE(wxtest::pumpUntil([&] { return scene.undoSize() == 1u; }));
    EXPECT_EQ(scene.attribute(0, L"vector3")->asVector3Attribute()->getValue(), OrkP::Vector3(1, -6, 3));

    // Enter that writes an unchanged number leaves nothing for the focus loss to write again.
    ASSERT_TRUE(widgettest::moveFocus(other, box(0)));
    typeInto(box(0), "1");
    pressEnter(box(0));
    const unsigned int afterEnter = scene.undoSize();
    ASSERT_TRUE(widgettest::moveFocus(box(0), other));
    EXPECT_EQ(scene.undoSize(), afterEnter);
}
