// The harness must turn every kind of trouble into a failure of the test
// that caused it, without blocking the run. Each case provokes one.

#include "Harness.h"

#include <wxUtils/OrkMessageBox.h>

#include <gtest/gtest-spi.h>

#include <wx/msgdlg.h>

#include <glib.h>

namespace
{
int s_answer = 0;

void showUnexpectedBox()
{
    s_answer = wxUtils::OrkMessageBox("Nobody expects this", "Surprise", wxYES_NO);
}

void expectABoxThatNeverComes()
{
    wxTEST_DIALOG((void)0, wxExpectModal<wxMessageDialog>(wxYES).Describe("the save prompt"));
}

void answerAFileDialogWithAMessageBoxExpectation()
{
    wxTEST_DIALOG(s_answer = wxUtils::OrkMessageBox("Really?", "Question", wxYES_NO),
                  wxExpectModal<wxFileDialog>("/tmp/x.xml"));
}
} // namespace

TEST(HarnessFailureTest, WxAssertFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(wxFAIL_MSG("caller did something wrong"), "caller did something wrong");
}

TEST(HarnessFailureTest, GtkCriticalFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(g_log("Gtk", G_LOG_LEVEL_CRITICAL, "gtk_widget_show: assertion failed"),
                            "gtk_widget_show: assertion failed");
}

TEST(HarnessFailureTest, DialogOutsideTestDialogFailsAndIsCancelledAtOnce)
{
    s_answer = 0;
    EXPECT_NONFATAL_FAILURE(showUnexpectedBox(), "outside wxTEST_DIALOG");
    EXPECT_EQ(s_answer, wxCANCEL);
}

TEST(HarnessFailureTest, ExpectedDialogThatIsNotShownFails)
{
    EXPECT_NONFATAL_FAILURE(expectABoxThatNeverComes(), "the save prompt");
}

TEST(HarnessFailureTest, WrongKindOfDialogFailsAndDoesNotBlock)
{
    s_answer = 0;
    EXPECT_NONFATAL_FAILURE(answerAFileDialogWithAMessageBoxExpectation(), "shown unexpectedly");
    EXPECT_EQ(s_answer, wxCANCEL);
}

TEST(HarnessFailureTest, PopupMenuThatNeverOpensFails)
{
    EXPECT_NONFATAL_FAILURE({ wxtest::ChoosePopupMenuItem choose("Delete"); }, "none was shown");
}
