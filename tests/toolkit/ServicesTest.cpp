#include "Harness.h"

#include <Orkutils/MemoryTracker.h>
#include <Tarn/Tarn.h>
#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkFileHistory2.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMessageBox.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/OrkPopupMenu.h>
#include <wxUtils/OrkScriptControl.h>
#include <wxUtils/WindowUtils.h>

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/uiaction.h>

#include <memory>
#include <vector>

// ---------------------------------------------------------------------------
// Menus

namespace
{
struct MenuChoice
{
    int id = 0;
    bool fromPopup = false;
    int count = 0;
};

void recordMenuChoices(wxEvtHandler* handler, MenuChoice& choice)
{
    handler->Bind(wxEVT_MENU,
                  [&choice](wxCommandEvent& event)
                  {
                      choice.id = event.GetId();
                      // The popup only lives while it is handled: look at it now.
                      choice.fromPopup = dynamic_cast<wxUtils::OrkPopupMenu*>(event.GetEventObject()) != nullptr;
                      ++choice.count;
                  });
}
} // namespace

TEST(OrkMenuTest, FindsItemsInSubmenusUnlessAskedForTheTopLevelOnly)
{
    wxUtils::OrkMenu menu(-1);
    menu.add(100, "&Delete", false, false, wxEmptyString);
    menu.addSeparator();
    auto* create = new wxUtils::OrkMenu(-1);
    int container = 0;
    create->add(7001, "Mesh", false, false, wxEmptyString)->setUserData(&container);
    menu.addSubMenu(create, "Create children");

    ASSERT_NE(menu.findItem(7001, false), nullptr);
    EXPECT_EQ(menu.findItem(7001, false)->getUserData(), &container);
    EXPECT_EQ(menu.findItem(7001, true), nullptr);
    EXPECT_EQ(menu.findItem(-1, false), nullptr); // neither submenus nor separators answer
    EXPECT_EQ(menu.findItem(wxID_SEPARATOR, false), nullptr);
    EXPECT_EQ(menu.findItemByLabel("Delete")->getId(), 100);
}

TEST(OrkMenuTest, PopupTidiesSeparatorsThatConditionsLeftDangling)
{
    wxUtils::OrkMenu menu(-1);
    menu.addSeparator();
    menu.add(1, "Load From File");
    menu.addSeparator();
    menu.addSeparator();
    menu.add(2, "Save As &XML");
    menu.addSeparator();
    wxUtils::OrkPopupMenu popup(menu);
    ASSERT_EQ(popup.GetMenuItemCount(), 3u);
    EXPECT_FALSE(popup.FindItemByPosition(0)->IsSeparator());
    EXPECT_TRUE(popup.FindItemByPosition(1)->IsSeparator());
    EXPECT_FALSE(popup.FindItemByPosition(2)->IsSeparator());
}

TEST(PopupMenuTest, ChoiceTravelsUpFromTheControlWithThePopupAsEventObject)
{
    auto* outer = new wxUtils::OrkPanel(wxtest::frame());
    auto* control = new wxUtils::OrkPanel(outer);
    wxtest::show(outer);
    MenuChoice choice;
    recordMenuChoices(outer, choice);
    wxUtils::OrkMenuItem* chosen = nullptr;
    outer->Bind(wxEVT_MENU,
                [&chosen](wxCommandEvent& event)
                {
                    auto* popup = dynamic_cast<wxUtils::OrkPopupMenu*>(event.GetEventObject());
                    ASSERT_NE(popup, nullptr);
                    chosen = popup->getMenu().findItem(event.GetId(), false);
                    event.Skip();
                });

    wxUtils::OrkMenu menu(-1);
    menu.add(10, "Int");
    auto* sub = new wxUtils::OrkMenu(-1);
    sub->add(20, "Float Array");
    menu.addSubMenu(sub, "Add Dynamic Attribute");
    {
        wxtest::ChoosePopupMenuItem choose("Float Array");
        control->popupMenu(menu, wxPoint(5, 5), nullptr);
        EXPECT_EQ(choose.shownLabels(), (std::vector<wxString>{"Int", "Add Dynamic Attribute", "Float Array"}));
    }
    EXPECT_EQ(choice.count, 1);
    EXPECT_EQ(choice.id, 20);
    EXPECT_TRUE(choice.fromPopup);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->getLabel(), "Float Array");
}

