// The editor end to end: a user opens the sample, edits two nodes at once
// in the inspector, undoes, redoes, saves, reopens and closes.

#include "EditorFrame.h"
#include "ViewsTestSupport.h"

#include <dbui/Document.h>
#include <dbui/FloatWidget.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>

#include <db/Database.h>
#include <db/FloatAttribute.h>
#include <db/Visitor.h>
#include <wxUtils/OrkFileHistory2.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/filename.h>
#include <wx/msgdlg.h>

namespace
{

/// The first `count` nodes of a type, in tree order.
std::vector<db::Node*> nodesOfType(db::Node& root, const std::wstring& type, std::size_t count)
{
    std::vector<db::Node*> found;
    std::vector<db::Node*> pending{&root};
    while (!pending.empty() && found.size() < count)
    {
        db::Node* node = pending.front();
        pending.erase(pending.begin());
        if (node->getClassID() == type)
            found.push_back(node);
        const auto children = node->getChildNodes();
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return found;
}

float intensityOf(db::Node* node)
{
    return node->findAttribute(L"intensity")->asFloatAttribute()->getValue();
}

struct Editor
{
    Editor()
        : frame(new EditorFrame(database,
                                std::make_unique<wxUtils::OrkFileHistory2>(wxUtils::OrkFileHistory2::MemoryOnly)))
    {
        frame->Show();
        EXPECT_EQ(frame->getDocument().open(DBUI_SAMPLE_DOCUMENT), dbui::Document::Success);
        wxtest::pump();
    }

    ~Editor()
    {
        if (!closed)
        {
            frame->getDocument().close();
            frame->Destroy();
            wxtest::pump();
        }
    }

    void command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(frame);
        frame->ProcessWindowEvent(event);
    }

    /// Selects `nodes` in the tree as a user would: a click, then Ctrl-clicks.
    void select(const std::vector<db::Node*>& nodes)
    {
        dbui::NodeBrowserTreeControl* tree = frame->getBrowser()->getTreeControl();
        for (std::size_t i = 0; i < nodes.size(); ++i)
        {
            wxUtils::TreeItem* item = tree->getItemOfNode(nodes[i]);
            tree->EnsureVisible(item);
            wxtest::pump();
            viewstest::click(tree, item, i > 0);
        }
    }

    dbui::FloatWidget* floatWidget(const std::wstring& name) const
    {
        for (wxWindow* child : frame->getBrowser()->getInspector()->getScrollPanel()->GetChildren())
            if (auto* widget = dynamic_cast<dbui::FloatWidget*>(child))
                if (!widget->getAttributes().empty() && widget->getAttributes().front()->getName() == name)
                    return widget;
        return nullptr;
    }

    /// Closes the window as the window manager would; true when it went.
    bool closeWindow()
    {
        frame->Close();
        wxtest::pump();
        // The frame may be deleted by now: only its address is looked at.
        closed = wxTopLevelWindows.Find(frame) == nullptr;
        return closed;
    }

    db::Database database{L"Database"};
    EditorFrame* frame;
    bool closed = false;
};

TEST(Editor, EditTwoNodesUndoRedoSaveAndReopen)
{
    Editor editor;
    const auto lights = nodesOfType(editor.database, L"Light", 2);
    ASSERT_EQ(lights.size(), 2u) << "the sample needs two lights";
    editor.select(lights);
    ASSERT_EQ(editor.frame->getBrowser()->getInspector()->getNodes(), lights);

    dbui::FloatWidget* intensity = editor.floatWidget(L"intensity");
    ASSERT_NE(intensity, nullptr);
    ASSERT_EQ(intensity->getAttributes().size(), 2u);
    const float before = intensityOf(lights[0]);
    {
        wxUtils::OrkSimpleTextCtrl* box = intensity->getTextBox();
        box->ChangeValue("42");
        box->MarkDirty();
        wxCommandEvent enter(wxEVT_TEXT_ENTER, box->GetId());
        enter.SetEventObject(box);
        box->HandleWindowEvent(enter);
    }
    EXPECT_EQ(intensityOf(lights[0]), 42.0f);
    EXPECT_EQ(intensityOf(lights[1]), 42.0f);
    EXPECT_TRUE(editor.frame->GetTitle().Contains(" *"));

    editor.command(wxID_UNDO);
    EXPECT_EQ(intensityOf(lights[0]), before);
    EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));
    editor.command(wxID_REDO);
    EXPECT_EQ(intensityOf(lights[1]), 42.0f);

    const wxString saved = wxFileName::CreateTempFileName("dbui-editor") + ".xml";
    wxTEST_DIALOG(editor.command(wxID_SAVEAS), wxtest::ExpectFile(saved));
    EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));
    EXPECT_EQ(editor.frame->getDocument().getFilename(), saved);

    // Reopened, the file holds the edit.
    ASSERT_EQ(editor.frame->getDocument().open(saved), dbui::Document::Success);
    const auto reopened = nodesOfType(editor.database, L"Light", 2);
    ASSERT_EQ(reopened.size(), 2u);
    EXPECT_EQ(intensityOf(reopened[0]), 42.0f);
    EXPECT_EQ(intensityOf(reopened[1]), 42.0f);
    wxRemoveFile(saved);
}

