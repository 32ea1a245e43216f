#include "Harness.h"

#include "HarnessInternal.h"

#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkPopupMenu.h>
#include <wxUtils/Screenshot.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <gtk/gtk.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace wxtest
{

namespace
{
int s_activeDialogHooks = 0;
int s_assertCountingDepth = 0;
int s_countedAsserts = 0;
std::vector<std::string> s_assertMessages;
wxFrame* s_frame = nullptr;
} // namespace

// ---------------------------------------------------------------------------
// Dialogs

GTestModalHook::GTestModalHook(const char* file, int line, const char* func)
    : wxTestingModalHook(file, line, func), m_hookFile(file), m_hookLine(line)
{
    ++s_activeDialogHooks;
}

GTestModalHook::~GTestModalHook()
{
    --s_activeDialogHooks;
}

int GTestModalHook::activeCount()
{
    return s_activeDialogHooks;
}

int GTestModalHook::Enter(wxDialog* dialog)
{
    const int answer = wxTestingModalHook::Enter(dialog);
    // The base answers wxID_NONE for a dialog nobody expected, which would
    // show it for real and block the test run; cancel it instead (the
    // failure has been reported already).
    return answer == wxID_NONE ? wxID_CANCEL : answer;
}

void GTestModalHook::ReportFailure(const wxString& message)
{
    ADD_FAILURE_AT(m_hookFile ? m_hookFile : __FILE__, m_hookLine) << message.utf8_str();
}

int UnexpectedDialogHook::Enter(wxDialog* dialog)
{
    if (GTestModalHook::activeCount() > 0)
        return wxID_NONE; // a wxTEST_DIALOG block answers it
    ADD_FAILURE() << "modal dialog \"" << dialog->GetTitle().utf8_str()
                  << "\" shown outside wxTEST_DIALOG; answered with Cancel";
    return wxID_CANCEL;
}

// ---------------------------------------------------------------------------
// Asserts

void onAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    std::string text = std::string("wxWidgets assert \"") + cond.utf8_str().data() + "\" in " + func.utf8_str().data() +
                       ": " + msg.utf8_str().data();
    if (s_assertCountingDepth > 0)
    {
        ++s_countedAsserts;
        s_assertMessages.push_back(text);
        return;
    }
    ADD_FAILURE_AT(file.utf8_str(), line) << text;
}

ExpectAsserts::ExpectAsserts()
{
    if (s_assertCountingDepth++ == 0)
    {
        s_countedAsserts = 0;
        s_assertMessages.clear();
    }
}

ExpectAsserts::~ExpectAsserts()
{
    --s_assertCountingDepth;
}

int ExpectAsserts::count() const
{
    return s_countedAsserts;
}

const std::vector<std::string>& ExpectAsserts::messages() const
{
    return s_assertMessages;
}

// ---------------------------------------------------------------------------
// The test frame

wxFrame* frame()
{
    return s_frame;
}

void createTestFrame(const std::string& testName)
{
    s_frame = new wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(testName), wxPoint(20, 20), wxSize(800, 600));
    s_frame->Show();
    pumpUntil([] { return s_frame->IsShownOnScreen(); });
}

void destroyTestFrame()
{
    wxUtils::OrkPopupMenu::setChooserForTesting(nullptr);
    if (s_frame)
    {
        s_frame->Destroy();
        s_frame = nullptr;
    }
    // Let wxWidgets delete the frame and its children now, so a fault in a
    // destructor is reported against this test.
    pump();
}

void showInFrame(wxWindow* content)
{
    wxASSERT_MSG(content && content->GetParent() == s_frame, "create the window with wxtest::frame() as parent");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(content, 1, wxEXPAND);
    s_frame->SetSizer(sizer);
    s_frame->Layout();
    content->Show();
    pumpUntil([content] { return content->IsShownOnScreen(); });
    pump();
}

// ---------------------------------------------------------------------------
// Event pumping

void showInParent(wxWindow* content)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(content, 1, wxEXPAND);
    content->GetParent()->SetSizer(sizer);
    showInFrame(content->GetParent());
}

