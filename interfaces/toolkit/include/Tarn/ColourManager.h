#pragma once

#include <wxUtils/Export.h>

#include <Tarn/ColourScheme.h>

#include <foundations/ObserverManager.h>

class wxStyledTextCtrl;

namespace wxUtils
{
class ColourSchemeClient;
}

namespace Tarn
{

/// Owns the active colour scheme and tells every ColourSchemeClient when it
/// changes. By default it follows the desktop's light or dark theme.
class DBUI_TOOLKIT_EXPORT ColourManager
{
public:
    /// Which scheme to use.
    enum class Mode
    {
        FollowSystem,
        Light,
        Dark,
    };

    ColourManager();
    ColourManager(const ColourManager&) = delete;
    ColourManager& operator=(const ColourManager&) = delete;

    /// The colours windows draw with now.
    const ColourScheme& getActiveScheme() const { return m_scheme; }
    /// True when the active scheme is the dark one.
    bool isDark() const { return m_scheme.dark; }

    /// Chooses the scheme; notifies the clients when the colours change.
    void setMode(Mode mode);
    /// The mode last chosen; FollowSystem to start with.
    Mode getMode() const { return m_mode; }

    /// Re-reads the desktop theme (called when the system colours change).
    void refreshFromSystem();
    /// Reads the desktop theme once, the first time a window needs it.
    void ensureSchemeKnown()
    {
        if (!m_schemeKnown)
            refreshFromSystem();
    }

    ///@{
    /// Registers (unregisters) a client to be told of scheme changes; every
    /// ColourSchemeClient does so itself when made (destroyed).
    void addClient(wxUtils::ColourSchemeClient* client);
    void removeClient(wxUtils::ColourSchemeClient* client);
    ///@}
    /// How many clients are registered.
    std::size_t getClientCount() const { return m_clients.count(); }

    /// Sets up a script editor: Lua lexer, keywords, word characters, font,
    /// margins and the style table in the active scheme's colours.
    void initEditor(wxStyledTextCtrl* editor, bool mixed) const;
    /// Recolours the editor's background for the normal or the mixed look.
    void initEditorColours(wxStyledTextCtrl* editor, bool mixed) const;

private:
    void apply(const ColourScheme& scheme);

    Mode m_mode = Mode::FollowSystem;
    ColourScheme m_scheme;
    bool m_schemeKnown = false;
    ObserverManager<wxUtils::ColourSchemeClient> m_clients;
};

} // namespace Tarn
