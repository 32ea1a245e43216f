// Long loads and saves of a document, as a user sees them: a progress dialog
// (or the status bar's progress) after a moment, windows that go on
// repainting, and an open that can be cancelled without losing the document
// that was open.

#include "DocumentTestSupport.h"

#include <db/FileInputStream.h>

#include <wx/button.h>
#include <wx/eventfilter.h>
#include <wx/gauge.h>
#include <wx/progdlg.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <chrono>
#include <thread>

using namespace doctest;
using dbui::Document;

namespace
{

wxGenericProgressDialog* openProgressDialog()
{
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<wxGenericProgressDialog*>(window); dialog && dialog->IsShown())
            return dialog;
    return nullptr;
}

/// Clicks a button the way the user's click reaches its handlers.
void click(wxWindow* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

/// Counts the progress dialogs that were shown while it lives.
class ProgressDialogWatch : public wxEventFilter
{
public:
    ProgressDialogWatch() { wxEvtHandler::AddFilter(this); }
    ~ProgressDialogWatch() override { wxEvtHandler::RemoveFilter(this); }

    int FilterEvent(wxEvent& event) override
    {
        if (event.GetEventType() == wxEVT_SHOW && dynamic_cast<wxGenericProgressDialog*>(event.GetEventObject()))
            ++shown;
        return Event_Skip;
    }

    int shown = 0;
};

/// A disk that takes its time: every piece of a file read waits a while,
/// and the test acts as the user meanwhile.
class SlowDisk
{
public:
    explicit SlowDisk(std::function<void()> meanwhile)
    {
        db::FileInputStream::setReadHook(
            [meanwhile](std::size_t)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                meanwhile();
            });
    }
    ~SlowDisk() { db::FileInputStream::setReadHook({}); }
};

class DocumentProgressTest : public DocumentTest
{
protected:
    /// Writes a few megabytes to big.lvl, then opens a document castle.lvl of its own.
    void bigFileBesideCastle()
    {
        fillBig();
        writeFile(path("big.lvl"));
        ASSERT_GT(wxFileName::GetSize(path("big.lvl")).ToULong(), 4u << 20);
        m_document->close();
        fillDatabase(L"level");
        ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    }

    /// Makes the document a few megabytes big.
    void fillBig()
    {
        const std::wstring text(1000, L'x');
        db::ChangeBlock block(m_database, L"Fill");
        for (int i = 0; i < 5000; ++i)
        {
            db::Node* node = db::makeNode(L"Group", L"big" + std::to_wstring(i));
            m_database.getRootContainer().add(node);
            node->addDynamicString(L"notes", text);
        }
    }
};

TEST_F(DocumentProgressTest, LongOpenShowsProgressKeepsRepaintingAndCanBeCancelled)
{
    m_document->setOptions(Document::KeepDocumentOnFailedOpen | Document::ShowProgress);
    bigFileBesideCastle();
    edit(L"bob");

    int paints = 0;
    wxtest::frame()->Bind(wxEVT_PAINT,
                          [&paints](wxPaintEvent& event)
                          {
                              ++paints;
                              event.Skip();
                          });
    int paintsWhileLoading = 0;
    bool sawDialog = false;
    Document::ErrorCode result = Document::Success;
    {
        SlowDisk disk(
            [&]
            {
                // The user looks at the window, then presses Cancel once there is a dialog.
                paintsWhileLoading = paints;
                wxtest::frame()->Refresh();
                if (wxGenericProgressDialog* dialog = openProgressDialog())
                {
                    sawDialog = true;
                    click(dialog->FindWindow(wxID_CANCEL));
                }
            });
        paints = 0;
        wxTEST_DIALOG(result = m_document->open(path("big.lvl")), savePrompt(wxID_NO));
    }
    EXPECT_TRUE(sawDialog) << "no progress dialog while a slow open went on";
    EXPECT_GT(paintsWhileLoading, 0) << "the window did not repaint while the file was read";
    EXPECT_EQ(result, Document::Cancelled);
    EXPECT_EQ(openProgressDialog(), nullptr);
    EXPECT_EQ(author(), L"bob") << "the document that was open is as it was";
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
    EXPECT_TRUE(m_database.canUndo());
    EXPECT_FALSE(hasNode(L"big0"));

    // Without cancelling, the same open goes through, with the dialog gone at the end.
    SlowDisk disk([] {});
    wxTEST_DIALOG(EXPECT_EQ(m_document->open(path("big.lvl")), Document::Success), savePrompt(wxID_NO));
    EXPECT_TRUE(hasNode(L"big4999"));
    EXPECT_EQ(openProgressDialog(), nullptr);
}