TEST(Editor, ClosingWithUnsavedChangesAsksFirst)
{
    const wxString copy = wxFileName::CreateTempFileName("dbui-editor") + ".xml";
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, copy));
    const auto edit = [](Editor& editor) {
        db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
        light->findAttribute(L"intensity")->asFloatAttribute()->setValue(9.0f);
    };

    {
        Editor editor;
        ASSERT_EQ(editor.frame->getDocument().open(copy), dbui::Document::Success);
        edit(editor);
        wxTEST_DIALOG(EXPECT_FALSE(editor.closeWindow()), wxExpectModal<wxMessageDialog>(wxCANCEL));
        EXPECT_TRUE(editor.frame->IsShown());
    }
    {
        Editor editor;
        ASSERT_EQ(editor.frame->getDocument().open(copy), dbui::Document::Success);
        edit(editor);
        wxTEST_DIALOG(EXPECT_TRUE(editor.closeWindow()), wxExpectModal<wxMessageDialog>(wxNO));
    }
    {
        // Nothing was saved by the answer No, so the file is as it was.
        Editor editor;
        ASSERT_EQ(editor.frame->getDocument().open(copy), dbui::Document::Success);
        EXPECT_NE(intensityOf(nodesOfType(editor.database, L"Light", 1).front()), 9.0f);
        edit(editor);
        wxTEST_DIALOG(EXPECT_TRUE(editor.closeWindow()), wxExpectModal<wxMessageDialog>(wxYES));
    }
    {
        Editor editor;
        ASSERT_EQ(editor.frame->getDocument().open(copy), dbui::Document::Success);
        EXPECT_EQ(intensityOf(nodesOfType(editor.database, L"Light", 1).front()), 9.0f);
    }
    wxRemoveFile(copy);
}

TEST(Editor, TextStillBeingTypedSurvivesAMenuCommandAndClosingTheWindow)
{
    Editor editor;
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    const auto typeIntensity = [&](const wxString& text) {
        editor.select({light});
        wxUtils::OrkSimpleTextCtrl* box = editor.floatWidget(L"intensity")->getTextBox();
        box->SetFocus();
        EXPECT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
        box->ChangeValue(text);
        box->MarkDirty();
    };

    // Closing an unchanged document while typing: the typing changes it, so
    // the user is asked.
    ASSERT_FALSE(editor.frame->GetTitle().Contains(" *"));
    typeIntensity("43");
    wxTEST_DIALOG(EXPECT_FALSE(editor.closeWindow()), wxExpectModal<wxMessageDialog>(wxCANCEL));
    EXPECT_EQ(intensityOf(light), 43.0f);
    EXPECT_TRUE(editor.frame->GetTitle().Contains(" *"));

    // Edit > Delete takes no focus from the box; undoing the deletion brings
    // the node back with what was typed.
    typeIntensity("42");
    editor.command(wxID_DELETE);
    const unsigned int steps = editor.database.getUndoStackSize();
    ASSERT_GE(steps, 2u);
    EXPECT_EQ(editor.database.getUndoDescription(steps - 2), L"Set float attribute(s)");
    editor.command(wxID_UNDO);
    EXPECT_EQ(intensityOf(light), 42.0f);
}

} // namespace
