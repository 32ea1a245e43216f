#pragma once

#include <wxUtils/Export.h>

#include <wx/string.h>

namespace wxUtils
{

/// What a control that renames its items in place is told when the rename box
/// closes: Enter and losing the focus accept, Escape cancels.
class DBUI_TOOLKIT_EXPORT OrkTextRenameCtrlOwner
{
public:
    virtual ~OrkTextRenameCtrlOwner() = default;

    /// The box closed; `text` is what it held, `cancelled` true for Escape.
    virtual void onTextRenameFinished(const wxString& text, bool cancelled) = 0;
};

} // namespace wxUtils
