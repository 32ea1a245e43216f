#pragma once

#include <dbui/Export.h>

#include <wx/string.h>

#include <string>

namespace dbui
{

/// The bytes by which the system knows the file `fileName`, in the file-name
/// encoding wxWidgets uses for the system (UTF-8, or the locale's); empty when
/// the name cannot be spelt in it. Every file the library opens, writes, checks
/// or lists goes through this one conversion, so that the file written is the
/// file later checked, listed and opened again.
DBUI_EXPORT std::string toFileSystemName(const wxString& fileName);

/// The name of the file that the system knows by `bytes`.
DBUI_EXPORT wxString fromFileSystemName(const std::string& bytes);

} // namespace dbui
