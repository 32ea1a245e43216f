#include "Harness.h"

#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkSpinButton.h>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <string>
#include <vector>

namespace
{

// Records the toolkit events that reach a panel, in order, as short names.
class EventLog : public wxUtils::OrkPanel
{
public:
    explicit EventLog(wxWindow* parent) : wxUtils::OrkPanel(parent)
    {
        auto log = [this](const char* name)
        {
            return [this, name](wxCommandEvent& event)
            {
                m_events.push_back(name);
                m_lastId = event.GetId();
                m_lastObject = event.GetEventObject();
                m_lastString = event.GetString();
            };
        };
        Bind(wxUTILS_EVT_SPIN_BEGIN_DRAG, log("begin"));
        Bind(wxUTILS_EVT_SPIN_END_DRAG, log("end"));
        Bind(wxUTILS_EVT_SPIN_INCREMENT, log("+"));
        Bind(wxUTILS_EVT_SPIN_DECREMENT, log("-"));
        Bind(wxUTILS_EVT_SPIN_CANCELLED, log("cancel"));
        Bind(wxUTILS_EVT_CB_CHANGED, log("combo"));
        Bind(wxEVT_TEXT_ENTER, log("enter"));
        Bind(wxEVT_TEXT, log("text"));
        Bind(wxEVT_BUTTON, log("button"));
        Bind(wxEVT_CHILD_KILL_FOCUS,
             [this](wxChildFocusEvent& event)
             {
                 m_events.push_back("killfocus");
                 m_lastId = event.GetId();
                 m_lastObject = event.GetEventObject();
             });
        Bind(wxUTILS_EVT_CHECKBOX_CHANGED,
             [this](wxUtils::OrkCheckBoxEvent& event)
             {
                 m_events.push_back("check");
                 m_checkStates.push_back({event.getState(), event.getNewState()});
                 m_lastObject = event.GetEventObject();
             });
        SetSizer(new wxBoxSizer(wxVERTICAL));
    }

    template <class W> W* add(W* window)
    {
        GetSizer()->Add(window, 0, wxEXPAND | wxALL, 4);
        Layout();
        return window;
    }

    std::string joined() const
    {
        std::string all;
        for (const std::string& e : m_events)
            all += (all.empty() ? "" : " ") + e;
        return all;
    }

    std::vector<std::string> m_events;
    std::vector<std::pair<int, int>> m_checkStates;
    int m_lastId = 0;
    wxObject* m_lastObject = nullptr;
    wxString m_lastString;
};

wxMouseEvent mouse(wxEventType type, wxWindow* target, int x, int y)
{
    wxMouseEvent event(type);
    event.SetPosition(wxPoint(x, y));
    event.SetEventObject(target);
    event.m_leftDown = type == wxEVT_LEFT_DOWN || type == wxEVT_MOTION;
    return event;
}

void sendMouse(wxWindow* target, wxEventType type, int x, int y)
{
    wxMouseEvent event = mouse(type, target, x, y);
    target->GetEventHandler()->ProcessEvent(event);
}

} // namespace

// ---------------------------------------------------------------------------
// Text box

TEST(OrkSimpleTextCtrlTest, TypingMarksModifiedAndEnterReachesTheParentWithTheBoxId)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* box = log->add(new wxUtils::OrkSimpleTextCtrl(log, 321));
    box->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));

    wxUIActionSimulator sim;
    sim.Text("42");
    ASSERT_TRUE(wxtest::pumpUntil([box] { return box->getText() == "42"; }));
    EXPECT_TRUE(box->isModified());

    log->m_events.clear();
    sim.Char(WXK_RETURN);
    ASSERT_TRUE(wxtest::pumpUntil([log] { return !log->m_events.empty(); }));
    EXPECT_EQ(log->joined(), "enter");
    EXPECT_EQ(log->m_lastId, 321);

    box->resetModifiedFlag();
    EXPECT_FALSE(box->isModified());
}

TEST(OrkSimpleTextCtrlTest, LosingTheFocusTellsTheParentOnceWithTheBoxAsObject)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* box = log->add(new wxUtils::OrkSimpleTextCtrl(log, 500));
    auto* other = log->add(new wxUtils::OrkSimpleTextCtrl(log, 501));
    box->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
    log->m_events.clear();

    other->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([log] { return !log->m_events.empty(); }));
    wxtest::pump();
    EXPECT_EQ(log->joined(), "killfocus");
    EXPECT_EQ(log->m_lastId, 500);
    EXPECT_EQ(log->m_lastObject, box);
}

