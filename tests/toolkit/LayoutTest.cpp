#include "Harness.h"

#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkListControl.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/OrkScrollWindow.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkSpinButton.h>
#include <wxUtils/OrkSplitter.h>
#include <wxUtils/OrkStaticText.h>
#include <wxUtils/PanelBuilder.h>
#include <wxUtils/WindowFreezer.h>
#include <wxUtils/WindowUtils.h>

#include <wx/sizer.h>
#include <wx/splitter.h>

TEST(PanelBuilderTest, GridWithAnExpandingColumnGivesTheControlsTheSpareWidth)
{
    auto* panel = new wxUtils::OrkPanel(wxtest::frame());
    wxUtils::PanelBuilder builder(panel, 2);
    wxFlexGridSizer* grid = builder.beginFlexGridSizer(0, 2, 0, 0, 12, 1);
    ASSERT_NE(grid, nullptr);
    builder.columnExpands(1, 0);
    wxUtils::OrkStaticText* label = builder.addStaticText("Name & title", 0, 0, wxDefaultSize, 0, 0);
    wxUtils::OrkSimpleTextCtrl* box = builder.addTextBox(0, wxEXPAND, wxDefaultSize, 0);
    builder.addStaticText("Kind", 0, 0, wxDefaultSize, 0, 0);
    builder.addStretchSpacer(1);
    builder.endSizer();
    wxtest::show(panel);

    EXPECT_EQ(panel->GetSizer(), grid);
    EXPECT_EQ(grid->GetItemCount(), 4u);
    EXPECT_EQ(label->getLabel(), "Name & title"); // "&" is text, not a mnemonic
    EXPECT_EQ(box->GetParent(), panel);
    // The text column takes everything the label column leaves.
    EXPECT_GT(box->GetSize().x, panel->GetClientSize().x / 2);
    EXPECT_EQ(grid->GetItem(box)->GetBorder(), 2);
}

TEST(PanelBuilderTest, EveryAddCallReturnsAControlOnTheWindowBeingBuilt)
{
    auto* panel = new wxUtils::OrkPanel(wxtest::frame());
    wxUtils::PanelBuilder builder(panel, 0);
    builder.beginVSizer(0, 0);
    builder.beginHSizer(0, wxEXPAND);
    wxUtils::OrkSimpleTextCtrl* box = builder.addTextBox(1, 0, wxDefaultSize, 0);
    wxUtils::OrkSpinButton* spin = builder.addSpinButton(0, wxEXPAND, wxDefaultSize, 0);
    builder.endSizer();
    wxUtils::OrkCheckBox* check = builder.addCheckBox("Enable debug trace", 0, 0, wxDefaultSize, 0);
    wxUtils::OrkComboBox* combo = builder.addComboBox(0, wxEXPAND, wxDefaultSize, 0);
    wxUtils::OrkButton* button = builder.addButton("Undo", "Undo the last step", 0, 0, wxDefaultSize, 0);
    wxUtils::OrkListControl* list =
        builder.addListControl(1, wxEXPAND, wxDefaultSize, wxUtils::OrkListControl::MultipleSelection, -1);
    builder.addSpacer(8);
    builder.endSizer();
    wxtest::show(panel);

    for (wxWindow* w : std::initializer_list<wxWindow*>{box, spin, check, combo, button, list})
        EXPECT_EQ(w->GetParent(), panel);
    EXPECT_TRUE(list->hasOrkStyle(wxUtils::OrkListControl::MultipleSelection));
    const wxSizerItem* listItem = panel->GetSizer()->GetItem(list, true);
    ASSERT_NE(listItem, nullptr);
    EXPECT_EQ(listItem->GetProportion(), 1);
    EXPECT_TRUE(listItem->GetFlag() & wxEXPAND);
    EXPECT_EQ(check->GetLabel(), "Enable debug trace");
    EXPECT_EQ(button->getLabel(), "Undo");
    EXPECT_EQ(button->GetToolTipText(), "Undo the last step");
    // The spin button stands beside the box and as tall as it.
    EXPECT_EQ(spin->GetPosition().y, box->GetPosition().y);
    EXPECT_EQ(spin->GetSize().y, box->GetSize().y);
    EXPECT_GE(spin->GetPosition().x, box->GetPosition().x + box->GetSize().x);
}

