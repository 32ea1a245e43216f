#include <wxUtils/WindowUtils.h>

#include <wx/app.h>
#include <wx/scrolwin.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace wxUtils
{

void layoutParentsRecursively(wxWindow* window)
{
    std::vector<wxWindow*> chain;
    for (wxWindow* w = window; w; w = w->GetParent())
    {
        chain.push_back(w);
        if (w->IsTopLevel())
            break;
    }
    // Cached best sizes are stale everywhere on the way up...
    for (wxWindow* w : chain)
        w->InvalidateBestSize();
    // ...and each layout must see its parent's new size, so go top down.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    {
        wxWindow* w = *it;
        if (dynamic_cast<wxScrollHelperBase*>(w))
            w->FitInside();
        w->Layout();
    }
}

void destroyWhenIdle(wxWindow* window)
{
    window->Hide();
    // The application deletes what is scheduled at its next idle time, after
    // every handler now running has returned; a window destroyed earlier
    // with its parent takes itself off that list.
    if (wxTheApp)
        wxTheApp->ScheduleForDestruction(window);
    else
        window->Destroy();
}

void forEachDescendant(wxWindow& window, const std::function<void(wxWindow&)>& each)
{
    for (wxWindow* child : window.GetChildren())
    {
        each(*child);
        forEachDescendant(*child, each);
    }
}

bool isDescendedFrom(const wxWindow* window, const wxWindow* ancestor)
{
    if (!ancestor)
        return false;
    for (const wxWindow* w = window; w; w = w->GetParent())
        if (w == ancestor)
            return true;
    return false;
}

namespace
{
wxKeyCode keyForVirtualKey(int vk)
{
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return static_cast<wxKeyCode>(vk);
    if (vk >= 0x70 && vk <= 0x7B) // F1 to F12
        return static_cast<wxKeyCode>(WXK_F1 + (vk - 0x70));
    switch (vk)
    {
    case 0x08:
        return WXK_BACK;
    case 0x09:
        return WXK_TAB;
    case 0x0D:
        return WXK_RETURN;
    case 0x10:
    case 0xA0:
    case 0xA1:
        return WXK_SHIFT;
    case 0x11:
    case 0xA2:
    case 0xA3:
        return WXK_CONTROL;
    case 0x12:
    case 0xA4:
    case 0xA5:
        return WXK_ALT;
    case 0x14:
        return WXK_CAPITAL;
    case 0x1B:
        return WXK_ESCAPE;
    case 0x20:
        return WXK_SPACE;
    case 0x21:
        return WXK_PAGEUP;
    case 0x22:
        return WXK_PAGEDOWN;
    case 0x23:
        return WXK_END;
    case 0x24:
        return WXK_HOME;
    case 0x25:
        return WXK_LEFT;
    case 0x26:
        return WXK_UP;
    case 0x27:
        return WXK_RIGHT;
    case 0x28:
        return WXK_DOWN;
    case 0x2D:
        return WXK_INSERT;
    case 0x2E:
        return WXK_DELETE;
    default:
        return WXK_NONE;
    }
}
} // namespace

bool AsyncIsKeyPressed(int virtualKey)
{
    const wxKeyCode key = keyForVirtualKey(virtualKey);
    wxASSERT_MSG(key != WXK_NONE, "AsyncIsKeyPressed: this virtual-key code has no mapping");
    if (key == WXK_NONE)
        return false;
    return wxGetKeyState(key);
}

std::size_t GetProcessMemoryUsage()
{
    // The second field of statm is the resident set, in pages.
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    unsigned long size = 0;
    unsigned long resident = 0;
    const int read = std::fscanf(statm, "%lu %lu", &size, &resident);
    std::fclose(statm);
    if (read != 2)
        return 0;
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

} // namespace wxUtils