TEST(OrkSimpleTextCtrlTest, FillingFromCodeSendsNothingMixedKeepsItEmptyAndToolkitStyleBitsStayOurs)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* box = log->add(new wxUtils::OrkSimpleTextCtrl(log));
    box->setText("12.5");
    box->clear();
    box->setText("abc");
    EXPECT_EQ(box->getText(), "abc");
    EXPECT_FALSE(box->isModified());
    EXPECT_EQ(log->joined(), "");

    box->clear();
    box->setIsIndeterminate(true);
    EXPECT_TRUE(box->isIndeterminate());
    EXPECT_EQ(box->getText(), "");
    EXPECT_EQ(box->GetHint(), "mixed");
    box->setIsIndeterminate(false);
    EXPECT_EQ(box->GetHint(), "");

    // 0x10 is read-only to a plain wxTextCtrl; for us it is select-on-focus.
    box->SetWindowStyleFlag(box->GetWindowStyle() | 0x10);
    EXPECT_TRUE(box->hasOrkStyle(0x10));
    EXPECT_TRUE(box->IsEditable());
    box->SetWindowStyleFlag(box->GetWindowStyle() | wxUtils::OrkSimpleTextCtrl::StyleReadOnly);
    EXPECT_FALSE(box->IsEditable());
}

TEST(OrkSimpleTextCtrlTest, ClickingIntoANumberBoxSelectsItsWholeText)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* plain = log->add(new wxUtils::OrkSimpleTextCtrl(log));
    auto* number = log->add(new wxUtils::OrkSimpleTextCtrl(log));
    number->SetWindowStyleFlag(number->GetWindowStyle() | 0x10);
    number->setText("3.25");
    plain->setText("plain");
    wxtest::pump();

    // GTK selects everything on keyboard focus by itself; a click places the
    // caret, unless the box asked to select.
    wxUIActionSimulator sim;
    auto clickInto = [&sim](wxWindow* box)
    {
        sim.MouseMove(box->GetScreenPosition() + wxPoint(box->GetSize().x / 2, box->GetSize().y / 2));
        wxtest::pump();
        sim.MouseClick();
    };
    long from = 0, to = 0;
    clickInto(plain);
    ASSERT_TRUE(wxtest::pumpUntil([plain] { return wxWindow::FindFocus() == plain; }));
    wxtest::pump();
    plain->GetSelection(&from, &to);
    EXPECT_EQ(from, to);

    clickInto(number);
    ASSERT_TRUE(wxtest::pumpUntil(
        [&]
        {
            number->GetSelection(&from, &to);
            return wxWindow::FindFocus() == number && from == 0 && to == 4;
        }))
        << from << ".." << to;
}

// ---------------------------------------------------------------------------
// Check box

TEST(OrkCheckBoxTest, SettersSendNothingAndAClickReportsThePreviousStateAndNeverLeavesItMixed)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* box = log->add(new wxUtils::OrkCheckBox(log, wxID_ANY, "Visible", wxDefaultPosition, wxDefaultSize, 0x30));
    box->setState(2);
    EXPECT_EQ(box->Get3StateValue(), wxCHK_UNDETERMINED);
    box->setChecked(true);
    EXPECT_TRUE(box->isChecked());
    box->setState(0);
    EXPECT_FALSE(box->IsChecked());
    EXPECT_EQ(log->joined(), "");
    // A box not made for it cannot be set mixed by mistake.
    {
        auto* plain = log->add(new wxUtils::OrkCheckBox(log, wxID_ANY, "Enable debug trace"));
        wxtest::ExpectAsserts asserts;
        plain->setState(2);
        EXPECT_EQ(asserts.count(), 1);
    }

    auto click = [box]
    {
        wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
        event.SetEventObject(box);
        box->ProcessWindowEvent(event);
    };
    // previous state -> (state in the event, state afterwards)
    const struct
    {
        int before;
        int eventState;
        int after;
    } table[] = {{0, 0, 1}, {1, 1, 0}, {2, 2, 1}};
    for (const auto& row : table)
    {
        box->setState(row.before);
        log->m_checkStates.clear();
        click();
        ASSERT_EQ(log->m_checkStates.size(), 1u) << "from state " << row.before;
        EXPECT_EQ(log->m_checkStates[0].first, row.eventState);
        EXPECT_EQ(log->m_checkStates[0].second, row.after);
        EXPECT_EQ(box->getState(), row.after);
        EXPECT_EQ(box->Get3StateValue(), row.after == 1 ? wxCHK_CHECKED : wxCHK_UNCHECKED);
    }
    EXPECT_EQ(log->m_lastObject, box);
}