TEST(PanelBuilderTest, SplitterTakesTheNextTwoWindowsAsPanesAndPanelsNestLayouts)
{
    auto* panel = new wxUtils::OrkPanel(wxtest::frame());
    wxUtils::PanelBuilder builder(panel, 2);
    builder.beginVSizer(1, wxEXPAND);
    wxUtils::OrkSplitter* splitter = builder.beginVSplitter(1, wxEXPAND, wxDefaultSize, 0, 0.5);
    auto* left = new wxUtils::OrkPanel(builder.getParentWindow());
    builder.addWindow(left, 1, wxEXPAND);
    wxUtils::OrkPanel* right = builder.beginPanel(0, 0, wxDefaultSize, 0);
    builder.beginVSizer(1, wxEXPAND);
    wxUtils::OrkButton* inner = builder.addButton("Redo", wxEmptyString, 0, 0, wxDefaultSize, 0);
    builder.endSizer();
    builder.endPanel();
    builder.endSizer(); // the splitter
    builder.endSizer();
    wxtest::show(panel);

    EXPECT_EQ(splitter->getFirstPane(), left);
    EXPECT_EQ(splitter->getSecondPane(), right);
    EXPECT_FALSE(splitter->isSplitHorizontally());
    EXPECT_EQ(inner->GetParent(), right);
    ASSERT_TRUE(wxtest::pumpUntil([&] { return std::abs(left->GetSize().x - right->GetSize().x) < 12; }))
        << left->GetSize().x << " vs " << right->GetSize().x;
}

TEST(PanelBuilderTest, MisuseIsCaughtByAsserts)
{
    auto* panel = new wxUtils::OrkPanel(wxtest::frame());
    wxtest::ExpectAsserts asserts;
    {
        wxUtils::PanelBuilder builder(panel, 0);
        builder.addStretchSpacer(1); // no sizer yet
        builder.beginHSizer(0, 0);
        builder.columnExpands(0, 0); // not a grid
    }                                // destroyed with a sizer open
    EXPECT_EQ(asserts.count(), 3);
}

TEST(OrkScrollWindowTest, BuiltContentScrollsWhenTallerThanTheWindow)
{
    auto* scroll = new wxUtils::OrkScrollWindow(wxtest::frame(), wxID_ANY, wxDefaultPosition, wxDefaultSize, 0x5C0);
    wxUtils::PanelBuilder builder(scroll, 2);
    builder.beginFlexGridSizer(0, 2, 0, 0, 12, 1);
    builder.columnExpands(1, 0);
    for (int row = 0; row < 60; ++row)
    {
        builder.addStaticText(wxString::Format("Row %d", row), 0, 0, wxDefaultSize, 0, 0);
        builder.addTextBox(0, wxEXPAND, wxDefaultSize, 0);
    }
    builder.endSizer();
    wxtest::show(scroll);
    scroll->updateScrollArea();
    wxtest::pump();

    wxScrolled<wxPanel>* inner = scroll->getScrollPanel();
    EXPECT_EQ(builder.getParentWindow(), inner);
    EXPECT_GT(inner->GetVirtualSize().y, inner->GetClientSize().y);
    // With the fill-width style the content is never narrower than the window.
    EXPECT_GE(inner->GetVirtualSize().x, inner->GetClientSize().x);
}

