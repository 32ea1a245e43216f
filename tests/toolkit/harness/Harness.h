#pragma once

// Window test harness: include this (instead of wx/testing.h) in every test
// that opens windows. The program's main (TestMain.cpp) starts wxWidgets, runs
// the tests inside the event loop and gives each test a fresh, shown frame.

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/modalhook.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace wxtest
{

/// The hook behind wxTEST_DIALOG: reports to GoogleTest, and answers an
/// unexpected dialog with Cancel at once instead of letting it block.
class GTestModalHook;

} // namespace wxtest

#define wxTEST_DIALOG_HOOK_CLASS wxtest::GTestModalHook
#include <wx/testing.h>

#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkListControl.h>
#include <wxUtils/OrkSimpleMultiOptionDialog.h>
#include <wxUtils/TreeControl.h>
#include <wxUtils/TreeItem.h>

namespace wxtest
{

class GTestModalHook : public wxTestingModalHook
{
public:
    GTestModalHook(const char* file, int line, const char* func);
    ~GTestModalHook() override;

    /// How many wxTEST_DIALOG blocks are running now.
    static int activeCount();

protected:
    int Enter(wxDialog* dialog) override;
    void ReportFailure(const wxString& message) override;

private:
    const char* m_hookFile;
    int m_hookLine;
};

/// The frame of the running test: shown, 800 by 600, destroyed after the test.
wxFrame* frame();

/// Makes `content` fill the test frame, lays it out and waits until it is on
/// screen. Returns `content` for chaining.
template <class W> W* show(W* content);
void showInFrame(wxWindow* content);
/// Makes `content` fill its parent, a window of the test frame (a panel
/// that gets the content's events as a widget would), and shows that.
void showInParent(wxWindow* content);

/// Handles every pending event, idle processing included.
void pump();

/// Pumps events until `condition` holds; false if it still does not after
/// `timeout`. Use it instead of sleeping.
bool pumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

/// Saves what `window` shows as PNG (for looking at a failing test).
bool saveWindowPng(wxWindow* window, const wxString& path);

/// While alive, wxWidgets asserts are counted instead of failing the test;
/// for tests that check that misuse is caught.
class ExpectAsserts
{
public:
    ExpectAsserts();
    ~ExpectAsserts();
    int count() const;
    const std::vector<std::string>& messages() const;
};

/// While alive, answers every popup menu of the toolkit: the item with the
/// given label (mnemonics ignored, submenus searched) is chosen, or the menu
/// is dismissed when the label is empty. Menus shown are recorded; showing
/// none fails the test unless `optional`.
class ChoosePopupMenuItem
{
public:
    explicit ChoosePopupMenuItem(const wxString& label, bool optional = false);
    ~ChoosePopupMenuItem();

    /// The labels of the last menu shown, top level then submenus in order,
    /// separators as "-".
    const std::vector<wxString>& shownLabels() const { return m_labels; }
    int shownCount() const { return m_shown; }
    /// Runs `action` while the menu is open, before the choice: what other
    /// windows, timers or the database may do while the user looks at it.
    void whileShown(std::function<void()> action) { m_whileShown = std::move(action); }

private:
    wxString m_label;
    bool m_optional;
    std::function<void()> m_whileShown;
    int m_shown = 0;
    std::vector<wxString> m_labels;
};

/// Sends `window` a mouse event at `point` (client coordinates), as GTK
/// reports a press or move; `modifiers` are wxMOD_CONTROL and wxMOD_SHIFT.
void mouse(wxWindow* window, wxEventType type, const wxPoint& point, int modifiers = wxMOD_NONE);

/// Sends `window` a key-down event, as the keyboard would.
void key(wxWindow* window, int code, int modifiers = wxMOD_NONE);

/// Asks `window` for its context menu at `point`, in client coordinates, as
/// a right click does; wxDefaultPosition asks from the keyboard.
void requestContextMenu(wxWindow* window, const wxPoint& point);

/// Presses Enter in a text box, as a box with wxTE_PROCESS_ENTER reports it.
void sendTextEnter(wxWindow* box);

/// Clicks a toolkit button, as its native button reports the click.
void click(wxUtils::OrkButton* button);

/// A point on a tree item's label, clear of its expander.
wxPoint labelPoint(const wxUtils::TreeControl* tree, const wxUtils::TreeItem* item);

/// The texts of one column of a list, top to bottom.
std::vector<wxString> columnTexts(const wxUtils::OrkListControl* list, unsigned int column = 0);

/// Turns the mouse wheel where the pointer is, as the X server reports a real
/// wheel: positive notches scroll down. Nothing is pumped.
void turnMouseWheel(int notches);

/// A drag with the real pointer, as the X server reports it: the button goes
/// down at `from` (client coordinates of `window`) when made, and comes up at
/// the pointer's place at release() (or when destroyed). Each move goes in
/// small steps, pumping events between them.
class MouseDrag
{
public:
    MouseDrag(wxWindow* window, const wxPoint& from);
    ~MouseDrag();
    MouseDrag(const MouseDrag&) = delete;
    MouseDrag& operator=(const MouseDrag&) = delete;

