#include "WidgetTestSupport.h"

#include <dbui/AttributeWidgetFactory.h>
#include <dbui/PointerWidget.h>
#include <dbui/StringWidget.h>
#include <dbui/Vector3AttributeWidget.h>

#include <db/ChangeBlock.h>
#include <db/PointerAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3Attribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/button.h>

#include <functional>

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

TEST(TextBoxWidgetTest, LeavingABoxWritesOnlyWhatWasTypedAndEnterAlwaysWritesOnce)
{
    struct Box
    {
        const wchar_t* attribute;
        int box;
        const char* typed;
        std::function<bool(db::Attribute*)> holdsTyped;
    };
    const Box boxes[] = {
        {L"string", 0, "typed, then left", [](db::Attribute* a) { return stringValue(a) == L"typed, then left"; }},
        {L"vector3", 1, "-6",
         [](db::Attribute* a) { return a->asVector3Attribute()->getValue() == OrkP::Vector3(1, -6, 3); }},
    };
    for (const Box& b : boxes)
    {
        SCOPED_TRACE(wxString(b.attribute).utf8_str());
        Scene scene(1);
        db::Attribute* attribute = scene.attribute(0, b.attribute);
        auto* widget = wxtest::show(dbui::makeAttributeWidget(attribute->getDef(), wxtest::frame()));
        auto* other = new wxButton(wxtest::frame(), wxID_ANY, "elsewhere", wxPoint(0, 300));
        widget->setAttribute(attribute);
        wxUtils::OrkSimpleTextCtrl* box = widgettest::boxesOf(widget)[b.box];

        ASSERT_TRUE(widgettest::moveFocus(box, other));
        EXPECT_EQ(scene.undoSize(), 0u) << "leaving an untouched box writes nothing";

        ASSERT_TRUE(widgettest::moveFocus(other, box));
        typeInto(box, b.typed);
        other->SetFocus();
        EXPECT_TRUE(wxtest::pumpUntil([&] { return scene.undoSize() == 1u; }));
        EXPECT_TRUE(b.holdsTyped(attribute));

        // Enter writes what the box shows, typed or not, and leaves nothing
        // for the focus loss to write again.
        ASSERT_TRUE(widgettest::moveFocus(other, box));
        pressEnter(box);
        EXPECT_EQ(scene.undoSize(), 2u);
        typeInto(box, b.typed);
        pressEnter(box);
        EXPECT_EQ(scene.undoSize(), 3u);
        ASSERT_TRUE(widgettest::moveFocus(box, other));
        EXPECT_EQ(scene.undoSize(), 3u);
        widget->Destroy();
        other->Destroy();
    }
}
