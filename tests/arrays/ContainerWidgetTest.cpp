#include "ArraysTestSupport.h"

#include <dbui/AttributeArrayWidget.h>
#include <dbui/AttributeWidgetFactory.h>
#include <dbui/CompoundAttributeWidget.h>
#include <dbui/NodeContainerWidget.h>

#include <db/AttributeArray.h>
#include <db/ChangeBlock.h>
#include <db/FloatAttribute.h>
#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkStaticText.h>

#include <wx/button.h>
#include <wx/sizer.h>

#include <gtest/gtest.h>

using arraystest::columnTexts;
using arraystest::rightClick;
using arraystest::Scene;
using arraystest::selectRows;
using Strings = std::vector<wxString>;
using wxtest::click;

namespace
{

/// The labels of the static texts shown directly inside `window`, in window order.
Strings labelsOf(wxWindow* window)
{
    Strings labels;
    for (wxWindow* child : window->GetChildren())
        if (auto* text = dynamic_cast<wxUtils::OrkStaticText*>(child); text && text->IsShown())
            labels.push_back(text->GetLabel());
    return labels;
}

/// The attribute widgets and buttons of a grid, cell by cell ("" for spacers).
Strings cellsOf(wxSizer* grid)
{
    Strings cells;
    for (wxSizerItem* item : grid->GetChildren())
    {
        wxWindow* window = item->GetWindow();
        if (auto* button = dynamic_cast<wxUtils::OrkButton*>(window))
            cells.push_back(button->getLabel());
        else if (auto* widget = dynamic_cast<dbui::AttributeWidget*>(window))
            cells.push_back(widget->getAttributes().empty()
                                ? "?"
                                : wxString::Format("%u", widget->getAttributes().front()->getIndex()));
        else
            cells.push_back("");
    }
    return cells;
}

/// A node at the top of the scene's database; its container of children.
db::NodeContainer* topContainer(Scene& scene, const wchar_t* name)
{
    db::Node* node = db::makeNode(L"AllTypes", name);
    scene.database.getRootContainer().add(node);
    return node->findAttribute(L"children")->asNodeContainer();
}

wxUtils::OrkButton* removeButtonOf(dbui::AttributeArrayWidget* widget, unsigned int element)
{
    return dynamic_cast<wxUtils::OrkButton*>(widget->getGridSizer()->GetItem(2 * element + 1)->GetWindow());
}

} // namespace

TEST(CompoundAttributeWidget, NestedCompoundMembersShareTheGridAndFollowUndo)
{
    Scene scene(1);
    db::Attribute* compound = scene.attribute(0, L"compound");
    auto* widget =
        wxtest::show(new dbui::CompoundAttributeWidget(wxtest::frame(), wxDefaultSize, 0, "CompoundAttributeWidget"));
    widget->setAttribute(compound);

    // The inner compound gets no row of its own; its members join this grid.
    EXPECT_EQ(labelsOf(widget), (Strings{"width", "height", "flag", "note"}));

    // Member widgets are bound so that edits elsewhere and undo show in them.
    auto* width = compound->asCompositeAttribute()->getAttribute(0)->asFloatAttribute();
    std::vector<dbui::AttributeWidget*> members;
    for (wxWindow* child : widget->GetChildren())
        if (auto* member = dynamic_cast<dbui::AttributeWidget*>(child))
            members.push_back(member);
    ASSERT_EQ(members.size(), 4u);
    EXPECT_EQ(members[0]->getAttributes().front(), width);
    EXPECT_EQ(members[0]->getDatabase(), &scene.database);

    // Rebinding to another node's compound builds the grid afresh.
    Scene other(1);
    widget->setAttribute(other.attribute(0, L"compound"));
    EXPECT_EQ(labelsOf(widget), (Strings{"width", "height", "flag", "note"}));
}

TEST(AttributeArrayWidget, AddAndRemovePatchTheGridInPlace)
{
    Scene scene(1);
    db::Attribute* entries = scene.attribute(0, L"entries");
    auto* widget =
        wxtest::show(new dbui::AttributeArrayWidget(wxtest::frame(), wxDefaultSize, 0, "ArrayAttributeWidget"));
    widget->setAttribute(entries);
    // An empty array shows only "Add", in the right-hand column.
    EXPECT_EQ(cellsOf(widget->getGridSizer()), (Strings{"", "Add"}));

    for (int i = 0; i < 3; ++i)
        click(widget->getAddButton());
    EXPECT_EQ(entries->getSize(), 3u);
    EXPECT_EQ(cellsOf(widget->getGridSizer()), (Strings{"0", "Remove", "1", "Remove", "2", "Remove", "", "Add"}));
    wxWindow* firstWidget = widget->getGridSizer()->GetItem(size_t{0})->GetWindow();
    wxWindow* lastWidget = widget->getGridSizer()->GetItem(4)->GetWindow();

    db::Attribute* middle = entries->asAttributeArray()->getElement(1);
    click(removeButtonOf(widget, 1));
    EXPECT_EQ(entries->getSize(), 2u);
    EXPECT_EQ(cellsOf(widget->getGridSizer()), (Strings{"0", "Remove", "1", "Remove", "", "Add"}));
    // The other rows keep their widgets.
    EXPECT_EQ(widget->getGridSizer()->GetItem(size_t{0})->GetWindow(), firstWidget);
    EXPECT_EQ(widget->getGridSizer()->GetItem(2)->GetWindow(), lastWidget);

    // Undo puts the element back in its place, not at the end.
    ASSERT_TRUE(scene.database.undo());
    EXPECT_EQ(cellsOf(widget->getGridSizer()), (Strings{"0", "Remove", "1", "Remove", "2", "Remove", "", "Add"}));
    auto* restored = dynamic_cast<dbui::AttributeWidget*>(widget->getGridSizer()->GetItem(2)->GetWindow());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->getAttributes().front(), middle);
    EXPECT_EQ(removeButtonOf(widget, 1)->getUserData(), middle);
    wxtest::pump();
}