    /// Moves the pointer to `to`, client coordinates of the window.
    void moveTo(const wxPoint& to);
    /// Keeps the pointer still while events are handled for `duration`.
    void rest(std::chrono::milliseconds duration);
    /// Holds Ctrl down until release().
    void holdCtrl();
    /// Lets the button (and Ctrl) go.
    void release();

private:
    wxWindow* m_window;
    wxPoint m_at;
    bool m_down = true;
    bool m_ctrl = false;
};

/// While alive, another X client holds the keyboard focus, as when the user
/// has clicked the window of another application; our windows lose it.
class OtherApplication
{
public:
    OtherApplication();
    ~OtherApplication();
    OtherApplication(const OtherApplication&) = delete;
    OtherApplication& operator=(const OtherApplication&) = delete;

private:
    struct Client;
    Client* m_client;
};

template <class W> W* show(W* content)
{
    showInFrame(content);
    return content;
}

/// To be called by whatever answers a native file dialog in a test. GTK's
/// chooser loads its folder in the background and, closed before that is
/// done, may report on its own list views that are gone: for a while after a
/// chooser was answered, such reports are printed instead of failing the test.
void fileChooserAnswered();

/// Answers a file dialog with a path. The GTK file chooser takes a path in
/// only after its folder has loaded, so this waits for the path to read back.
class ExpectFile : public wxExpectModalBase<wxFileDialog, ExpectFile>
{
public:
    explicit ExpectFile(const wxString& path, int id = wxID_OK) : m_path(path), m_id(id)
    {
        m_description = "file dialog answered with " + path;
    }

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        fileChooserAnswered();
        dialog->SetPath(m_path);
        EXPECT_TRUE(pumpUntil([&] { return dialog->GetPath() == m_path; }))
            << "file dialog gives " << dialog->GetPath() << " for " << m_path;
        return m_id;
    }

private:
    wxString m_path;
    int m_id;
};

} // namespace wxtest

/// Answers an OrkSimpleMultiOptionDialog: fills in texts and checks by item
/// name, can verify the texts it was shown with, and returns the given id.
template <>
class wxExpectModal<wxUtils::OrkSimpleMultiOptionDialog> : public wxExpectModalBase<wxUtils::OrkSimpleMultiOptionDialog>
{
public:
    explicit wxExpectModal(int id = wxID_OK) : m_id(id) {}

    wxExpectModal text(const wxString& name, const wxString& value) const
    {
        wxExpectModal e(*this);
        e.m_texts.emplace_back(name, value);
        return e;
    }
    wxExpectModal check(const wxString& name, bool value) const
    {
        wxExpectModal e(*this);
        e.m_checks.emplace_back(name, value);
        return e;
    }
    /// Fails the test unless the dialog shows exactly these item names, in order.
    wxExpectModal items(std::vector<wxString> names) const
    {
        wxExpectModal e(*this);
        e.m_expectedNames = std::move(names);
        e.m_checkNames = true;
        return e;
    }
    /// Fails the test unless the named text item shows `value` when opened.
    wxExpectModal showing(const wxString& name, const wxString& value) const
    {
        wxExpectModal e(*this);
        e.m_expectedTexts.emplace_back(name, value);
        return e;
    }

protected:
    int OnInvoked(wxUtils::OrkSimpleMultiOptionDialog* dialog) const override
    {
        if (m_checkNames)
        {
            EXPECT_EQ(dialog->getItemNames(), m_expectedNames) << "items of dialog \"" << dialog->GetTitle() << "\"";
        }
        for (const auto& [name, value] : m_expectedTexts)
            EXPECT_EQ(dialog->getTextValue(name), value) << "text item \"" << name << "\" when the dialog opened";
        for (const auto& [name, value] : m_texts)
            dialog->setTextValue(name, value);
        for (const auto& [name, value] : m_checks)
            dialog->setCheckValue(name, value);
        return m_id;
    }

private:
    int m_id;
    std::vector<std::pair<wxString, wxString>> m_texts;
    std::vector<std::pair<wxString, bool>> m_checks;
    std::vector<std::pair<wxString, wxString>> m_expectedTexts;
    std::vector<wxString> m_expectedNames;
    bool m_checkNames = false;
};

// GoogleTest prints wxString values readably.
inline void PrintTo(const wxString& s, std::ostream* os)
{
    *os << '"' << s.utf8_str() << '"';
}