TEST_F(DocumentProgressTest, LongSavesShowProgressInEitherFormatAndQuickOnesDoNot)
{
    fillBig();
    m_document->setOptions(Document::FormatByExtension | Document::ShowProgress);
    for (const char* name : {"big.lvl", "big.dbb"})
    {
        SCOPED_TRACE(name);
        ProgressDialogWatch watch;
        m_document->setProgressDelay(std::chrono::milliseconds(0));
        ASSERT_EQ(m_document->save(path(name)), Document::Success) << m_document->getLastFileError();
        EXPECT_GT(watch.shown, 0);
        EXPECT_EQ(openProgressDialog(), nullptr);

        watch.shown = 0;
        m_document->setProgressDelay(std::chrono::hours(1));
        ASSERT_EQ(m_document->save(path(name)), Document::Success);
        EXPECT_EQ(watch.shown, 0);

        m_document->close();
        ASSERT_EQ(m_document->open(path(name)), Document::Success);
        EXPECT_TRUE(hasNode(L"big4999"));
    }
}

TEST_F(DocumentProgressTest, ProgressInTheStatusBarBlocksOtherInputAndCancelsByButtonOrEsc)
{
    m_document->setOptions(Document::KeepDocumentOnFailedOpen | Document::ShowProgress);
    m_document->setProgressDelay(std::chrono::milliseconds(0));
    bigFileBesideCastle();

    wxFrame* frame = wxtest::frame();
    auto* box = new wxTextCtrl(frame, wxID_ANY, "typed");
    wxStatusBar* bar = frame->CreateStatusBar(2);
    bar->SetStatusText("3 nodes", 1);
    wxtest::pump();
    m_document->setProgressStatusBar(bar);

    enum class Cancel
    {
        No,
        Button,
        Esc
    };
    for (const Cancel cancel : {Cancel::Button, Cancel::Esc, Cancel::No})
    {
        SCOPED_TRACE(static_cast<int>(cancel));
        bool sawBar = false;
        bool boxTookInput = false;
        bool closed = false;
        Document::ErrorCode result = Document::Success;
        {
            SlowDisk disk(
                [&]
                {
                    wxWindow* button = bar->FindWindow(wxID_CANCEL);
                    if (!button || sawBar)
                        return;
                    sawBar = openProgressDialog() == nullptr;
                    boxTookInput = box->IsEnabled();
                    closed = frame->Close();
                    if (cancel == Cancel::Button)
                        click(button);
                    else if (cancel == Cancel::Esc)
                        wxUIActionSimulator().Char(WXK_ESCAPE);
                });
            result = m_document->open(path("big.lvl"));
        }
        EXPECT_TRUE(sawBar) << "no progress in the status bar while a slow open went on";
        EXPECT_FALSE(boxTookInput) << "the rest of the window could change the document under the load";
        EXPECT_FALSE(closed) << "the window closed under the load";
        EXPECT_EQ(result, cancel == Cancel::No ? Document::Success : Document::Cancelled);
        EXPECT_EQ(hasNode(L"big0"), cancel == Cancel::No);
        EXPECT_TRUE(box->IsEnabled());
        EXPECT_EQ(bar->FindWindow(wxID_CANCEL), nullptr);
        EXPECT_EQ(bar->GetStatusText(1), "3 nodes");
    }
}

} // namespace
