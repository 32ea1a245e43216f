#include <dbui/LuaStringWidget.h>

#include <Tarn/Tarn.h>
#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/StringAttribute.h>
#include <wxUtils/OrkScriptControl.h>
#include <wxUtils/PanelBuilder.h>
#include <wxUtils/WindowUtils.h>

namespace dbui
{

const wxString LuaStringWidget::s_identifierCharacters = "abcdefghijklmnopqrstuvwxyz_ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const wxString LuaStringWidget::s_wordCharacters =
    "abcdefghijklmnopqrstuvwxyz_ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890.:[]*";
const wxString LuaStringWidget::s_memberSeparators = ".:";

namespace
{
const wxColour s_black(0, 0, 0);
const wxColour s_white(255, 255, 255);
const wxColour s_green(0, 180, 0);
const wxColour s_blue(0, 0, 255);
} // namespace

const LuaStringWidget::EditorStyle LuaStringWidget::s_editorStyles[s_editorStyleCount] = {
    {32, s_black, s_white, false}, {128, s_black, s_blue, false}, {34, s_black, wxColour(0, 255, 0), true},
    {33, s_black, s_white, false}, {11, s_black, s_white, false}, {1, s_green, s_white, false},
    {2, s_green, s_white, false},  {5, s_blue, s_white, true},    {6, s_black, s_white, true},
    {4, s_black, s_white, true},   {10, s_black, s_white, true},  {8, s_black, s_white, true},
    {0, s_black, s_white, false},  {1, s_green, s_white, false},  {2, s_black, s_white, true},
    {3, s_black, s_white, true},   {4, s_black, s_white, true},   {5, s_black, s_white, true},
    {6, s_black, s_white, true},   {7, s_black, s_white, true},   {8, s_black, s_white, true},
    {9, s_black, s_white, true},   {10, s_black, s_white, true},  {11, s_black, s_white, true},
    {12, s_black, s_white, true},  {13, s_black, s_white, true},
};

namespace
{

constexpr int s_returnKey = 13;
// The left Control key, by its virtual-key number.
constexpr int s_leftControlKey = 162;

std::wstring withFinalNewline(wxString text)
{
    if (text.empty() || text.Last() != '\n')
        text += '\n';
    return text.ToStdWstring();
}

} // namespace

LuaStringWidget::LuaStringWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    m_textControl = builder.addScriptControl(1, wxEXPAND, wxDefaultSize, 0);
    builder.endSizer();

    m_textControl->enableLineWrapping(true);
    gTarn.getColourManager().initEditor(m_textControl, false);

    m_textControl->Connect(wxEVT_KILL_FOCUS, wxFocusEventHandler(LuaStringWidget::onKillFocus), nullptr, this);
    m_textControl->Connect(wxEVT_KEY_DOWN, wxKeyEventHandler(LuaStringWidget::onKeyDown), nullptr, this);
}

LuaStringWidget::~LuaStringWidget()
{
    // The editor is destroyed after this object's own parts; its last focus
    // loss must not call back into them.
    m_textControl->Disconnect(wxEVT_KILL_FOCUS, wxFocusEventHandler(LuaStringWidget::onKillFocus), nullptr, this);
    m_textControl->Disconnect(wxEVT_KEY_DOWN, wxKeyEventHandler(LuaStringWidget::onKeyDown), nullptr, this);
}

void LuaStringWidget::onActiveColourSchemeChanged()
{
    gTarn.getColourManager().initEditor(m_textControl, false);
}

void LuaStringWidget::clearWindow()
{
    m_textControl->ClearAll();
}

void LuaStringWidget::setTextBoxValue()
{
    m_textControl->SetText(getAttributes().front()->asStringAttribute()->getValue());
}

void LuaStringWidget::populateFromData(bool immediate)
{
    if (immediate)
    {
        setTextBoxValue();
        return;
    }
    const int caret = m_textControl->GetCurrentPos();
    const bool common = isValueCommon();
    if (common)
        setTextBoxValue();
    else
        clearWindow();
    gTarn.getColourManager().initEditorColours(m_textControl, !common);
    m_textControl->SetSavePoint();
    m_textControl->SetCurrentPos(caret);
    m_textControl->Refresh(true, nullptr);
}

void LuaStringWidget::onDataChanged(const db::ChangeSet&, bool immediate)
{
    populateFromData(immediate);
}

void LuaStringWidget::applyValue()
{
    const std::wstring text = withFinalNewline(m_textControl->GetText());
    m_textControl->SetSavePoint();
    db::ChangeBlock block(getDatabase(), L"Set string attribute(s)");
    for (db::Attribute* attribute : getAttributes())
        attribute->asStringAttribute()->setValue(text);
}

void LuaStringWidget::ensureChangesApplied()
{
    if (m_textControl->GetModify() && isBoundToLiveAttributes())
        applyValue();
}

void LuaStringWidget::onKillFocus(wxFocusEvent& event)
{
    if (!wxUtils::isDescendedFrom(event.GetWindow(), m_textControl))
        ensureChangesApplied();
    event.Skip();
}

void LuaStringWidget::onKeyDown(wxKeyEvent& event)
{
    if (event.GetKeyCode() == s_returnKey && wxUtils::AsyncIsKeyPressed(s_leftControlKey))
    {
        applyValue();
        return;
    }
    event.Skip();
}

} // namespace dbui