TEST(OrkCheckBoxTest, RealMouseClickOnMixedBoxChecksIt)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* box = log->add(new wxUtils::OrkCheckBox(log, wxID_ANY, "Mixed box", wxDefaultPosition, wxDefaultSize, 0x10));
    box->setState(2);
    wxtest::pump();
    wxUIActionSimulator sim;
    sim.MouseMove(box->GetScreenPosition() + wxPoint(8, box->GetSize().y / 2));
    wxtest::pump();
    sim.MouseClick();
    ASSERT_TRUE(wxtest::pumpUntil([log] { return !log->m_checkStates.empty(); }));
    EXPECT_EQ(log->m_checkStates[0].first, 2);
    EXPECT_TRUE(box->isChecked());
}

// ---------------------------------------------------------------------------
// Combo box

TEST(OrkComboBoxTest, EntriesKeepTheirClientDataThroughInsertionsAndDeletions)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* combo = log->add(new wxUtils::OrkComboBox(log));
    int a = 1, b = 2, c = 3;
    combo->addString("alpha", &a);
    combo->addString("gamma", &c);
    EXPECT_EQ(combo->addString("beta", &b, 1), 1);
    ASSERT_EQ(combo->getCount(), 3);
    EXPECT_EQ(combo->getString(1), "beta");
    EXPECT_EQ(combo->getClientData(2), &c);
    EXPECT_EQ(combo->findClientData(&b), 1);

    EXPECT_TRUE(combo->setSelectionString("gamma"));
    EXPECT_EQ(combo->getSelectedClientData(), &c);
    EXPECT_TRUE(combo->deleteString("alpha"));
    EXPECT_FALSE(combo->deleteString("alpha"));
    EXPECT_EQ(combo->getSelectionString(), "gamma");
    EXPECT_EQ(combo->findClientData(&b), 0);
    combo->setString(0, "BETA");
    EXPECT_EQ(combo->findString("BETA"), 0);

    EXPECT_FALSE(combo->setSelectionString("unknown"));
    EXPECT_EQ(combo->getSelection(), -1);
    EXPECT_EQ(combo->getSelectionString(), "");
    EXPECT_EQ(log->joined(), "");
}

TEST(OrkComboBoxTest, MixedEntryIsShownButNeverCountedOrChosen)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* combo = log->add(new wxUtils::OrkComboBox(log, 77, wxDefaultPosition, wxDefaultSize, 0x100));
    combo->addString("Low");
    combo->addString("High");
    combo->setIsIndeterminate(true);
    combo->setSelectionString("");
    EXPECT_EQ(combo->getCount(), 2);
    EXPECT_EQ(combo->GetCount(), 3u);
    EXPECT_EQ(combo->GetStringSelection(), "(mixed)");
    EXPECT_EQ(combo->getSelection(), -1);
    EXPECT_EQ(combo->getSelectionString(), "");

    auto choose = [combo](int nativeIndex)
    {
        combo->SetSelection(nativeIndex);
        wxCommandEvent event(wxEVT_CHOICE, combo->GetId());
        event.SetEventObject(combo);
        event.SetInt(nativeIndex);
        combo->ProcessWindowEvent(event);
    };
    choose(2); // the mixed entry itself
    EXPECT_EQ(log->joined(), "");
    choose(1);
    EXPECT_EQ(log->joined(), "combo");
    EXPECT_EQ(log->m_lastString, "High");
    EXPECT_EQ(log->m_lastId, 77);
    EXPECT_FALSE(combo->isIndeterminate());
    EXPECT_EQ(combo->GetCount(), 2u);

    // Refilling while mixed keeps the mixed entry last.
    combo->setIsIndeterminate(true);
    combo->clear();
    combo->addString("Only");
    EXPECT_EQ(combo->getString(0), "Only");
    EXPECT_EQ(combo->GetString(1), "(mixed)");
}

// ---------------------------------------------------------------------------
// Spin button

