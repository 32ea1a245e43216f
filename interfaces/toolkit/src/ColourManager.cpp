#include <Tarn/ColourManager.h>

#include <wxUtils/ColourSchemeClient.h>

#include <wx/app.h>
#include <wx/settings.h>
#include <wx/stc/stc.h>

#include <gtk/gtk.h>

#include <array>

namespace Tarn
{

namespace
{

// Word characters of Lua code as the editor treats them when selecting a word
// by double click: identifiers plus the member and index punctuation, so that
// a whole "table.field[1]" path is one word.
const char* const s_luaWordCharacters = "abcdefghijklmnopqrstuvwxyz_ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890.:[]*";

const char* const s_luaKeywords = "and break do else elseif end false for function goto if in local nil not or "
                                  "repeat return then true until while";

struct EditorStyle
{
    int style;
    unsigned char fg[3];
    unsigned char bg[3];
    bool bold;
};

// The editor's style table in the light scheme. Several style numbers appear
// twice; the first entry of a number is the one that counts, the later ones
// are fallbacks kept for lexers that number their styles differently.
const EditorStyle s_luaStyles[] = {
    {32, {0, 0, 0}, {255, 255, 255}, false},  {128, {0, 0, 0}, {0, 0, 255}, false},
    {34, {0, 0, 0}, {0, 255, 0}, true},       {33, {0, 0, 0}, {255, 255, 255}, false},
    {11, {0, 0, 0}, {255, 255, 255}, false},  {1, {0, 180, 0}, {255, 255, 255}, false},
    {2, {0, 180, 0}, {255, 255, 255}, false}, {5, {0, 0, 255}, {255, 255, 255}, true},
    {6, {0, 0, 0}, {255, 255, 255}, true},    {4, {0, 0, 0}, {255, 255, 255}, true},
    {10, {0, 0, 0}, {255, 255, 255}, true},   {8, {0, 0, 0}, {255, 255, 255}, true},
    {0, {0, 0, 0}, {255, 255, 255}, false},   {1, {0, 180, 0}, {255, 255, 255}, false},
    {2, {0, 0, 0}, {255, 255, 255}, true},    {3, {0, 0, 0}, {255, 255, 255}, true},
    {4, {0, 0, 0}, {255, 255, 255}, true},    {5, {0, 0, 0}, {255, 255, 255}, true},
    {6, {0, 0, 0}, {255, 255, 255}, true},    {7, {0, 0, 0}, {255, 255, 255}, true},
    {8, {0, 0, 0}, {255, 255, 255}, true},    {9, {0, 0, 0}, {255, 255, 255}, true},
    {10, {0, 0, 0}, {255, 255, 255}, true},   {11, {0, 0, 0}, {255, 255, 255}, true},
    {12, {0, 0, 0}, {255, 255, 255}, true},   {13, {0, 0, 0}, {255, 255, 255}, true},
};

bool isWhite(const unsigned char c[3])
{
    return c[0] == 255 && c[1] == 255 && c[2] == 255;
}
bool isBlack(const unsigned char c[3])
{
    return c[0] == 0 && c[1] == 0 && c[2] == 0;
}

// The table is written for a white page; in the dark scheme black text turns
// to the scheme's text colour, the page to its background, and the accents are
// lightened so that they keep their contrast.
wxColour foregroundFor(const EditorStyle& s, const ColourScheme& scheme)
{
    if (isBlack(s.fg))
        return scheme.editorText;
    wxColour c(s.fg[0], s.fg[1], s.fg[2]);
    return scheme.dark ? c.ChangeLightness(170) : c;
}

wxColour backgroundFor(const EditorStyle& s, const ColourScheme& scheme, const wxColour& page)
{
    if (isWhite(s.bg))
        return page;
    wxColour c(s.bg[0], s.bg[1], s.bg[2]);
    // Highlights on a dark page would glare at full strength.
    return scheme.dark ? c.ChangeLightness(45) : c;
}

} // namespace

ColourScheme ColourScheme::lightScheme()
{
    ColourScheme s;
    s.dark = false;
    s.windowBackground = wxColour(246, 245, 244);
    s.text = wxColour(30, 30, 30);
    s.mutedText = wxColour(120, 120, 120);
    s.mixedBackground = wxColour(255, 248, 225);
    s.mixedText = wxColour(130, 110, 60);
    s.editorBackground = wxColour(255, 255, 255);
    s.editorText = wxColour(0, 0, 0);
    s.editorMixedBackground = wxColour(255, 248, 225);
    s.editorCaret = wxColour(0, 0, 0);
    s.editorSelection = wxColour(173, 214, 255);
    s.editorMargin = wxColour(240, 240, 240);
    return s;
}

ColourScheme ColourScheme::darkScheme()
{
    ColourScheme s;
    s.dark = true;
    s.windowBackground = wxColour(45, 45, 45);
    s.text = wxColour(230, 230, 230);
    s.mutedText = wxColour(160, 160, 160);
    s.mixedBackground = wxColour(70, 62, 40);
    s.mixedText = wxColour(220, 200, 140);
    s.editorBackground = wxColour(30, 30, 30);
    s.editorText = wxColour(220, 220, 220);
    s.editorMixedBackground = wxColour(60, 54, 36);
    s.editorCaret = wxColour(240, 240, 240);
    s.editorSelection = wxColour(38, 79, 120);
    s.editorMargin = wxColour(40, 40, 40);
    return s;
}

ColourManager::ColourManager() : m_scheme(ColourScheme::lightScheme())
{
}

namespace
{
// Native controls draw with GTK's theme: a chosen scheme asks GTK for the
// matching variant, following the system gives the desktop's choice back.
void preferDarkNativeTheme(ColourManager::Mode mode)
{
    static int s_desktopChoice = -1; // unknown until we first override it
    GtkSettings* settings = gtk_settings_get_default();
    if (!settings)
        return;
    gboolean current = FALSE;
    g_object_get(settings, "gtk-application-prefer-dark-theme", &current, nullptr);
    if (mode == ColourManager::Mode::FollowSystem)
    {
        if (s_desktopChoice >= 0 && current != s_desktopChoice)
            g_object_set(settings, "gtk-application-prefer-dark-theme", s_desktopChoice, nullptr);
        return;
    }
    if (s_desktopChoice < 0)
        s_desktopChoice = current ? 1 : 0;
    const gboolean dark = mode == ColourManager::Mode::Dark;
    if (current != dark)
        g_object_set(settings, "gtk-application-prefer-dark-theme", dark, nullptr);
}
} // namespace

void ColourManager::setMode(Mode mode)
{
    m_mode = mode;
    if (wxTheApp)
        preferDarkNativeTheme(mode);
    refreshFromSystem();
}

void ColourManager::refreshFromSystem()
{
    bool dark = m_mode == Mode::Dark;
    // Asking the system needs the GUI to be up; before that the light scheme
    // stands in and the first real query replaces it.
    if (m_mode == Mode::FollowSystem)
        dark = wxTheApp && wxSystemSettings::GetAppearance().IsDark();
    if (m_schemeKnown && dark == m_scheme.dark)
        return;
    m_schemeKnown = true;
    apply(dark ? ColourScheme::darkScheme() : ColourScheme::lightScheme());
}

void ColourManager::apply(const ColourScheme& scheme)
{
    m_scheme = scheme;
    m_clients.notify([](wxUtils::ColourSchemeClient* client) { client->onActiveColourSchemeChanged(); });
}

void ColourManager::addClient(wxUtils::ColourSchemeClient* client)
{
    m_clients.add(client, ObserverMode::Deferred);
}

void ColourManager::removeClient(wxUtils::ColourSchemeClient* client)
{
    if (m_clients.contains(client))
        m_clients.remove(client, ObserverMode::Immediate);
}

void ColourManager::initEditor(wxStyledTextCtrl* editor, bool mixed) const
{
    wxASSERT_MSG(editor, "initEditor needs an editor");
    if (!editor)
        return;
    const ColourScheme& scheme = m_scheme;

    editor->SetLexer(wxSTC_LEX_LUA);
    editor->SetKeyWords(0, s_luaKeywords);
    editor->SetWordChars(s_luaWordCharacters);

    wxFont font(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
    editor->StyleSetFont(wxSTC_STYLE_DEFAULT, font);
    editor->StyleSetForeground(wxSTC_STYLE_DEFAULT, scheme.editorText);
    editor->StyleSetBackground(wxSTC_STYLE_DEFAULT, mixed ? scheme.editorMixedBackground : scheme.editorBackground);
    editor->StyleClearAll();

    std::array<bool, 256> done{};
    const wxColour page = mixed ? scheme.editorMixedBackground : scheme.editorBackground;
    for (const EditorStyle& s : s_luaStyles)
    {
        if (done[static_cast<std::size_t>(s.style)])
            continue;
        done[static_cast<std::size_t>(s.style)] = true;
        editor->StyleSetForeground(s.style, foregroundFor(s, scheme));
        editor->StyleSetBackground(s.style, backgroundFor(s, scheme, page));
        editor->StyleSetBold(s.style, s.bold);
    }
    editor->StyleSetBackground(wxSTC_STYLE_LINENUMBER, scheme.editorMargin);
    editor->StyleSetForeground(wxSTC_STYLE_LINENUMBER, scheme.mutedText);

    editor->SetTabWidth(4);
    editor->SetUseTabs(false);
    editor->SetMarginType(0, wxSTC_MARGIN_NUMBER);
    editor->SetMarginWidth(0, editor->TextWidth(wxSTC_STYLE_LINENUMBER, "_999"));
    editor->SetMarginWidth(1, 0);
    initEditorColours(editor, mixed);
}

void ColourManager::initEditorColours(wxStyledTextCtrl* editor, bool mixed) const
{
    wxASSERT_MSG(editor, "initEditorColours needs an editor");
    if (!editor)
        return;
    const ColourScheme& scheme = m_scheme;
    const wxColour page = mixed ? scheme.editorMixedBackground : scheme.editorBackground;
    // Every style whose table background is the page follows the mixed look;
    // highlight styles keep their own background.
    std::array<bool, 256> done{};
    for (const EditorStyle& s : s_luaStyles)
    {
        if (done[static_cast<std::size_t>(s.style)])
            continue;
        done[static_cast<std::size_t>(s.style)] = true;
        if (isWhite(s.bg) && s.style != wxSTC_STYLE_LINENUMBER)
            editor->StyleSetBackground(s.style, page);
    }
    for (int style = 0; style < wxSTC_STYLE_DEFAULT; ++style)
        if (!done[static_cast<std::size_t>(style)])
            editor->StyleSetBackground(style, page);
    editor->StyleSetBackground(wxSTC_STYLE_DEFAULT, page);
    editor->SetCaretForeground(scheme.editorCaret);
    editor->SetSelBackground(true, scheme.editorSelection);
}

} // namespace Tarn
