#pragma once

#include <dbui/Export.h>

#include <wx/bitmap.h>
#include <wx/string.h>

#include <vector>

namespace db
{
class NodeDef;
}

namespace dbui
{

/// The icons the views show for node types: a set drawn for dbui and carried
/// in the library, named by a schema's `icon` attribute, with defaults by type
/// name for databases, groups, meshes, lights, cameras, materials and scripts;
/// and the icons of the commands of NodeCommands, named "command_cut" and so on.
class DBUI_EXPORT NodeIcons
{
public:
    /// The names of the bundled icons, in alphabetical order: what a schema's `icon` may name.
    static std::vector<wxString> getNames();
    /// The bundled icon of that name, 16 by 16 pixels; an invalid bitmap for a name not bundled.
    static wxBitmap getBitmap(const wxString& name);
    /// The icon for nodes of `type`: the `icon` of the type or of its nearest
    /// base that names a bundled one; else the first of "database", "library",
    /// "group", "mesh", "light", "camera", "material" and "script" that the
    /// name of the type or of a base holds, in any case; else "node".
    static wxString getIconName(const db::NodeDef& type);
};

} // namespace dbui
