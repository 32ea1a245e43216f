#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkSplitter.h>

#include <wx/persist/window.h>

namespace wxUtils
{

/// Keeps where an OrkSplitter's sash was across runs, for
/// wxPersistenceManager::RegisterAndRestore (which finds it through
/// wxCreatePersistentObject below). The sash is kept as the first pane's share,
/// so it lands in the same place of a window that comes back at another size.
/// The splitter's name names the setting.
class DBUI_TOOLKIT_EXPORT PersistentSplitter : public wxPersistentWindow<OrkSplitter>
{
public:
    /// Follows `splitter` until it is destroyed.
    explicit PersistentSplitter(OrkSplitter* splitter);

    /// Writes the sash's share, if the splitter has a size to take it from.
    void Save() const override;
    /// Moves the sash to the share written last; false when there is none.
    bool Restore() override;
    /// "OrkSplitter".
    wxString GetKind() const override;
};

/// What wxPersistenceManager makes for an OrkSplitter (found by argument-dependent look-up).
inline wxPersistentObject* wxCreatePersistentObject(OrkSplitter* splitter)
{
    return new PersistentSplitter(splitter);
}

} // namespace wxUtils