TEST(OrkScrollWindowTest, RebuildingAfterTheContentWasDestroyedStillWorks)
{
    auto* scroll = wxtest::show(new wxUtils::OrkScrollWindow(wxtest::frame()));
    for (int round = 0; round < 2; ++round)
    {
        wxUtils::PanelBuilder builder(scroll, 2);
        builder.beginVSizer(0, 0);
        builder.addTextBox(0, wxEXPAND, wxDefaultSize, 0);
        builder.endSizer();
        EXPECT_EQ(scroll->getScrollPanel()->GetChildren().size(), 1u);
        // One rebuild clears the content the toolkit's way, the other the
        // blunt way that also takes the scrolling panel.
        if (round == 0)
            scroll->clearContent();
        else
            scroll->DestroyChildren();
        EXPECT_EQ(scroll->getScrollPanel()->GetChildren().size(), 0u);
    }
    EXPECT_EQ(scroll->GetChildren().size(), 1u);
}

TEST(OrkSplitterTest, PanesCreatedOnTheSplitterAreSplitAtTheRequestedShare)
{
    auto* splitter = new wxUtils::OrkSplitter;
    ASSERT_TRUE(splitter->Create(wxtest::frame(), wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "browser"));
    auto* top = new wxUtils::OrkPanel(splitter);
    auto* bottom = new wxUtils::OrkPanel(splitter);
    wxtest::show(splitter);
    splitter->splitHorizontally(top, bottom, wxUtils::OrkSplitter::SashProportional, 0.25);

    EXPECT_TRUE(splitter->isSplitHorizontally());
    EXPECT_EQ(top->GetParent(), splitter->getSplitterWindow());
    const int height = splitter->getSplitterWindow()->GetClientSize().y;
    ASSERT_TRUE(wxtest::pumpUntil([&] { return std::abs(splitter->getSashPosition() - height / 4) <= 2; }))
        << "sash at " << splitter->getSashPosition() << " of " << height;
    EXPECT_LT(top->GetSize().y, bottom->GetSize().y);
}

TEST(WindowUtilsTest, LayoutParentsRecursivelyMakesRoomForAGrownChild)
{
    auto* outer = new wxUtils::OrkPanel(wxtest::frame());
    auto* middle = new wxUtils::OrkPanel(outer);
    auto* child = new wxUtils::OrkPanel(middle);
    auto* sibling = new wxUtils::OrkPanel(outer);
    child->SetMinSize(wxSize(50, 20));
    auto* middleSizer = new wxBoxSizer(wxVERTICAL);
    middleSizer->Add(child, 0, wxEXPAND);
    middle->SetSizer(middleSizer);
    auto* outerSizer = new wxBoxSizer(wxVERTICAL);
    outerSizer->Add(middle, 0, wxEXPAND);
    outerSizer->Add(sibling, 1, wxEXPAND);
    outer->SetSizer(outerSizer);
    wxtest::show(outer);
    ASSERT_EQ(child->GetSize().y, 20);

    {
        wxUtils::WindowFreezer freezer(outer);
        EXPECT_TRUE(outer->IsFrozen());
        child->SetMinSize(wxSize(50, 120));
        wxUtils::layoutParentsRecursively(child);
    }
    EXPECT_FALSE(outer->IsFrozen());
    EXPECT_EQ(child->GetSize().y, 120);
    EXPECT_EQ(sibling->GetPosition().y, 120);
}

TEST(WindowUtilsTest, DescentIsJudgedAlongTheParentChain)
{
    auto* outer = new wxUtils::OrkPanel(wxtest::frame());
    auto* inner = new wxUtils::OrkPanel(outer);
    auto* other = new wxUtils::OrkPanel(wxtest::frame());
    EXPECT_TRUE(wxUtils::isDescendedFrom(inner, outer));
    EXPECT_TRUE(wxUtils::isDescendedFrom(inner, wxtest::frame()));
    EXPECT_TRUE(wxUtils::isDescendedFrom(outer, outer));
    EXPECT_FALSE(wxUtils::isDescendedFrom(outer, inner));
    EXPECT_FALSE(wxUtils::isDescendedFrom(other, outer));
    EXPECT_FALSE(wxUtils::isDescendedFrom(nullptr, outer));
    EXPECT_FALSE(wxUtils::isDescendedFrom(inner, nullptr));
}