TEST(PopupMenuTest, GivenHandlerGetsTheChoiceInsteadOfTheWindowAndDismissingSendsNothing)
{
    auto* control = wxtest::show(new wxUtils::OrkPanel(wxtest::frame()));
    MenuChoice atWindow;
    recordMenuChoices(control, atWindow);
    wxEvtHandler handler;
    MenuChoice atHandler;
    recordMenuChoices(&handler, atHandler);

    wxUtils::OrkMenu menu(-1);
    menu.add(33, "Copy");
    {
        wxtest::ChoosePopupMenuItem choose("Copy");
        control->popupMenu(menu, wxDefaultPosition, &handler);
    }
    EXPECT_EQ(atHandler.count, 1);
    EXPECT_EQ(atHandler.id, 33);
    EXPECT_TRUE(atHandler.fromPopup);
    EXPECT_EQ(atWindow.count, 0);
    {
        wxtest::ChoosePopupMenuItem dismiss("");
        control->popupMenu(menu, wxDefaultPosition, nullptr);
    }
    EXPECT_EQ(atWindow.count, 0);
}

// ---------------------------------------------------------------------------
// Focus-reliant windows

namespace
{
struct PendingEdit : wxUtils::FocusReliantWindow
{
    void ensureChangesApplied() override
    {
        ++m_applied;
        if (m_onApply)
            m_onApply();
    }
    int m_applied = 0;
    std::function<void()> m_onApply;
};
} // namespace

TEST(FocusReliantWindowTest, HostCanApplyEveryPendingEditEvenWhenOneDestroysAnother)
{
    const std::size_t before = wxUtils::FocusReliantWindow::getInstanceCount();
    auto first = std::make_unique<PendingEdit>();
    auto second = std::make_unique<PendingEdit>();
    auto third = std::make_unique<PendingEdit>();
    EXPECT_EQ(wxUtils::FocusReliantWindow::getInstanceCount(), before + 3);

    // Applying the first edit rebuilds a view, destroying the second window.
    PendingEdit* second_raw = second.get();
    first->m_onApply = [&second] { second.reset(); };
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
    EXPECT_EQ(first->m_applied, 1);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(third->m_applied, 1);
    (void)second_raw;
    EXPECT_EQ(wxUtils::FocusReliantWindow::getInstanceCount(), before + 2);
}

// ---------------------------------------------------------------------------
// Keys and memory

TEST(KeyStateTest, LeftControlIsSeenWhileHeldDown)
{
    wxtest::show(new wxUtils::OrkPanel(wxtest::frame()));
    wxUIActionSimulator sim;
    sim.KeyDown(WXK_CONTROL);
    ASSERT_TRUE(wxtest::pumpUntil([] { return wxUtils::AsyncIsKeyPressed(162); }));
    EXPECT_TRUE(wxUtils::AsyncIsKeyPressed(17));
    EXPECT_FALSE(wxUtils::AsyncIsKeyPressed(16));
    sim.KeyUp(WXK_CONTROL);
    EXPECT_TRUE(wxtest::pumpUntil([] { return !wxUtils::AsyncIsKeyPressed(162); }));
}

TEST(MemoryFiguresTest, ProcessAndAllocatorFiguresFollowAllocations)
{
    const std::size_t resident = wxUtils::GetProcessMemoryUsage();
    EXPECT_GT(resident, 1u << 20);

    Orkutils::MemoryTracker* tracker = Orkutils::MemoryTracker::getInstance();
    ASSERT_NE(tracker, nullptr);
    ASSERT_TRUE(tracker->countsAllocations()) << "this program links the live-block counter";
    const std::size_t blocks = tracker->getCurrentAllocationCount();
    std::vector<std::unique_ptr<int>> many;
    many.reserve(1000);
    const std::size_t withVector = tracker->getCurrentAllocationCount();
    for (int i = 0; i < 1000; ++i)
        many.push_back(std::make_unique<int>(i));
    EXPECT_GE(tracker->getCurrentAllocationCount(), withVector + 1000);
    many.clear();
    EXPECT_LE(tracker->getCurrentAllocationCount(), withVector);
    EXPECT_GE(withVector, blocks);

    // Touching 64 MiB makes the resident size grow by most of it.
    std::vector<char> big(64u << 20, 1);
    EXPECT_GT(wxUtils::GetProcessMemoryUsage(), resident + (32u << 20));
    EXPECT_EQ(big[12345], 1);
}

// ---------------------------------------------------------------------------
// Message boxes

TEST(OrkMessageBoxTest, AnswersComeBackAsMessageBoxValuesAndARememberedOneSkipsTheBox)
{
    const struct
    {
        long style;
        int button;
        int answer;
    } table[] = {
        {wxYES_NO | wxCANCEL | wxICON_QUESTION, wxYES, wxYES},
        {wxYES_NO | wxCANCEL | wxICON_QUESTION, wxCANCEL, wxCANCEL},
        {wxYES_NO, wxNO, wxNO},
        {wxOK | wxCENTRE, wxOK, wxOK},
        {wxICON_EXCLAMATION, wxOK, wxOK},
    };
    for (const auto& row : table)
    {
        int answer = 0;
        wxTEST_DIALOG(answer = wxUtils::OrkMessageBox("Would you like to save your changes?", "Editor", row.style,
                                                      nullptr, -1, -1, nullptr),
                      wxExpectModal<wxMessageDialog>(row.button));
        EXPECT_EQ(answer, row.answer) << "style " << row.style;
    }
    // A remembered answer shows no box at all (one would fail the test).
    bool dontAsk = true;
    EXPECT_EQ(wxUtils::OrkMessageBox("Overwrite?", "Editor", wxYES_NO, nullptr, -1, -1, &dontAsk), wxYES);
}

