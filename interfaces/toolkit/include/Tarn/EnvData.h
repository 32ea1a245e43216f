#pragma once

#include <wxUtils/Export.h>

#include <wx/string.h>

namespace Tarn
{

/// Facts about the host application and its environment.
class DBUI_TOOLKIT_EXPORT EnvData
{
public:
    /// The name the host set; otherwise the wxApp's display name; otherwise
    /// a neutral fallback, so captions are never empty.
    wxString getAppDisplayName() const;
    /// The name captions and messages give the host application.
    void setAppDisplayName(const wxString& name) { m_appDisplayName = name; }

private:
    wxString m_appDisplayName;
};

} // namespace Tarn