TEST(OrkSpinButtonTest, ClicksAreOneStepDragsStepByDistanceAndEscapeOrLostCaptureCancel)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* spin = log->add(new wxUtils::OrkSpinButton(log, 9));
    wxtest::pump();
    const wxSize size = spin->GetClientSize();
    const int x = size.x / 2;
    const int step = wxUtils::OrkSpinButton::getDragStep();

    sendMouse(spin, wxEVT_LEFT_DOWN, x, 2);
    EXPECT_TRUE(spin->isDragging());
    sendMouse(spin, wxEVT_LEFT_UP, x, 2);
    sendMouse(spin, wxEVT_LEFT_DOWN, x, size.y - 2);
    sendMouse(spin, wxEVT_LEFT_UP, x, size.y - 2);
    EXPECT_EQ(log->joined(), "begin + end begin - end");
    EXPECT_EQ(log->m_lastId, 9);
    EXPECT_FALSE(spin->isDragging());

    log->m_events.clear();
    sendMouse(spin, wxEVT_LEFT_DOWN, x, 4);
    sendMouse(spin, wxEVT_MOTION, x, 5); // a tremble is not a drag
    sendMouse(spin, wxEVT_MOTION, x, 4 - 2 * step);
    sendMouse(spin, wxEVT_MOTION, x, 4 + step);
    sendMouse(spin, wxEVT_LEFT_UP, x, 4 + step);
    EXPECT_EQ(log->joined(), "begin + + + - - - end");

    log->m_events.clear();
    sendMouse(spin, wxEVT_LEFT_DOWN, x, 2);
    wxKeyEvent escape(wxEVT_KEY_DOWN);
    escape.m_keyCode = WXK_ESCAPE;
    spin->GetEventHandler()->ProcessEvent(escape);
    sendMouse(spin, wxEVT_MOTION, x, 40);
    sendMouse(spin, wxEVT_LEFT_UP, x, 40);
    EXPECT_EQ(log->joined(), "begin + cancel");

    log->m_events.clear();
    sendMouse(spin, wxEVT_LEFT_DOWN, x, 2);
    wxMouseCaptureLostEvent lost(spin->GetId());
    spin->GetEventHandler()->ProcessEvent(lost);
    sendMouse(spin, wxEVT_LEFT_UP, x, 2);
    EXPECT_EQ(log->joined(), "begin + cancel");
    EXPECT_FALSE(spin->HasCapture());
}

TEST(OrkSpinButtonTest, HoldingAnArrowRepeatsUntilReleased)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* spin = log->add(new wxUtils::OrkSpinButton(log));
    wxtest::pump();
    const wxPoint upArrow(spin->GetClientSize().x / 2, 3);
    wxUIActionSimulator sim;
    sim.MouseMove(spin->ClientToScreen(upArrow));
    wxtest::pump();
    sim.MouseDown();
    ASSERT_TRUE(wxtest::pumpUntil([log] { return log->m_events.size() >= 4; }));
    sim.MouseUp();
    ASSERT_TRUE(wxtest::pumpUntil([log] { return log->m_events.back() == "end"; }));
    EXPECT_EQ(log->m_events.front(), "begin");
    for (std::size_t i = 1; i + 1 < log->m_events.size(); ++i)
        EXPECT_EQ(log->m_events[i], "+");
}

// ---------------------------------------------------------------------------
// Button

TEST(OrkButtonTest, ClickArrivesWithTheToolkitButtonAsEventObject)
{
    auto* log = wxtest::show(new EventLog(wxtest::frame()));
    auto* button = log->add(new wxUtils::OrkButton(log, 600, "Remove"));
    int element = 5;
    button->setUserData(&element);
    wxObject* clicked = nullptr;
    log->Bind(wxEVT_BUTTON,
              [&clicked](wxCommandEvent& event)
              {
                  clicked = event.GetEventObject();
                  event.Skip();
              });

    wxCommandEvent click(wxEVT_BUTTON, button->getNativeButton()->GetId());
    click.SetEventObject(button->getNativeButton());
    button->getNativeButton()->ProcessWindowEvent(click);

    ASSERT_EQ(clicked, button);
    auto* asButton = static_cast<wxUtils::OrkButton*>(clicked);
    EXPECT_EQ(asButton->getLabel(), "Remove");
    EXPECT_EQ(asButton->getUserData(), &element);
    EXPECT_EQ(log->m_lastId, 600);
}