void pump()
{
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    // A few rounds: handling one event often queues another (CallAfter,
    // size events, idle-time layout).
    for (int round = 0; round < 3; ++round)
    {
        if (loop)
        {
            while (loop->Pending())
                loop->Dispatch();
        }
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

namespace
{
/// Until when the file chooser's late reports on its list views are let pass.
std::chrono::steady_clock::time_point s_fileChooserSettles;
} // namespace

void fileChooserAnswered()
{
    s_fileChooserSettles = std::chrono::steady_clock::now() + std::chrono::seconds(2);
}

bool isFileChooserTeardownReport(const char* message)
{
    // Only the chooser's list views: nothing of ours is a GtkTreeView.
    return std::chrono::steady_clock::now() < s_fileChooserSettles && message &&
           std::strstr(message, "GTK_IS_TREE_VIEW") != nullptr;
}

bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        pump();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // Wait for the next event rather than spinning.
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
            loop->DispatchTimeout(10);
    }
}

bool saveWindowPng(wxWindow* window, const wxString& path)
{
    // GTK sizes and paints a window some time after wxWidgets laid it out.
    pumpUntil(
        [window]
        {
            GtkAllocation area;
            gtk_widget_get_allocation(window->GetHandle(), &area);
            return area.width == window->GetSize().x && area.height == window->GetSize().y;
        },
        std::chrono::milliseconds(2000));
    window->Refresh();
    window->Update();
    pump();
    return wxUtils::saveWindowAsPng(window, path);
}

// ---------------------------------------------------------------------------
// Popup menus

namespace
{
void collectLabels(const wxUtils::OrkMenu& menu, std::vector<wxString>& labels)
{
    std::vector<const wxUtils::OrkMenu*> subs;
    for (std::size_t i = 0; i < menu.getItemCount(); ++i)
    {
        const wxUtils::OrkMenuItem* item = menu.getItem(i);
        labels.push_back(item->isSeparator() ? wxString("-") : item->getLabel());
        if (item->getSubMenu())
            subs.push_back(item->getSubMenu());
    }
    for (const wxUtils::OrkMenu* sub : subs)
        collectLabels(*sub, labels);
}
} // namespace

ChoosePopupMenuItem::ChoosePopupMenuItem(const wxString& label, bool optional) : m_label(label), m_optional(optional)
{
    wxUtils::OrkPopupMenu::setChooserForTesting(
        [this](const wxUtils::OrkPopupMenu& popup)
        {
            ++m_shown;
            m_labels.clear();
            collectLabels(popup.getMenu(), m_labels);
            if (m_whileShown)
                m_whileShown();
            if (m_label.empty())
                return static_cast<int>(wxID_NONE);
            wxUtils::OrkMenuItem* item = popup.getMenu().findItemByLabel(m_label);
            if (!item)
            {
                ADD_FAILURE() << "the popup menu has no item \"" << m_label.utf8_str() << "\"";
                return static_cast<int>(wxID_NONE);
            }
            return item->getId();
        });
}

ChoosePopupMenuItem::~ChoosePopupMenuItem()
{
    wxUtils::OrkPopupMenu::setChooserForTesting(nullptr);
    if (!m_optional && m_shown == 0)
        ADD_FAILURE() << "expected a popup menu (to choose \"" << m_label.utf8_str() << "\"), none was shown";
}

// ---------------------------------------------------------------------------
// The mouse wheel

void mouse(wxWindow* window, wxEventType type, const wxPoint& point, int modifiers)
{
    wxMouseEvent event(type);
    event.SetPosition(point);
    event.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
    event.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
    event.SetEventObject(window);
    window->ProcessWindowEvent(event);
}

void key(wxWindow* window, int code, int modifiers)
{
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = code;
    event.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
    event.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
    event.SetEventObject(window);
    window->ProcessWindowEvent(event);
}

void requestContextMenu(wxWindow* window, const wxPoint& point)
{
    const wxPoint screen = point == wxDefaultPosition ? point : window->ClientToScreen(point);
    wxContextMenuEvent event(wxEVT_CONTEXT_MENU, window->GetId(), screen);
    event.SetEventObject(window);
    window->ProcessWindowEvent(event);
}

void sendTextEnter(wxWindow* box)
{
    wxCommandEvent event(wxEVT_TEXT_ENTER, box->GetId());
    event.SetEventObject(box);
    box->ProcessWindowEvent(event);
}

void click(wxUtils::OrkButton* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->getNativeButton()->GetId());
    event.SetEventObject(button->getNativeButton());
    button->getNativeButton()->HandleWindowEvent(event);
}

wxPoint labelPoint(const wxUtils::TreeControl* tree, const wxUtils::TreeItem* item)
{
    std::size_t row = 0;
    EXPECT_TRUE(tree->GetItemRow(item, row)) << "item is not shown";
    const wxRect rect = tree->getRowRect(row);
    return wxPoint(rect.x + static_cast<int>(item->GetDepth() + 2) * 18 + 20, rect.y + rect.height / 2);
}

