#include <dbui/NodeIcons.h>

#include "views/EmbeddedIcons.h"

#include <db/NodeDef.h>

#include <wx/image.h>
#include <wx/mstream.h>

#include <algorithm>

namespace dbui
{

namespace
{

const EmbeddedIcon* findIcon(const wxString& name)
{
    const EmbeddedIcon* end = g_embeddedIcons + g_embeddedIconCount;
    const EmbeddedIcon* found =
        std::find_if(g_embeddedIcons, end, [&name](const EmbeddedIcon& icon) { return name == icon.name; });
    return found == end ? nullptr : found;
}

/// Words of type names and the icon each calls for, the more particular first:
/// a "MaterialLibrary" is a library before it is a material.
const char* const s_iconByWord[][2] = {
    {"database", "database"}, {"library", "library"},   {"group", "group"},     {"folder", "group"},
    {"mesh", "mesh"},         {"model", "mesh"},        {"light", "light"},     {"lamp", "light"},
    {"camera", "camera"},     {"material", "material"}, {"shader", "material"}, {"script", "script"},
};

} // namespace

std::vector<wxString> NodeIcons::getNames()
{
    std::vector<wxString> names;
    // The commands' icons ("command_cut", ...) share the set but name no type.
    for (std::size_t i = 0; i < g_embeddedIconCount; ++i)
        if (!wxString(g_embeddedIcons[i].name).StartsWith("command_"))
            names.emplace_back(g_embeddedIcons[i].name);
    return names;
}

wxBitmap NodeIcons::getBitmap(const wxString& name)
{
    const EmbeddedIcon* icon = findIcon(name);
    if (!icon)
        return wxBitmap();
    // Hosts need not have registered wxWidgets' image handlers.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(icon->png, icon->size);
    return wxBitmap(wxImage(stream, wxBITMAP_TYPE_PNG));
}

wxString NodeIcons::getIconName(const db::NodeDef& type)
{
    for (const db::NodeDef* def = &type; def; def = def->getBaseDef())
        if (!def->getIconName().empty() && findIcon(wxString(def->getIconName())))
            return wxString(def->getIconName());
    for (const db::NodeDef* def = &type; def; def = def->getBaseDef())
    {
        const wxString name = wxString(def->getName()).Lower();
        for (const auto& [word, icon] : s_iconByWord)
            if (name.Contains(word))
                return icon;
    }
    return "node";
}

} // namespace dbui
