#include "Harness.h"

#include <Tarn/Tarn.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/OrkPopupMenu.h>

#include <wx/filename.h>
#include <wx/image.h>

namespace
{

class SchemeCounter : public wxUtils::OrkPanel
{
public:
    explicit SchemeCounter(wxWindow* parent) : wxUtils::OrkPanel(parent) {}
    void onActiveColourSchemeChanged() override { ++m_calls; }
    int m_calls = 0;
};

struct DarkSchemeScope
{
    DarkSchemeScope() { gTarn.getColourManager().setMode(Tarn::ColourManager::Mode::Dark); }
    ~DarkSchemeScope() { gTarn.getColourManager().setMode(Tarn::ColourManager::Mode::FollowSystem); }
};

} // namespace

// Style bits above wx's own are ours; a mask asks for all of its bits.
TEST(OrkWindowTest, ToolkitStyleBitsAndTwoStepCreation)
{
    auto* window = new wxUtils::OrkWindow(wxtest::frame(), wxID_ANY, wxDefaultPosition, wxDefaultSize, 0x4000 | 0x10);
    EXPECT_TRUE(window->hasOrkStyle(0x4000));
    EXPECT_TRUE(window->hasOrkStyle(0x4010));
    EXPECT_FALSE(window->hasOrkStyle(0x2000));

    auto* panel = new wxUtils::OrkPanel;
    ASSERT_TRUE(panel->Create(wxtest::frame(), 77, wxDefaultPosition, wxSize(50, 40), 0, "named"));
    EXPECT_EQ(panel->GetId(), 77);
    EXPECT_EQ(panel->GetName(), "named");
    EXPECT_EQ(panel->getContentWindow(), panel);
}

TEST(ColourManagerTest, SchemeSwitchTellsEveryLivingClientOnceAndForgetsDestroyedOnes)
{
    auto* first = new SchemeCounter(wxtest::frame());
    auto* second = new SchemeCounter(wxtest::frame());
    const std::size_t clients = gTarn.getColourManager().getClientCount();
    {
        DarkSchemeScope dark;
        EXPECT_TRUE(gTarn.getColourManager().isDark());
        EXPECT_EQ(first->m_calls, 1);
        EXPECT_EQ(second->m_calls, 1);
        // Asking again for the scheme already active is no change.
        gTarn.getColourManager().setMode(Tarn::ColourManager::Mode::Dark);
        EXPECT_EQ(first->m_calls, 1);

        delete second;
        EXPECT_EQ(gTarn.getColourManager().getClientCount(), clients - 1);
    }
    EXPECT_FALSE(gTarn.getColourManager().isDark());
    EXPECT_EQ(first->m_calls, 2);
}

TEST(ColourManagerTest, ClientCreatedDuringBroadcastJoinsAfterIt)
{
    struct Spawner : SchemeCounter
    {
        using SchemeCounter::SchemeCounter;
        void onActiveColourSchemeChanged() override
        {
            SchemeCounter::onActiveColourSchemeChanged();
            if (!m_child)
                m_child = new SchemeCounter(GetParent());
        }
        SchemeCounter* m_child = nullptr;
    };
    auto* spawner = new Spawner(wxtest::frame());
    DarkSchemeScope dark;
    ASSERT_NE(spawner->m_child, nullptr);
    EXPECT_EQ(spawner->m_child->m_calls, 0);
}

TEST(EnvDataTest, DisplayNameFallsBackToTheApplicationsName)
{
    Tarn::EnvData env;
    wxTheApp->SetAppDisplayName("Harness App");
    EXPECT_EQ(env.getAppDisplayName(), "Harness App");
    env.setAppDisplayName("Editor");
    EXPECT_EQ(env.getAppDisplayName(), "Editor");
}

// The harness itself: later window tests rely on these answers.
TEST(HarnessTest, FillsMultiOptionDialogsByItemName)
{
    wxUtils::OrkSimpleMultiOptionDialog dialog(wxtest::frame(), "Add");
    dialog.addTextItem("Value", "Value", "0", wxUtils::OrkSimpleMultiOptionDialog::ItemNumeric);
    dialog.addCheckItem("Flag", "Flag", false);
    int result = 0;
    wxTEST_DIALOG(result = dialog.ShowModal(), wxExpectModal<wxUtils::OrkSimpleMultiOptionDialog>()
                                                   .items({"Value", "Flag"})
                                                   .showing("Value", "0")
                                                   .text("Value", "12")
                                                   .check("Flag", true));
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(dialog.getTextValue("Value"), "12");
    EXPECT_TRUE(dialog.getCheckValue("Flag"));
}

TEST(HarnessTest, MultiOptionDialogsStayOpenShowingWhyWhileTheirCheckRefuses)
{
    wxUtils::OrkSimpleMultiOptionDialog dialog(wxtest::frame(), "Add");
    dialog.addTextItem("Value", "Value", "0", wxUtils::OrkSimpleMultiOptionDialog::ItemArithmetic);
    dialog.setCheck([&dialog] { return dialog.getTextValue("Value") == "2*(3" ? "unclosed" : ""; });
    dialog.Show();
    wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
    const auto pressOk = [&] { dialog.FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(ok); };
    dialog.setTextValue("Value", "2*(3");
    pressOk();
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_NE(wxWindow::FindWindowByLabel("unclosed", &dialog), nullptr);
    dialog.setTextValue("Value", "2*(3)");
    pressOk();
    EXPECT_FALSE(dialog.IsShown());
}

TEST(HarnessTest, PumpUntilWaitsForQueuedWorkAndGivesUpAtTheTimeout)
{
    bool done = false;
    wxTheApp->CallAfter([&done] { done = true; });
    EXPECT_TRUE(wxtest::pumpUntil([&] { return done; }));
    EXPECT_FALSE(wxtest::pumpUntil([] { return false; }, std::chrono::milliseconds(50)));
}

TEST(HarnessTest, SavesTheFrameAsPng)
{
    auto* panel = wxtest::show(new wxUtils::OrkPanel(wxtest::frame()));
    panel->SetBackgroundColour(*wxRED);
    panel->Refresh();
    const wxString path = wxFileName::CreateTempFileName("harness") + ".png";
    ASSERT_TRUE(wxtest::saveWindowPng(panel, path));
    wxImage image;
    ASSERT_TRUE(image.LoadFile(path, wxBITMAP_TYPE_PNG));
    EXPECT_EQ(image.GetSize(), panel->GetSize());
    EXPECT_EQ(image.GetRed(image.GetWidth() / 2, image.GetHeight() / 2), 255);
    EXPECT_EQ(image.GetGreen(image.GetWidth() / 2, image.GetHeight() / 2), 0);
    wxRemoveFile(path);
}