TEST(AttributeArrayWidget, SeveralRemovalsInOneBlockTakeOutTheirOwnRows)
{
    Scene scene(1);
    auto* entries = scene.attribute(0, L"entries")->asAttributeArray();
    for (int i = 0; i < 5; ++i)
        entries->add(false);
    auto* widget =
        wxtest::show(new dbui::AttributeArrayWidget(wxtest::frame(), wxDefaultSize, 0, "ArrayAttributeWidget"));
    widget->setAttribute(entries);
    db::Attribute* kept[] = {entries->getElement(1), entries->getElement(3)};
    {
        db::ChangeBlock block(scene.database, L"Remove three");
        entries->removeElement(0);
        entries->removeElement(1); // the former third
        entries->removeElement(2); // the former fifth
    }
    ASSERT_EQ(cellsOf(widget->getGridSizer()), (Strings{"0", "Remove", "1", "Remove", "", "Add"}));
    EXPECT_EQ(removeButtonOf(widget, 0)->getUserData(), kept[0]);
    EXPECT_EQ(removeButtonOf(widget, 1)->getUserData(), kept[1]);

    // Clicks on buttons that are not "Remove" change nothing.
    wxUtils::OrkButton stranger(widget, wxID_ANY, "Other");
    click(&stranger);
    EXPECT_EQ(entries->getSize(), 2u);
    wxtest::pump();
}

TEST(NodeContainerWidget, RowsFollowAddsRemovesMovesAndRenames)
{
    Scene scene(0);
    db::NodeContainer* container = topContainer(scene, L"parent");
    db::NodeContainer* otherContainer = topContainer(scene, L"elsewhere");
    db::Node* b = db::makeNode(L"AllTypes", L"b");
    db::Node* a = db::makeNode(L"AllTypes", L"a");
    container->add(b);
    container->add(a);

    auto* widget =
        wxtest::show(new dbui::NodeContainerWidget(wxtest::frame(), wxDefaultSize, 0, "NodeContainerWidget"));
    widget->setAttribute(container);
    wxUtils::OrkListControl* list = widget->getListControl();
    EXPECT_EQ(columnTexts(list, 0), (Strings{"b", "a"}));

    // A node of another container changes nothing; the list is only sorted once a change reaches it.
    db::Node* stranger = db::makeNode(L"AllTypes", L"c");
    otherContainer->add(stranger);
    EXPECT_EQ(columnTexts(list, 0), (Strings{"b", "a"}));

    a->setName(L"z");
    EXPECT_EQ(columnTexts(list, 0), (Strings{"b", "z"}));
    stranger->setName(L"d");
    EXPECT_EQ(columnTexts(list, 0), (Strings{"b", "z"}));

    container->add(stranger); // moved in
    EXPECT_EQ(columnTexts(list, 0), (Strings{"b", "d", "z"}));
    otherContainer->add(b); // moved out
    EXPECT_EQ(columnTexts(list, 0), (Strings{"d", "z"}));
    container->add(db::makeNode(L"AllTypes", L"m"));
    EXPECT_EQ(columnTexts(list, 0), (Strings{"d", "m", "z"}));
    EXPECT_EQ(static_cast<db::Node*>(list->getItemUserData(list->getItem(0))), stranger);
}

TEST(NodeContainerWidget, DeletingSelectedNodesIsOneUndoStep)
{
    Scene scene(0);
    db::NodeContainer* container = topContainer(scene, L"parent");
    for (const wchar_t* name : {L"a", L"b", L"c", L"d"})
        container->add(db::makeNode(L"AllTypes", name));
    scene.database.clearUndoHistory();

    auto* widget =
        wxtest::show(new dbui::NodeContainerWidget(wxtest::frame(), wxDefaultSize, 0, "NodeContainerWidget"));
    widget->setAttribute(container);
    wxUtils::OrkListControl* list = widget->getListControl();

    selectRows(list, {0, 2, 3});
    {
        wxtest::ChoosePopupMenuItem choose("Delete");
        rightClick(list, 2);
        EXPECT_EQ(choose.shownLabels(), (Strings{"Delete"}));
    }
    EXPECT_EQ(columnTexts(list, 0), (Strings{"b"}));
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(scene.topUndo(), L"Delete array item(s)");

    ASSERT_TRUE(scene.database.undo());
    EXPECT_EQ(columnTexts(list, 0), (Strings{"a", "b", "c", "d"}));

    // Below the rows the menu is empty.
    {
        wxtest::ChoosePopupMenuItem choose("", true);
        rightClick(list, -1);
        EXPECT_TRUE(choose.shownLabels().empty());
    }
    selectRows(list, {1});
    wxtest::key(list, WXK_DELETE);
    EXPECT_EQ(columnTexts(list, 0), (Strings{"a", "c", "d"}));
}
