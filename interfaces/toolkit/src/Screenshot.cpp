#include <wxUtils/Screenshot.h>

#include <wx/window.h>

#include <gtk/gtk.h>

namespace wxUtils
{

// wxWidgets' GTK 3 device contexts cannot read back what a window shows, so
// the pixels come from the X server through GDK.
bool saveWindowAsPng(wxWindow* window, const wxString& path)
{
    if (!window || !window->IsShownOnScreen())
        return false;
    window->Update();
    const wxSize size = window->GetSize();
    if (size.x <= 0 || size.y <= 0)
        return false;
    // Screen coordinates on the root window: that is independent of which
    // GDK window the widget happens to draw into.
    const wxPoint origin = window->GetScreenPosition();
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), origin.x, origin.y, size.x, size.y);
    if (!pixbuf)
        return false;
    GError* error = nullptr;
    const bool saved = gdk_pixbuf_save(pixbuf, path.utf8_str(), "png", &error, nullptr);
    if (error)
        g_error_free(error);
    g_object_unref(pixbuf);
    return saved;
}

} // namespace wxUtils
