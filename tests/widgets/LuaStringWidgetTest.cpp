#include "WidgetTestSupport.h"

#include <dbui/LuaStringWidget.h>

#include <Tarn/Tarn.h>
#include <db/StringAttribute.h>
#include <wxUtils/OrkScriptControl.h>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <functional>

using widgettest::Scene;

namespace
{

std::wstring script(db::Attribute* attribute)
{
    return attribute->asStringAttribute()->getValue();
}

struct LuaFixture
{
    explicit LuaFixture(int nodes) : scene(nodes)
    {
        widget = new dbui::LuaStringWidget(wxtest::frame(), wxDefaultSize, 0, "LuaStringWidget");
        other = new wxButton(wxtest::frame(), wxID_ANY, "elsewhere");
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(widget, 1, wxEXPAND);
        sizer->Add(other, 0);
        wxtest::frame()->SetSizer(sizer);
        wxtest::frame()->Layout();
        wxtest::pump();
        editor = widget->getTextControl();
    }

    /// Types into the editor with the real keyboard, so that key state queries see it.
    bool focusEditor()
    {
        editor->SetFocus();
        return wxtest::pumpUntil([&] { return wxWindow::FindFocus() == editor; });
    }

    ~LuaFixture()
    {
        // The widget must not outlive the attributes it shows.
        delete widget;
    }

    /// Control+Enter, with Control held until `done` holds: the widget asks for
    /// the key's state when it handles Enter, which comes later than the press.
    bool controlEnter(const std::function<bool()>& done)
    {
        wxUIActionSimulator keys;
        keys.KeyDown(WXK_CONTROL);
        keys.Char(WXK_RETURN);
        const bool happened = wxtest::pumpUntil(done);
        keys.KeyUp(WXK_CONTROL);
        wxtest::pump();
        return happened;
    }

    Scene scene;
    dbui::LuaStringWidget* widget = nullptr;
    wxButton* other = nullptr;
    wxUtils::OrkScriptControl* editor = nullptr;
};

} // namespace

TEST(LuaStringWidgetTest, ControlEnterStoresTheTextWithExactlyOneFinalNewline)
{
    LuaFixture f(1);
    f.widget->setAttribute(f.scene.attribute(0, L"script"));
    EXPECT_EQ(f.editor->GetText(), "-- script\n");
    ASSERT_TRUE(f.focusEditor());

    f.editor->ClearAll();
    ASSERT_TRUE(f.controlEnter([&] { return f.scene.undoSize() == 1u; }));
    EXPECT_EQ(script(f.scene.attribute(0, L"script")), L"\n");
    EXPECT_EQ(f.scene.topUndo(), L"Set string attribute(s)");

    f.editor->SetText("print(1)");
    f.editor->DocumentEnd();
    ASSERT_TRUE(f.controlEnter([&] { return f.scene.undoSize() == 2u; }));
    EXPECT_EQ(script(f.scene.attribute(0, L"script")), L"print(1)\n");
    EXPECT_EQ(f.editor->GetText(), "print(1)\n") << "the stored text comes back to the editor";

    f.editor->SetText("a = 2\n");
    ASSERT_TRUE(f.controlEnter([&] { return f.scene.undoSize() == 3u; }));
    EXPECT_EQ(script(f.scene.attribute(0, L"script")), L"a = 2\n");

    // Unmodified text is written again: the user asked for it.
    ASSERT_TRUE(f.controlEnter([&] { return f.scene.undoSize() == 4u; }));
}

TEST(LuaStringWidgetTest, PlainEnterIsANewLineAndLeavingWritesOnlyAnEdit)
{
    LuaFixture f(1);
    f.widget->setAttribute(f.scene.attribute(0, L"script"));
    ASSERT_TRUE(f.focusEditor());
    f.other->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([&] { return wxWindow::FindFocus() == f.other; }));
    EXPECT_EQ(f.scene.undoSize(), 0u) << "a focus change without an edit writes nothing";

    ASSERT_TRUE(f.focusEditor());
    f.editor->DocumentEnd();
    wxUIActionSimulator keys;
    keys.Text("x");
    keys.Char(WXK_RETURN);
    ASSERT_TRUE(wxtest::pumpUntil([&] { return f.editor->GetText() == "-- script\nx\n"; }));
    EXPECT_EQ(f.scene.undoSize(), 0u);
    EXPECT_TRUE(f.editor->GetModify());

    f.other->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([&] { return f.scene.undoSize() == 1u; }));
    EXPECT_EQ(script(f.scene.attribute(0, L"script")), L"-- script\nx\n");
    EXPECT_FALSE(f.editor->GetModify());
}

TEST(LuaStringWidgetTest, AnEditGoesToTheScriptItWasTypedForOrNowhere)
{
    LuaFixture f(2);
    f.widget->setAttribute(f.scene.attribute(0, L"script"));
    f.editor->SetText("first()\n");
    f.widget->setAttribute(f.scene.attribute(1, L"script"));
    EXPECT_EQ(script(f.scene.attribute(0, L"script")), L"first()\n") << "rebinding lost the edit";
    EXPECT_EQ(f.editor->GetText(), "-- script\n");

    f.editor->SetText("orphan()\n");
    ASSERT_TRUE(f.scene.nodes[1]->remove());
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
    f.scene.database.undo();
    EXPECT_EQ(script(f.scene.attribute(1, L"script")), L"-- script\n") << "written into the removed node";
    EXPECT_EQ(f.scene.undoSize(), 1u);
}

TEST(LuaStringWidgetTest, AColourSchemeChangeKeepsTheTextAndItsUnappliedEdits)
{
    LuaFixture f(1);
    f.widget->setAttribute(f.scene.attribute(0, L"script"));
    f.editor->SetText("unsaved()");
    gTarn.getColourManager().setMode(Tarn::ColourManager::Mode::Dark);
    gTarn.getColourManager().setMode(Tarn::ColourManager::Mode::FollowSystem);
    EXPECT_EQ(f.editor->GetText(), "unsaved()");
    EXPECT_TRUE(f.editor->GetModify());
}