std::vector<wxString> columnTexts(const wxUtils::OrkListControl* list, unsigned int column)
{
    std::vector<wxString> texts;
    for (std::size_t i = 0; i < list->getItemCount(); ++i)
        texts.push_back(list->getItemText(list->getItem(i), column));
    return texts;
}

void turnMouseWheel(int notches)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
    {
        ADD_FAILURE() << "cannot open a second X connection";
        return;
    }
    // X reports the wheel as buttons 4 (up) and 5 (down).
    const unsigned int button = notches > 0 ? 5 : 4;
    for (int i = 0; i < std::abs(notches); ++i)
    {
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
    }
    XSync(display, False);
    XCloseDisplay(display);
}

// ---------------------------------------------------------------------------
// Dragging with the pointer

MouseDrag::MouseDrag(wxWindow* window, const wxPoint& from) : m_window(window), m_at(from)
{
    wxUIActionSimulator sim;
    sim.MouseMove(window->ClientToScreen(from));
    pump();
    sim.MouseDown();
    pump();
}

MouseDrag::~MouseDrag()
{
    release();
}

void MouseDrag::moveTo(const wxPoint& to)
{
    wxUIActionSimulator sim;
    // Steps of a few pixels, as a hand moves: every control on the way sees motion.
    const int steps = std::clamp(std::max(std::abs(to.x - m_at.x), std::abs(to.y - m_at.y)) / 8, 1, 8);
    for (int i = 1; i <= steps; ++i)
    {
        const wxPoint step(m_at.x + (to.x - m_at.x) * i / steps, m_at.y + (to.y - m_at.y) * i / steps);
        sim.MouseMove(m_window->ClientToScreen(step));
        pump();
    }
    m_at = to;
}

void MouseDrag::rest(std::chrono::milliseconds duration)
{
    const auto until = std::chrono::steady_clock::now() + duration;
    pumpUntil([until] { return std::chrono::steady_clock::now() >= until; }, duration + std::chrono::seconds(1));
}

void MouseDrag::holdCtrl()
{
    wxUIActionSimulator().KeyDown(WXK_CONTROL);
    m_ctrl = true;
    pump();
}

void MouseDrag::release()
{
    wxUIActionSimulator sim;
    if (m_down)
    {
        sim.MouseUp();
        m_down = false;
        pump();
    }
    if (m_ctrl)
    {
        sim.KeyUp(WXK_CONTROL);
        m_ctrl = false;
        pump();
    }
}

// ---------------------------------------------------------------------------
// Another application

// A connection of its own makes it another client to the X server, whatever
// GTK knows of it.
struct OtherApplication::Client
{
    Display* display = nullptr;
    Window window = 0;
    Window previousFocus = 0;
};

OtherApplication::OtherApplication() : m_client(new Client)
{
    Client& c = *m_client;
    c.display = XOpenDisplay(nullptr);
    if (!c.display)
    {
        ADD_FAILURE() << "cannot open a second X connection";
        return;
    }
    int revert = 0;
    XGetInputFocus(c.display, &c.previousFocus, &revert);
    c.window = XCreateSimpleWindow(c.display, DefaultRootWindow(c.display), 0, 0, 40, 40, 0, 0, 0);
    XMapRaised(c.display, c.window);
    XSync(c.display, False);
    const bool mapped = pumpUntil(
        [&c]
        {
            XWindowAttributes attributes;
            XGetWindowAttributes(c.display, c.window, &attributes);
            return attributes.map_state == IsViewable;
        });
    EXPECT_TRUE(mapped) << "the other application's window never showed";
    XSetInputFocus(c.display, c.window, RevertToPointerRoot, CurrentTime);
    XSync(c.display, False);
    // Our top-level window learns of it through the X server's events.
    EXPECT_TRUE(pumpUntil([] { return !wxWindow::FindFocus(); }))
        << "the focus stayed with " << wxWindow::FindFocus()->GetName().utf8_str();
}

OtherApplication::~OtherApplication()
{
    Client& c = *m_client;
    if (c.display)
    {
        XSetInputFocus(c.display, c.previousFocus, RevertToPointerRoot, CurrentTime);
        XDestroyWindow(c.display, c.window);
        XCloseDisplay(c.display);
    }
    delete m_client;
    pump();
}

} // namespace wxtest