// ---------------------------------------------------------------------------
// Recent files

TEST(OrkFileHistory2Test, MostRecentFirstWithoutDuplicatesAndKeptAcrossRuns)
{
    const wxString path = wxFileName::CreateTempFileName("history");
    wxFileConfig config(wxEmptyString, wxEmptyString, path, wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    {
        wxUtils::OrkFileHistory2 history("RecentFiles", 3, &config);
        EXPECT_EQ(history.getCount(), 0u);
        EXPECT_EQ(history.getHistoryFile(0), "");
        history.addFileToHistory("/data/a.xml");
        history.addFileToHistory("/data/b.xml");
        history.addFileToHistory("/data/a.xml");
        ASSERT_EQ(history.getCount(), 2u);
        EXPECT_EQ(history.getHistoryFile(0), "/data/a.xml");
        EXPECT_EQ(history.getHistoryFile(1), "/data/b.xml");
        history.addFileToHistory("/data/c.xml");
        history.addFileToHistory("/data/d.xml");
        EXPECT_EQ(history.getCount(), 3u); // the oldest fell off
        EXPECT_EQ(history.getHistoryFile(2), "/data/a.xml");
        history.removeFileFromHistory(1);
        history.removeFileFromHistory(99);
        EXPECT_EQ(history.getCount(), 2u);
    }
    wxUtils::OrkFileHistory2 again("RecentFiles", 3, &config);
    ASSERT_EQ(again.getCount(), 2u);
    EXPECT_EQ(again.getHistoryFile(0), "/data/d.xml");
    EXPECT_EQ(again.getHistoryFile(1), "/data/a.xml");
    wxRemoveFile(path);

    wxUtils::OrkFileHistory2 transient(wxUtils::OrkFileHistory2::MemoryOnly, 2);
    transient.addFileToHistory("/tmp/x.xml");
    EXPECT_EQ(transient.getHistoryFile(0), "/tmp/x.xml");
    EXPECT_EQ(wxUtils::OrkFileHistory2(wxUtils::OrkFileHistory2::MemoryOnly).getCount(), 0u);
}

// ---------------------------------------------------------------------------
// Script editor set-up

TEST(ScriptEditorTest, InitEditorSetsUpLuaAndMixedColoursChangeOnlyTheBackground)
{
    auto* editor = wxtest::show(new wxUtils::OrkScriptControl(wxtest::frame()));
    Tarn::ColourManager& colours = gTarn.getColourManager();
    editor->SetText("local x = 1 -- one");
    colours.initEditor(editor, false);
    editor->enableLineWrapping(true);

    EXPECT_EQ(editor->GetLexer(), wxSTC_LEX_LUA);
    EXPECT_TRUE(editor->isLineWrappingEnabled());
    EXPECT_EQ(editor->GetText(), "local x = 1 -- one");
    const wxColour keyword = editor->StyleGetForeground(wxSTC_LUA_WORD);
    const wxColour brace = editor->StyleGetBackground(wxSTC_STYLE_BRACELIGHT);
    const wxColour normal = editor->StyleGetBackground(wxSTC_STYLE_DEFAULT);
    EXPECT_NE(keyword, editor->StyleGetForeground(wxSTC_STYLE_DEFAULT)) << "keywords stand out";
    EXPECT_NE(brace, normal) << "so do matching braces";

    colours.initEditorColours(editor, true);
    const wxColour mixed = editor->StyleGetBackground(wxSTC_STYLE_DEFAULT);
    EXPECT_NE(mixed, normal);
    EXPECT_EQ(editor->StyleGetBackground(wxSTC_LUA_WORD), mixed);
    EXPECT_EQ(editor->StyleGetBackground(wxSTC_STYLE_BRACELIGHT), brace);
    EXPECT_EQ(editor->StyleGetForeground(wxSTC_LUA_WORD), keyword);

    colours.setMode(Tarn::ColourManager::Mode::Dark);
    colours.initEditor(editor, false);
    EXPECT_LT(editor->StyleGetBackground(wxSTC_STYLE_DEFAULT).GetLuminance(), 0.3);
    EXPECT_GT(editor->StyleGetForeground(wxSTC_LUA_IDENTIFIER).GetLuminance(), 0.6);
    colours.setMode(Tarn::ColourManager::Mode::FollowSystem);
}
