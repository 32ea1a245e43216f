#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>
#include <wxUtils/FocusReliantWindow.h>

#include <wx/colour.h>

class wxFocusEvent;
class wxKeyEvent;

namespace wxUtils
{
class OrkScriptControl;
}

namespace dbui
{

/// Edits string attributes that hold Lua script in a multi-line script editor.
/// The text is written on Control+Enter, when the focus leaves the editor, or
/// when the host asks for pending changes; it is stored with a final newline.
class DBUI_EXPORT LuaStringWidget : public AttributeWidget, public wxUtils::FocusReliantWindow
{
public:
    /// One row of the script editor's style table.
    struct EditorStyle
    {
        int style;           ///< the styled-text style number (wxSTC_LUA_...)
        wxColour foreground; ///< text colour
        wxColour background; ///< background colour
        bool bold;           ///< drawn in bold
    };

    /// Characters that make up Lua identifiers.
    static const wxString s_identifierCharacters;
    /// Characters that make up a word for completion and selection.
    static const wxString s_wordCharacters;
    /// Characters that separate a table from its member.
    static const wxString s_memberSeparators;
    /// How many rows s_editorStyles has.
    static constexpr int s_editorStyleCount = 26;
    /// The editor styles for Lua, by styled-text style number.
    static const EditorStyle s_editorStyles[s_editorStyleCount];

    /// An unbound widget, created in one step; bind attributes with setAttributes.
    LuaStringWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~LuaStringWidget() override;

    /// The script editor, for hosts and tests.
    wxUtils::OrkScriptControl* getTextControl() const { return m_textControl; }

    /// Writes the editor's text if the user changed it since it was last filled or applied,
    /// and the attributes it was typed for still exist.
    void ensureChangesApplied() override;
    /// Takes the new scheme's colours without touching the text.
    void onActiveColourSchemeChanged() override;

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    /// Shows the first bound attribute's text in the editor.
    void setTextBoxValue();
    /// Writes the editor's text (with a final newline) to every bound attribute in one step.
    void applyValue();

    /// The focus left the editor (not for one of its own windows): applies pending changes.
    void onKillFocus(wxFocusEvent& event);
    /// Control+Enter applies the text; other keys go on to the editor.
    void onKeyDown(wxKeyEvent& event);

private:
    wxUtils::OrkScriptControl* m_textControl = nullptr;
};

} // namespace dbui
